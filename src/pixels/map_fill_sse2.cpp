// The map-guided fill-in with SSE2: eight pairs of an even row, or sixteen samples of an odd
// chroma row, at a time; the marks, one in two or four map bytes, gathered by masking and
// packing. The odd luma rows are the plain kernel's.
#include "pixels/map_fill.h"
#include "pixels/simd_target.h"

#if KVTC_X86
#include <emmintrin.h>

namespace kvtc::pixels::finish {
namespace {

using stream::AnyMarked;

__m128i Load(const std::uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
void Store(std::uint8_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

// Samples x + 1, x + 3, ..., x + 15 of an even row, and their marks: map bytes 2x, 2x + 4,
// ..., 2x + 32 are read and 2x + 2, 2x + 6, ..., 2x + 30 written.
void EightPairs(std::uint8_t* row, std::uint8_t* marks) {
  const __m128i lowDword = _mm_set1_epi32(0xFF);
  const __m128i first = Load(marks), second = Load(marks + 16);
  // Word j: the mark at 2x + 4j, then the one at 2x + 4j + 4.
  const __m128i here = _mm_packs_epi32(_mm_and_si128(first, lowDword),
                                       _mm_and_si128(second, lowDword));
  const __m128i next = _mm_insert_epi16(_mm_srli_si128(here, 2), marks[32], 7);
  const __m128i marked = _mm_xor_si128(
      _mm_cmpeq_epi16(_mm_or_si128(here, next), _mm_setzero_si128()), _mm_set1_epi32(-1));
  const __m128i samples = Load(row);
  const __m128i lowByte = _mm_set1_epi16(0xFF);
  const __m128i evens = _mm_and_si128(samples, lowByte);
  const __m128i nextEvens = _mm_insert_epi16(_mm_srli_si128(evens, 2), row[16], 7);
  const __m128i odds = _mm_srli_epi16(samples, 8);
  const __m128i filled = _mm_or_si128(_mm_and_si128(marked, _mm_avg_epu16(evens, nextEvens)),
                                      _mm_andnot_si128(marked, odds));
  Store(row, _mm_or_si128(evens, _mm_slli_epi16(filled, 8)));
  // Byte 2 of dword j, where pair j was filled.
  const __m128i third = _mm_set1_epi32(0x10000);
  Store(marks, _mm_or_si128(first, _mm_and_si128(_mm_unpacklo_epi16(marked, marked), third)));
  Store(marks + 16,
        _mm_or_si128(second, _mm_and_si128(_mm_unpackhi_epi16(marked, marked), third)));
}

// Odd samples 1, 3, ..., 15 of an even luma row from `row`, and their marks: map bytes 0, 2,
// ..., 16 are read and 1, 3, ..., 15 written.
void EightLumaPairs(std::uint8_t* row, std::uint8_t* marks) {
  const __m128i lowByte = _mm_set1_epi16(0xFF);
  const __m128i bytes = Load(marks);
  const __m128i here = _mm_and_si128(bytes, lowByte);
  const __m128i next = _mm_insert_epi16(_mm_srli_si128(here, 2), marks[16], 7);
  const __m128i marked = _mm_xor_si128(
      _mm_cmpeq_epi16(_mm_or_si128(here, next), _mm_setzero_si128()), _mm_set1_epi32(-1));
  const __m128i samples = Load(row);
  const __m128i evens = _mm_and_si128(samples, lowByte);
  const __m128i nextEvens = _mm_insert_epi16(_mm_srli_si128(evens, 2), row[16], 7);
  const __m128i odds = _mm_srli_epi16(samples, 8);
  const __m128i filled = _mm_or_si128(_mm_and_si128(marked, _mm_avg_epu16(evens, nextEvens)),
                                      _mm_andnot_si128(marked, odds));
  Store(row, _mm_or_si128(evens, _mm_slli_epi16(filled, 8)));
  Store(marks, _mm_or_si128(bytes, _mm_and_si128(marked, _mm_set1_epi16(0x100))));
}

// Sixteen samples of an odd row from x, where map byte 2x (and so on) of either row is set.
void SixteenBetween(std::uint8_t* row, const std::uint8_t* above, const std::uint8_t* below,
                    const std::uint8_t* marksAbove, const std::uint8_t* marksBelow) {
  const __m128i lowByte = _mm_set1_epi16(0xFF);
  const auto gather = [&](const std::uint8_t* m) {
    return _mm_packus_epi16(_mm_and_si128(Load(m), lowByte), _mm_and_si128(Load(m + 16), lowByte));
  };
  const __m128i unmarked = _mm_cmpeq_epi8(_mm_or_si128(gather(marksAbove), gather(marksBelow)),
                                          _mm_setzero_si128());
  const __m128i mean = _mm_avg_epu8(Load(above), Load(below));
  Store(row, _mm_or_si128(_mm_and_si128(unmarked, Load(row)), _mm_andnot_si128(unmarked, mean)));
}

}  // namespace

void FillChromaByMapSse2(const stream::PlaneView& p, const stream::MapView& map) {
  const std::uint32_t last = p.lastColumn();
  for (std::uint32_t r = 0; r <= p.lastRow; r += 2) {
    std::uint8_t* marks = map.Row(2 * r);
    if (!marks) break;
    if (!AnyMarked(marks, 2 * std::size_t{last} + 1)) continue;
    std::uint8_t* row = p.Row(r);
    std::uint32_t x = 0;
    for (; x + 16 <= last; x += 16) EightPairs(row + x, marks + 2 * x);
    for (; x + 2 <= last; x += 2) {
      if (!marks[2 * x] && !marks[2 * x + 4]) continue;
      row[x + 1] = static_cast<std::uint8_t>((row[x] + row[x + 2] + 1) >> 1);
      marks[2 * x + 2] = 1;
    }
  }
  for (std::uint32_t r = 1; r < p.lastRow; r += 2) {
    const std::uint8_t* marksAbove = map.Row(2 * r - 2);
    const std::uint8_t* marksBelow = map.Row(2 * r + 2);
    if (!marksAbove) break;
    const std::size_t span = 2 * std::size_t{last} + 1;
    if (!AnyMarked(marksAbove, span) && !(marksBelow && AnyMarked(marksBelow, span))) continue;
    if (!marksBelow) marksBelow = marksAbove;
    const std::uint8_t* above = p.Row(r - 1);
    const std::uint8_t* below = p.Row(r + 1);
    std::uint8_t* row = p.Row(r);
    std::uint32_t x = 0;
    // The last group's marks reach map byte 2x + 31, which lies inside the row.
    for (; x + 16 < last + 1; x += 16) {
      SixteenBetween(row + x, above + x, below + x, marksAbove + 2 * x, marksBelow + 2 * x);
    }
    for (; x <= last; ++x) {
      if (marksAbove[2 * x] | marksBelow[2 * x]) {
        row[x] = static_cast<std::uint8_t>((above[x] + below[x] + 1) >> 1);
      }
    }
  }
}

void FillLumaByMapSse2(const stream::PlaneView& p, const stream::MapView& map) {
  const std::uint32_t last = p.lastColumn();
  for (std::uint32_t r = 0; r <= p.lastRow; r += 2) {
    std::uint8_t* marks = map.Row(r);
    if (!marks) break;
    if (!AnyMarked(marks, std::size_t{last} + 2)) continue;
    std::uint8_t* row = p.Row(r);
    std::uint32_t x = 1;
    // Whole groups while their last odd column lies before the plane's last column.
    for (; x + 15 <= last; x += 16) EightLumaPairs(row + x - 1, marks + x - 1);
    for (; x <= last; x += 2) {
      if (!marks[x - 1] && !marks[x + 1]) continue;
      row[x] = x < last ? static_cast<std::uint8_t>((row[x - 1] + row[x + 1] + 1) >> 1)
                        : row[x - 1];
      marks[x] = 1;
    }
  }
  FillLumaOddRows(p, map);
}

}  // namespace kvtc::pixels::finish
#endif
