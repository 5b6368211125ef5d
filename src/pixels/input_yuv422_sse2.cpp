// Packed 4:2:2 input with SSE2: eight luma samples at a time, rescaled by the input scale's
// integer form (216 v) >> 8, and four block columns of chroma at a time from the first row of
// each row pair; the rest of each row as the plain converter does it.
#include "pixels/pixel_kernels.h"
#include "pixels/plane_margins.h"
#include "pixels/simd_target.h"

#if KVTC_X86
#include <emmintrin.h>

#include <cstring>

namespace kvtc::pixels::input {
namespace {

// The byte at `at` (0..3) of each 32-bit lane.
__m128i LaneByte(__m128i x, std::uint32_t at) {
  return _mm_and_si128(_mm_srl_epi32(x, _mm_cvtsi32_si128(static_cast<int>(8 * at))),
                       _mm_set1_epi32(0xFF));
}

}  // namespace

void ConvertFromPackedYuvSse2(const std::uint8_t* src, const PlaneSet& p, PackedYuvOrder order,
                              const std::uint8_t* inputScale) {
  if (!p) return;
  const __m128i shift = _mm_cvtsi32_si128(static_cast<int>(8 * order.luma));
  for (std::uint32_t y = 0; y < p.height; ++y) {
    const std::uint8_t* row = src + 2 * std::size_t{y} * p.width;
    std::uint8_t* luma = p.LumaRow(y);
    std::uint32_t x = 0;
    for (; x + 8 <= p.width; x += 8) {
      const __m128i px = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + 2 * x));
      const __m128i samples = _mm_and_si128(_mm_srl_epi16(px, shift), _mm_set1_epi16(0xFF));
      const __m128i scaled = _mm_srli_epi16(_mm_mullo_epi16(samples, _mm_set1_epi16(216)), 8);
      _mm_storel_epi64(reinterpret_cast<__m128i*>(luma + x), _mm_packus_epi16(scaled, scaled));
    }
    PackedYuvLumaTail(src, p, y, x, order, inputScale);
  }
  FinishLumaMargins(p);
  const std::uint32_t pairs = p.width / 2;
  for (std::uint32_t by = 0; by < p.chromaRows; ++by) {
    const std::uint8_t* row = src + 4 * std::size_t{by} * p.width;
    std::uint8_t* u = p.u + by * p.chromaStride;
    std::uint8_t* v = p.v + by * p.chromaStride;
    std::uint32_t bx = 0;
    for (; bx + 4 <= p.chromaCols && bx + 4 <= pairs; bx += 4) {
      const __m128i px = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + 4 * bx));
      const __m128i words = _mm_packs_epi32(LaneByte(px, order.u), LaneByte(px, order.v));
      const __m128i both = _mm_packus_epi16(words, words);  // u0..u3 v0..v3
      const int uWord = _mm_cvtsi128_si32(both), vWord = _mm_cvtsi128_si32(_mm_srli_si128(both, 4));
      std::memcpy(u + bx, &uWord, 4);
      std::memcpy(v + bx, &vWord, 4);
    }
    PackedYuvChromaTail(src, p, by, bx, order);
  }
  FinishChromaMargins(p, p.chromaCols, p.chromaRows);
}

}  // namespace kvtc::pixels::input
#endif
