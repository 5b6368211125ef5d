// 24- and 32-bit RGB input with SSE2: four 2x2 blocks (eight pixels of two rows) at a time,
// the colour tables computed in their integer forms, as the AVX2 converter does.
#include "pixels/encoder_table_forms.h"
#include "pixels/input_rgb_rows.h"
#include "pixels/pixel_kernels.h"
#include "pixels/simd_target.h"

#if KVTC_X86
#include <emmintrin.h>

#include <cstring>

namespace kvtc::pixels::input {
namespace {

// A table of 32-bit lane values below 32768.
__m128i Form(__m128i x, TableForm f) {
  __m128i value = _mm_srai_epi32(
      _mm_add_epi32(_mm_madd_epi16(x, _mm_set1_epi32(f.factor & 0xFFFF)), _mm_set1_epi32(f.bias)),
      f.shift);
  if (f.zeroUpTo >= 0) value = _mm_and_si128(value, _mm_cmpgt_epi32(x, _mm_set1_epi32(f.zeroUpTo)));
  return f.negative ? _mm_sub_epi32(_mm_setzero_si128(), value) : value;
}

// Four pixels as words 0x..RRGGBB, the top byte whatever follows (reads sixteen bytes).
__m128i LoadFour(const std::uint8_t* src, std::uint32_t bytes) {
  const __m128i raw = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
  if (bytes == 4) return raw;
  const __m128i first = _mm_unpacklo_epi32(raw, _mm_srli_si128(raw, 3));   // bytes 0.., 3..
  const __m128i second = _mm_unpacklo_epi32(_mm_srli_si128(raw, 6), _mm_srli_si128(raw, 9));
  return _mm_unpacklo_epi64(first, second);
}

__m128i Channel(__m128i px, int shift) {
  return _mm_and_si128(_mm_srli_epi32(px, shift), _mm_set1_epi32(0xFF));
}

__m128i Luma(__m128i px) {
  return _mm_add_epi32(
      _mm_add_epi32(Form(Channel(px, 16), kLumaFromR), Form(Channel(px, 8), kLumaFromG)),
      Form(Channel(px, 0), kLumaFromB));
}

// Eight 32-bit lanes (a: first four, b: next four) saturated to bytes in order, in the low
// eight bytes.
__m128i Bytes(__m128i a, __m128i b) {
  const __m128i words = _mm_packs_epi32(a, b);
  return _mm_packus_epi16(words, words);
}

// Per block, the sum of one channel over its four pixels: px[0], px[1] the upper row's two
// groups of four pixels, px[2], px[3] the lower row's.
__m128i BlockSums(const __m128i (&px)[4], int shift) {
  const auto pairs = [](__m128i columns) {  // lanes 0 and 2: the sums of lanes 0+1 and 2+3
    return _mm_add_epi32(columns, _mm_srli_epi64(columns, 32));
  };
  const __m128i first = pairs(_mm_add_epi32(Channel(px[0], shift), Channel(px[2], shift)));
  const __m128i second = pairs(_mm_add_epi32(Channel(px[1], shift), Channel(px[3], shift)));
  return _mm_unpacklo_epi64(_mm_shuffle_epi32(first, _MM_SHUFFLE(3, 1, 2, 0)),
                            _mm_shuffle_epi32(second, _MM_SHUFFLE(3, 1, 2, 0)));
}

void FourBlocks(const std::uint8_t* row0, const std::uint8_t* row1, std::uint32_t bytes,
                std::uint8_t* luma0, std::uint8_t* luma1, std::uint8_t* u, std::uint8_t* v) {
  const __m128i px[4] = {LoadFour(row0, bytes), LoadFour(row0 + 4 * bytes, bytes),
                         LoadFour(row1, bytes), LoadFour(row1 + 4 * bytes, bytes)};
  _mm_storel_epi64(reinterpret_cast<__m128i*>(luma0), Bytes(Luma(px[0]), Luma(px[1])));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(luma1), Bytes(Luma(px[2]), Luma(px[3])));
  const __m128i red = BlockSums(px, 16), green = BlockSums(px, 8), blue = BlockSums(px, 0);
  const __m128i uu =
      _mm_add_epi32(_mm_add_epi32(Form(red, kUFromR), Form(green, kUFromG)), Form(blue, kUFromB));
  const __m128i vv =
      _mm_add_epi32(_mm_add_epi32(Form(red, kVFromR), Form(green, kVFromG)), Form(blue, kVFromB));
  const __m128i both = Bytes(uu, vv);  // u0..u3 v0..v3
  const int uWord = _mm_cvtsi128_si32(both), vWord = _mm_cvtsi128_si32(_mm_srli_si128(both, 4));
  std::memcpy(u, &uWord, 4);
  std::memcpy(v, &vWord, 4);
}

}  // namespace

void ConvertFromRgbSse2(const std::uint8_t* src, const PlaneSet& p, RgbChannels ch,
                        const EncoderColourTables& t) {
  ConvertFromRgbByGroups<4>(src, p, ch, t, FourBlocks);
}

}  // namespace kvtc::pixels::input
#endif
