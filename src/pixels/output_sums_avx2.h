// The terms every colour output adds up, sixteen pixels at a time with AVX2, as 16-bit lanes
// in pixel order: each pixel's luma term and the chroma terms of its block. Internal to the
// output row kernels.
#pragma once

#include "pixels/output_rgb_rows.h"
#include "pixels/simd_target.h"

#if KVTC_X86
#include <immintrin.h>

namespace kvtc::pixels::output {

// The luma terms of luma[step * i], i < 16, in the rounded-product form (step 2 reads 32
// bytes, one past the last sample).
KVTC_AVX2 inline __m256i LumaTerms16(const std::uint8_t* luma, unsigned step) {
  const __m256i y =
      step == 1 ? _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(luma)))
                : _mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(luma)),
                                   _mm256_set1_epi16(0xFF));
  return _mm256_add_epi16(y, _mm256_mulhrs_epi16(y, _mm256_set1_epi16(kLumaScaleRoundedFactor)));
}

// One chroma term of sixteen pixels: step 2 pixel i from block i, step 1 from block i / 2
// (eight blocks read).
KVTC_AVX2 inline __m256i BlockTerms16(const std::int16_t* t, unsigned step) {
  if (step == 2) return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(t));
  const __m256i blocks = _mm256_permute4x64_epi64(
      _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(t))), 0x50);
  return _mm256_unpacklo_epi16(blocks, blocks);
}

}  // namespace kvtc::pixels::output
#endif
