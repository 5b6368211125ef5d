// Prediction costs with SSE2: two block rows in one register, the footprint's two samples
// averaged by the byte average (which rounds up, as the prediction does) and its four widened
// to 16 bits. The sum of differences comes from the sum-of-absolute-differences instruction,
// |a - b| from two saturating subtractions, "more than T" from a saturating subtraction of T
// that leaves something. Every row is counted: a sum that reaches `best` is still a sum of at
// least `best`, so stopping early would only save time.
#include "pixels/prediction_cost.h"
#include "pixels/simd_target.h"
#include "pixels/sse2_rows.h"

#if KVTC_X86
#include <emmintrin.h>

#include <algorithm>

namespace kvtc::pixels::encode {
namespace {

// Inlined: two to four predictions of each shape run in the loops below.
template <Footprint kShape>
[[gnu::always_inline]] inline __m128i Predict(const std::uint8_t* p, std::int32_t step,
                                              std::int32_t across, std::int32_t down) {
  const __m128i a = TwoRows(p, step);
  if constexpr (kShape == Footprint::kOne) return a;
  if constexpr (kShape == Footprint::kAcross) return _mm_avg_epu8(a, TwoRows(p + across, step));
  if constexpr (kShape == Footprint::kDown) return _mm_avg_epu8(a, TwoRows(p + down, step));
  if constexpr (kShape == Footprint::kFour) {
    const __m128i b = TwoRows(p + across, step);
    const __m128i c = TwoRows(p + down, step);
    const __m128i d = TwoRows(p + down + across, step);
    const __m128i zero = _mm_setzero_si128();
    const __m128i two = _mm_set1_epi16(2);
    const auto mean = [&](auto unpack) {
      const __m128i sum = _mm_add_epi16(_mm_add_epi16(unpack(a, zero), unpack(b, zero)),
                                        _mm_add_epi16(unpack(c, zero), unpack(d, zero)));
      return _mm_srli_epi16(_mm_add_epi16(sum, two), 2);
    };
    return _mm_packus_epi16(mean([](__m128i x, __m128i z) { return _mm_unpacklo_epi8(x, z); }),
                            mean([](__m128i x, __m128i z) { return _mm_unpackhi_epi8(x, z); }));
  }
}

__m128i Distance(__m128i a, __m128i b) {
  return _mm_or_si128(_mm_subs_epu8(a, b), _mm_subs_epu8(b, a));
}

__m128i Threshold(std::uint32_t threshold) {
  return _mm_set1_epi8(static_cast<char>(std::min<std::uint32_t>(threshold, 255)));
}

// 0xFF in the lanes at most T from their prediction, 0 in the others.
__m128i Within(__m128i distance, __m128i t) {
  return _mm_cmpeq_epi8(_mm_subs_epu8(distance, t), _mm_setzero_si128());
}

template <Footprint kShape>
PredictionSad Sum(const std::uint8_t* current, const std::uint8_t* source, std::int32_t stride,
                  std::int32_t across, std::int32_t down, std::uint32_t threshold) {
  __m128i sum = _mm_setzero_si128();
  __m128i largest = _mm_setzero_si128();
  for (int r = 1; r <= 8; r += 2) {
    const std::int32_t at = r * stride + 1;
    const __m128i c = TwoRows(current + at, stride);
    const __m128i p = Predict<kShape>(source + at, stride, across, down);
    sum = _mm_add_epi64(sum, _mm_sad_epu8(c, p));
    largest = _mm_max_epu8(largest, Distance(c, p));
  }
  sum = _mm_add_epi64(sum, _mm_unpackhi_epi64(sum, sum));
  return {static_cast<std::uint32_t>(_mm_cvtsi128_si32(sum)),
          _mm_movemask_epi8(Within(largest, Threshold(threshold))) == 0xFFFF};
}

// Rows 2 and 4, then 6 and 8, from column 2: the representatives are the even lanes. Each
// lane counts how often it was within T, and the sum of the even lanes' counts is taken from
// sixteen.
template <Footprint kShape>
std::uint32_t Count(const std::uint8_t* current, const std::uint8_t* source, std::int32_t stride,
                    std::int32_t across, std::int32_t down, std::uint32_t threshold) {
  const __m128i t = Threshold(threshold);
  const __m128i evenLanes = _mm_set1_epi16(0x0001);
  __m128i within = _mm_setzero_si128();
  for (int r = 2; r <= 6; r += 4) {
    const std::int32_t at = r * stride + 2;
    const __m128i c = TwoRows(current + at, 2 * stride);
    const __m128i p = Predict<kShape>(source + at, 2 * stride, across, down);
    within = _mm_add_epi8(within, _mm_and_si128(Within(Distance(c, p), t), evenLanes));
  }
  within = _mm_sad_epu8(within, _mm_setzero_si128());
  within = _mm_add_epi64(within, _mm_unpackhi_epi64(within, within));
  return 16 - static_cast<std::uint32_t>(_mm_cvtsi128_si32(within));
}

}  // namespace

void PredictBlock8x8Sse2(std::uint8_t* dest, const std::uint8_t* source, std::int32_t stride,
                         std::int32_t across, std::int32_t down) {
  ByFootprint(across, down, [&](auto shape) {
    for (int r = 1; r <= 8; r += 2) {
      const std::int32_t at = r * stride + 1;
      const __m128i p = Predict<shape.value>(source + at, stride, across, down);
      _mm_storel_epi64(reinterpret_cast<__m128i*>(dest + at), p);
      _mm_storel_epi64(reinterpret_cast<__m128i*>(dest + at + stride), _mm_unpackhi_epi64(p, p));
    }
  });
}

PredictionSad PredictionSad8x8Sse2(const std::uint8_t* current, const std::uint8_t* source,
                                   std::int32_t stride, std::int32_t across, std::int32_t down,
                                   std::uint32_t threshold, std::uint32_t) {
  return ByFootprint(across, down, [&](auto shape) {
    return Sum<shape.value>(current, source, stride, across, down, threshold);
  });
}

std::uint32_t CountChangedRepresentativesSse2(const std::uint8_t* current,
                                              const std::uint8_t* source, std::int32_t stride,
                                              std::int32_t across, std::int32_t down,
                                              std::uint32_t threshold, std::uint32_t) {
  return ByFootprint(across, down, [&](auto shape) {
    return Count<shape.value>(current, source, stride, across, down, threshold);
  });
}

}  // namespace kvtc::pixels::encode
#endif
