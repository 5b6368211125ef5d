// The finest refinement level with SSE2: samples g(r, 1..8) of a row in eight lanes. The Ls of
// the even rows come first, each from the row's own samples one lane either side; then every
// lane of an odd row is the average of the rows above and below it (an A in the even columns,
// a D in the odd ones). A lane takes part where its cell is flagged; the test is
// |current - average| > T from two saturating subtractions.
#include "pixels/finest_refinement.h"
#include "pixels/simd_target.h"

#if KVTC_X86
#include <emmintrin.h>

#include <algorithm>
#include <cstring>

namespace kvtc::pixels::encode {
namespace {

__m128i Load8(const std::uint8_t* p) {
  return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
}

// The eight lanes of cell row i: each of its four flags twice, as 0 or 0xFF.
__m128i CellLanes(const std::uint8_t* cells, int i) {
  std::int32_t four;
  std::memcpy(&four, cells + 4 * i, 4);
  const __m128i flags = _mm_cvtsi32_si128(four);
  return _mm_cmpgt_epi8(_mm_unpacklo_epi8(flags, flags), _mm_setzero_si128());
}

// The lanes of `active` whose sample differs from `average` by more than T take the current
// sample; the others of `active` take the average; the rest keep `old`. `sent` gets the lanes
// that took the current sample.
__m128i Test(__m128i old, __m128i average, __m128i current, __m128i active, __m128i t,
             __m128i& sent) {
  const __m128i distance =
      _mm_or_si128(_mm_subs_epu8(current, average), _mm_subs_epu8(average, current));
  const __m128i within = _mm_cmpeq_epi8(_mm_subs_epu8(distance, t), _mm_setzero_si128());
  sent = _mm_andnot_si128(within, active);
  const __m128i value =
      _mm_or_si128(_mm_and_si128(sent, current), _mm_andnot_si128(sent, average));
  return _mm_or_si128(_mm_and_si128(active, value), _mm_andnot_si128(active, old));
}

}  // namespace

std::uint64_t RefineFinest8x8Sse2(std::uint8_t* rec, const std::uint8_t* cur, std::int32_t stride,
                                  std::uint32_t threshold, const std::uint8_t* cells) {
  const __m128i t = _mm_set1_epi8(static_cast<char>(std::min<std::uint32_t>(threshold, 255)));
  // Lanes 0, 2, 4, 6 are columns 1, 3, 5, 7.
  const __m128i oddColumns = _mm_set1_epi16(0x00FF);
  std::uint64_t sent = 0;
  __m128i above = Load8(rec + 1);  // row 0
  for (int i = 0; i < 4; ++i) {
    const __m128i lanes = CellLanes(cells, i);
    // The Ls of row 2i + 2.
    std::uint8_t* even = rec + (2 * i + 2) * stride;
    const __m128i row = Load8(even + 1);
    const __m128i average = _mm_avg_epu8(Load8(even), _mm_srli_si128(row, 1));
    __m128i sentL;
    const __m128i below = Test(row, average, Load8(cur + (2 * i + 2) * stride + 1),
                               _mm_and_si128(lanes, oddColumns), t, sentL);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(even + 1), below);
    // The As and Ds of row 2i + 1.
    std::uint8_t* odd = rec + (2 * i + 1) * stride + 1;
    __m128i sentAD;
    const __m128i middle = Test(Load8(odd), _mm_avg_epu8(above, below),
                                Load8(cur + (2 * i + 1) * stride + 1), lanes, t, sentAD);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(odd), middle);
    const auto bits = static_cast<std::uint32_t>(
        _mm_movemask_epi8(_mm_unpacklo_epi64(sentAD, sentL)));
    sent |= std::uint64_t{bits} << (16 * i);
    above = below;
  }
  return sent;
}

}  // namespace kvtc::pixels::encode
#endif
