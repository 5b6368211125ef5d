// Sharpened luma rows with SSE2 and AVX2, sixteen samples to a 16-bit register; the columns
// after the last whole group through the plain kernel.
#include "pixels/sharpen_rows.h"
#include "pixels/simd_target.h"

#if KVTC_X86
#include <immintrin.h>

namespace kvtc::pixels::finish {
namespace {

constexpr short kLargestLuma = 215;

// 5 centre - (left + right + up + down) in 16-bit lanes, clamped to 0..215.
__m128i Sharpen(__m128i centre, __m128i left, __m128i right, __m128i up, __m128i down) {
  const __m128i neighbours = _mm_add_epi16(_mm_add_epi16(left, right), _mm_add_epi16(up, down));
  const __m128i value = _mm_sub_epi16(_mm_add_epi16(_mm_slli_epi16(centre, 2), centre), neighbours);
  return _mm_min_epi16(_mm_max_epi16(value, _mm_setzero_si128()), _mm_set1_epi16(kLargestLuma));
}

__m128i Load(const std::uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

KVTC_AVX2 __m256i Sharpen(__m256i centre, __m256i left, __m256i right, __m256i up, __m256i down) {
  const __m256i neighbours =
      _mm256_add_epi16(_mm256_add_epi16(left, right), _mm256_add_epi16(up, down));
  const __m256i value =
      _mm256_sub_epi16(_mm256_add_epi16(_mm256_slli_epi16(centre, 2), centre), neighbours);
  return _mm256_min_epi16(_mm256_max_epi16(value, _mm256_setzero_si256()),
                          _mm256_set1_epi16(kLargestLuma));
}

// Sixteen samples from p widened to 16 bits.
KVTC_AVX2 __m256i Widen(const std::uint8_t* p) { return _mm256_cvtepu8_epi16(Load(p)); }

KVTC_AVX2 __m256i SharpenWide(const std::uint8_t* above, const std::uint8_t* row,
                              const std::uint8_t* below, std::uint32_t c) {
  return Sharpen(Widen(row + c), Widen(row + c - 1), Widen(row + c + 1), Widen(above + c),
                 Widen(below + c));
}

}  // namespace

void SharpenRowSse2(const std::uint8_t* above, const std::uint8_t* row, const std::uint8_t* below,
                    std::uint8_t* out, std::uint32_t first, std::uint32_t width,
                    const stream::ArithmeticTables& t) {
  const __m128i zero = _mm_setzero_si128();
  std::uint32_t c = first;
  // A group reads up to column c + 16, which is at most `width`.
  for (; c + 16 <= width; c += 16) {
    const __m128i centre = Load(row + c), left = Load(row + c - 1), right = Load(row + c + 1);
    const __m128i up = Load(above + c), down = Load(below + c);
    const __m128i lo = Sharpen(_mm_unpacklo_epi8(centre, zero), _mm_unpacklo_epi8(left, zero),
                               _mm_unpacklo_epi8(right, zero), _mm_unpacklo_epi8(up, zero),
                               _mm_unpacklo_epi8(down, zero));
    const __m128i hi = Sharpen(_mm_unpackhi_epi8(centre, zero), _mm_unpackhi_epi8(left, zero),
                               _mm_unpackhi_epi8(right, zero), _mm_unpackhi_epi8(up, zero),
                               _mm_unpackhi_epi8(down, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + c), _mm_packus_epi16(lo, hi));
  }
  SharpenRow(above, row, below, out, c, width, t);
}

KVTC_AVX2 void SharpenRowAvx2(const std::uint8_t* above, const std::uint8_t* row,
                              const std::uint8_t* below, std::uint8_t* out, std::uint32_t first,
                              std::uint32_t width, const stream::ArithmeticTables& t) {
  std::uint32_t c = first;
  for (; c + 32 <= width; c += 32) {
    const __m256i packed = _mm256_packus_epi16(SharpenWide(above, row, below, c),
                                               SharpenWide(above, row, below, c + 16));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + c),
                        _mm256_permute4x64_epi64(packed, 0xD8));
  }
  SharpenRowSse2(above, row, below, out, c, width, t);
}

}  // namespace kvtc::pixels::finish
#endif
