// The map-guided fill-in with SSE2: eight pairs of an even row, or sixteen samples of an odd
// chroma row, at a time, the rest of a row by the plain rows; the marks, one in two or four
// map bytes, gathered by masking and packing. The odd luma rows are shared with the plain
// kernel.
#include "pixels/map_fill.h"
#include "pixels/simd_target.h"

#if KVTC_X86
#include <emmintrin.h>

namespace kvtc::pixels::finish {
namespace {

__m128i Load(const std::uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
void Store(std::uint8_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

// Eight odd samples between the even ones of `samples` (and the even sample after them),
// where `marked` (a 16-bit lane for each) is set: the rounded mean of the even ones beside it.
__m128i FillOdd(__m128i samples, std::uint8_t after, __m128i marked) {
  const __m128i lowByte = _mm_set1_epi16(0xFF);
  const __m128i evens = _mm_and_si128(samples, lowByte);
  const __m128i nextEvens = _mm_insert_epi16(_mm_srli_si128(evens, 2), after, 7);
  const __m128i odds = _mm_srli_epi16(samples, 8);
  const __m128i filled = _mm_or_si128(_mm_and_si128(marked, _mm_avg_epu16(evens, nextEvens)),
                                      _mm_andnot_si128(marked, odds));
  return _mm_or_si128(evens, _mm_slli_epi16(filled, 8));
}

// All ones in the 16-bit lanes where mark j or mark j + 1 of `here` (and `after` past the
// last) is set.
__m128i EitherMarked(__m128i here, std::uint8_t after) {
  const __m128i next = _mm_insert_epi16(_mm_srli_si128(here, 2), after, 7);
  return _mm_xor_si128(_mm_cmpeq_epi16(_mm_or_si128(here, next), _mm_setzero_si128()),
                       _mm_set1_epi32(-1));
}

// Even chroma row: pairs x .. x + 14 at a time, reading map bytes 2x, 2x + 4, ..., 2x + 32 and
// writing 2x + 2, 2x + 6, ..., 2x + 30.
void ChromaEvenRow(std::uint8_t* row, std::uint8_t* marks, std::uint32_t x, std::uint32_t last) {
  const __m128i lowDword = _mm_set1_epi32(0xFF);
  const __m128i third = _mm_set1_epi32(0x10000);  // byte 2 of a dword
  for (; x + 16 <= last; x += 16) {
    std::uint8_t* m = marks + 2 * x;
    const __m128i first = Load(m), second = Load(m + 16);
    const __m128i marked = EitherMarked(
        _mm_packs_epi32(_mm_and_si128(first, lowDword), _mm_and_si128(second, lowDword)), m[32]);
    Store(row + x, FillOdd(Load(row + x), row[x + 16], marked));
    Store(m, _mm_or_si128(first, _mm_and_si128(_mm_unpacklo_epi16(marked, marked), third)));
    Store(m + 16, _mm_or_si128(second, _mm_and_si128(_mm_unpackhi_epi16(marked, marked), third)));
  }
  fill::ChromaEvenRow(row, marks, x, last);
}

// Odd chroma row: sixteen samples at a time while their marks (up to map byte 2x + 31) lie
// before the row's last mark read.
void ChromaOddRow(std::uint8_t* row, const std::uint8_t* above, const std::uint8_t* below,
                  const std::uint8_t* marksAbove, const std::uint8_t* marksBelow, std::uint32_t x,
                  std::uint32_t last) {
  const __m128i lowByte = _mm_set1_epi16(0xFF);
  const auto gather = [&](const std::uint8_t* m) {
    return _mm_packus_epi16(_mm_and_si128(Load(m), lowByte), _mm_and_si128(Load(m + 16), lowByte));
  };
  for (; x + 16 <= last; x += 16) {
    const __m128i unmarked = _mm_cmpeq_epi8(
        _mm_or_si128(gather(marksAbove + 2 * x), gather(marksBelow + 2 * x)), _mm_setzero_si128());
    const __m128i mean = _mm_avg_epu8(Load(above + x), Load(below + x));
    Store(row + x,
          _mm_or_si128(_mm_and_si128(unmarked, Load(row + x)), _mm_andnot_si128(unmarked, mean)));
  }
  fill::ChromaOddRow(row, above, below, marksAbove, marksBelow, x, last);
}

// Even luma row: odd columns x .. x + 14 at a time while the last of them lies before the
// plane's last column, reading map bytes x - 1 .. x + 15 and writing the odd ones.
void LumaEvenRow(std::uint8_t* row, std::uint8_t* marks, std::uint32_t x, std::uint32_t last) {
  for (; x + 15 <= last; x += 16) {
    std::uint8_t* m = marks + x - 1;
    const __m128i bytes = Load(m);
    const __m128i marked = EitherMarked(_mm_and_si128(bytes, _mm_set1_epi16(0xFF)), m[16]);
    Store(row + x - 1, FillOdd(Load(row + x - 1), row[x + 15], marked));
    Store(m, _mm_or_si128(bytes, _mm_and_si128(marked, _mm_set1_epi16(0x100))));
  }
  fill::LumaEvenRow(row, marks, x, last);
}

}  // namespace

void FillChromaByMapSse2(const stream::PlaneView& p, const stream::MapView& map) {
  fill::FillChroma(p, map, ChromaEvenRow, ChromaOddRow);
}

void FillLumaByMapSse2(const stream::PlaneView& p, const stream::MapView& map) {
  fill::FillLuma(p, map, LumaEvenRow);
}

}  // namespace kvtc::pixels::finish
#endif
