// 24- and 32-bit RGB input with AVX2: eight 2x2 blocks (sixteen pixels of two rows) at a time,
// the colour tables computed in their integer forms; the blocks at the right edge and rows
// without chroma go through the plain converter.
#include "pixels/encoder_table_forms.h"
#include "pixels/input_rgb_rows.h"
#include "pixels/pixel_kernels.h"
#include "pixels/simd_target.h"

#if KVTC_X86
#include <immintrin.h>

namespace kvtc::pixels::input {
namespace {

// A table of 32-bit lane values below 32768.
KVTC_AVX2 __m256i Form(__m256i x, TableForm f) {
  __m256i value =
      _mm256_srai_epi32(_mm256_add_epi32(_mm256_madd_epi16(x, _mm256_set1_epi32(f.factor & 0xFFFF)),
                                         _mm256_set1_epi32(f.bias)),
                        f.shift);
  if (f.zeroUpTo >= 0)
    value = _mm256_and_si256(value, _mm256_cmpgt_epi32(x, _mm256_set1_epi32(f.zeroUpTo)));
  return f.negative ? _mm256_sub_epi32(_mm256_setzero_si256(), value) : value;
}

// Eight 24-bit pixels as words 0x00RRGGBB (reads four bytes past them).
KVTC_AVX2 __m256i LoadEight(const std::uint8_t* src, std::uint32_t bytes) {
  if (bytes == 4) return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src));
  const __m256i raw = _mm256_inserti128_si256(
      _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src))),
      _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 12)), 1);
  return _mm256_shuffle_epi8(
      raw, _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1, 0, 1, 2, -1, 3, 4,
                            5, -1, 6, 7, 8, -1, 9, 10, 11, -1));
}

KVTC_AVX2 __m256i Channel(__m256i px, int shift) {
  return _mm256_and_si256(_mm256_srli_epi32(px, shift), _mm256_set1_epi32(0xFF));
}

KVTC_AVX2 __m256i Luma(__m256i px) {
  return _mm256_add_epi32(
      _mm256_add_epi32(Form(Channel(px, 16), kLumaFromR), Form(Channel(px, 8), kLumaFromG)),
      Form(Channel(px, 0), kLumaFromB));
}

// Sixteen 32-bit lanes (a: first eight, b: next eight) saturated to bytes in order.
KVTC_AVX2 __m128i Bytes(__m256i a, __m256i b) {
  const __m256i words = _mm256_permute4x64_epi64(_mm256_packs_epi32(a, b), 0xD8);
  return _mm256_castsi256_si128(_mm256_permute4x64_epi64(_mm256_packus_epi16(words, words), 0xD8));
}

// Per block, the sum of one channel over its four pixels, blocks in order.
KVTC_AVX2 __m256i BlockSums(const __m256i (&px)[4], int shift) {
  const __m256i first = _mm256_add_epi32(Channel(px[0], shift), Channel(px[2], shift));
  const __m256i second = _mm256_add_epi32(Channel(px[1], shift), Channel(px[3], shift));
  return _mm256_permute4x64_epi64(_mm256_hadd_epi32(first, second), 0xD8);
}

KVTC_AVX2 void EightBlocks(const std::uint8_t* row0, const std::uint8_t* row1, std::uint32_t bytes,
                           std::uint8_t* luma0, std::uint8_t* luma1, std::uint8_t* u,
                           std::uint8_t* v) {
  const __m256i px[4] = {LoadEight(row0, bytes), LoadEight(row0 + 8 * bytes, bytes),
                         LoadEight(row1, bytes), LoadEight(row1 + 8 * bytes, bytes)};
  _mm_storeu_si128(reinterpret_cast<__m128i*>(luma0), Bytes(Luma(px[0]), Luma(px[1])));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(luma1), Bytes(Luma(px[2]), Luma(px[3])));
  const __m256i red = BlockSums(px, 16), green = BlockSums(px, 8), blue = BlockSums(px, 0);
  const __m256i uu = _mm256_add_epi32(_mm256_add_epi32(Form(red, kUFromR), Form(green, kUFromG)),
                                      Form(blue, kUFromB));
  const __m256i vv = _mm256_add_epi32(_mm256_add_epi32(Form(red, kVFromR), Form(green, kVFromG)),
                                      Form(blue, kVFromB));
  const __m128i both = Bytes(uu, vv);  // u0..u7 v0..v7
  _mm_storel_epi64(reinterpret_cast<__m128i*>(u), both);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(v), _mm_srli_si128(both, 8));
}

}  // namespace

void ConvertFromRgbAvx2(const std::uint8_t* src, const PlaneSet& p, RgbChannels ch,
                        const EncoderColourTables& t) {
  ConvertFromRgbByGroups<8>(src, p, ch, t, EightBlocks);
}

}  // namespace kvtc::pixels::input
#endif
