// Change flags with SSE2: two rows of the block in one register, |a - b| from two saturating
// subtractions, and "more than T" as a saturating subtraction of T that leaves something.
#include "pixels/change_flags.h"
#include "pixels/simd_target.h"
#include "pixels/sse2_rows.h"

#if KVTC_X86
#include <emmintrin.h>

#include <algorithm>

namespace kvtc::pixels::encode {

std::uint64_t ChangeFlags8x8Sse2(const std::uint8_t* a, const std::uint8_t* b, std::int32_t stride,
                                 std::uint32_t threshold, std::uint8_t* flags,
                                 std::int32_t flagStride) {
  const __m128i t = _mm_set1_epi8(static_cast<char>(std::min<std::uint32_t>(threshold, 255)));
  const __m128i zero = _mm_setzero_si128();
  const __m128i one = _mm_set1_epi8(1);
  std::uint64_t bits = 0;
  for (int r = 0; r < 8; r += 2) {
    const __m128i x = TwoRows(a + r * stride, stride);
    const __m128i y = TwoRows(b + r * stride, stride);
    const __m128i distance = _mm_or_si128(_mm_subs_epu8(x, y), _mm_subs_epu8(y, x));
    const __m128i same = _mm_cmpeq_epi8(_mm_subs_epu8(distance, t), zero);
    const __m128i flag = _mm_andnot_si128(same, one);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(flags + r * flagStride), flag);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(flags + (r + 1) * flagStride),
                     _mm_unpackhi_epi64(flag, flag));
    const auto changed = static_cast<std::uint32_t>(~_mm_movemask_epi8(same)) & 0xFFFF;
    bits |= std::uint64_t{changed} << (8 * r);
  }
  return bits;
}

// Rows 1 and 3, then 5 and 7: the representatives are the odd lanes, which a shift of each
// 16-bit lane brings down and a pack gathers into sixteen bytes, the cells in rows; swapping
// the middle two pairs of each half puts them in quadrants.
std::uint32_t RepresentativeChangesSse2(const std::uint8_t* a, const std::uint8_t* b,
                                        std::int32_t stride, std::uint32_t threshold,
                                        std::uint8_t* cells) {
  const __m128i t = _mm_set1_epi8(static_cast<char>(std::min<std::uint32_t>(threshold, 255)));
  const __m128i zero = _mm_setzero_si128();
  const auto changed = [&](std::int32_t at) {
    const __m128i x = TwoRows(a + at, 2 * stride);
    const __m128i y = TwoRows(b + at, 2 * stride);
    const __m128i distance = _mm_or_si128(_mm_subs_epu8(x, y), _mm_subs_epu8(y, x));
    return _mm_srli_epi16(_mm_subs_epu8(distance, t), 8);
  };
  __m128i flags = _mm_packus_epi16(changed(stride), changed(5 * stride));
  flags = _mm_min_epu8(flags, _mm_set1_epi8(1));
  flags = _mm_shufflehi_epi16(_mm_shufflelo_epi16(flags, 0xD8), 0xD8);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(cells), flags);
  const __m128i unchanged = _mm_cmpeq_epi32(flags, zero);  // quadrants, one in each 32 bits
  return ~static_cast<std::uint32_t>(_mm_movemask_ps(_mm_castsi128_ps(unchanged))) & 0xF;
}

}  // namespace kvtc::pixels::encode
#endif
