// Two 8-sample rows of a block in one SSE2 register, for the encoder's block kernels.
#pragma once

#include "pixels/simd_target.h"

#if KVTC_X86
#include <emmintrin.h>

#include <cstdint>

namespace kvtc::pixels::encode {

// Eight samples at p in the low half, eight at p + step in the high half.
inline __m128i TwoRows(const std::uint8_t* p, std::int32_t step) {
  return _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)),
                            _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + step)));
}

}  // namespace kvtc::pixels::encode
#endif
