// Picture blending with SSE2 (16 bytes at a time) and AVX2 (32): the rounded means from byte
// averages, the rest of a picture through the plain kernel.
#include "pixels/picture_blend.h"
#include "pixels/simd_target.h"

#if KVTC_X86
#include <immintrin.h>

#include <cstring>

namespace kvtc::pixels::finish {
namespace {

// (3p + n + 2) >> 2: the mean of p and the mean of p and n rounded down.
__m128i Quarter(__m128i p, __m128i n) {
  const __m128i odd = _mm_and_si128(_mm_xor_si128(p, n), _mm_set1_epi8(1));
  return _mm_avg_epu8(p, _mm_sub_epi8(_mm_avg_epu8(p, n), odd));
}

template <Blend kBlend>
__m128i Mix(__m128i p, __m128i n) {
  if constexpr (kBlend == Blend::kQuarter) return Quarter(p, n);
  if constexpr (kBlend == Blend::kThreeQuarters) return Quarter(n, p);
  return _mm_avg_epu8(p, n);
}

template <Blend kBlend, bool kNibbles>
std::size_t BlendSse2(const std::uint8_t* previous, const std::uint8_t* next, std::uint8_t* shown,
                      std::size_t count) {
  const __m128i low = _mm_set1_epi8(15);
  std::size_t i = 0;
  for (; i + 16 <= count; i += 16) {
    const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(previous + i));
    const __m128i n = _mm_loadu_si128(reinterpret_cast<const __m128i*>(next + i));
    __m128i out;
    if constexpr (kNibbles) {
      // Nibble values stay below 16, so shifting 16-bit lanes by 4 keeps each in its byte.
      const __m128i high = Mix<kBlend>(_mm_and_si128(_mm_srli_epi16(p, 4), low),
                                       _mm_and_si128(_mm_srli_epi16(n, 4), low));
      out = _mm_or_si128(_mm_slli_epi16(high, 4),
                         Mix<kBlend>(_mm_and_si128(p, low), _mm_and_si128(n, low)));
    } else {
      out = Mix<kBlend>(p, n);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(shown + i), out);
  }
  return i;
}

KVTC_AVX2 __m256i Quarter(__m256i p, __m256i n) {
  const __m256i odd = _mm256_and_si256(_mm256_xor_si256(p, n), _mm256_set1_epi8(1));
  return _mm256_avg_epu8(p, _mm256_sub_epi8(_mm256_avg_epu8(p, n), odd));
}

template <Blend kBlend>
KVTC_AVX2 __m256i Mix(__m256i p, __m256i n) {
  if constexpr (kBlend == Blend::kQuarter) return Quarter(p, n);
  if constexpr (kBlend == Blend::kThreeQuarters) return Quarter(n, p);
  return _mm256_avg_epu8(p, n);
}

template <Blend kBlend, bool kNibbles>
KVTC_AVX2 std::size_t BlendAvx2(const std::uint8_t* previous, const std::uint8_t* next,
                                std::uint8_t* shown, std::size_t count) {
  const __m256i low = _mm256_set1_epi8(15);
  std::size_t i = 0;
  for (; i + 32 <= count; i += 32) {
    const __m256i p = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(previous + i));
    const __m256i n = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(next + i));
    __m256i out;
    if constexpr (kNibbles) {
      const __m256i high = Mix<kBlend>(_mm256_and_si256(_mm256_srli_epi16(p, 4), low),
                                       _mm256_and_si256(_mm256_srli_epi16(n, 4), low));
      out = _mm256_or_si256(_mm256_slli_epi16(high, 4),
                            Mix<kBlend>(_mm256_and_si256(p, low), _mm256_and_si256(n, low)));
    } else {
      out = Mix<kBlend>(p, n);
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(shown + i), out);
  }
  return i;
}

using BlendRun = std::size_t (*)(const std::uint8_t*, const std::uint8_t*, std::uint8_t*,
                                 std::size_t);
using PlainBlend = void (*)(Blend, const std::uint8_t*, const std::uint8_t*, std::uint8_t*,
                            std::size_t, const stream::ArithmeticTables&);

// The vector loop of `blend` from `runs` (quarter, half, three quarters), the plain kernel for
// the bytes after it. A whole step is a copy.
void Blend3(const BlendRun (&runs)[3], PlainBlend plain, Blend blend, const std::uint8_t* previous,
            const std::uint8_t* next, std::uint8_t* shown, std::size_t count,
            const stream::ArithmeticTables& t) {
  if (blend == Blend::kWhole) {
    if (count) std::memcpy(shown, next, count);
    return;
  }
  const std::size_t done = runs[static_cast<int>(blend)](previous, next, shown, count);
  plain(blend, previous + done, next + done, shown + done, count - done, t);
}


constexpr BlendRun kBytesSse2[3] = {BlendSse2<Blend::kQuarter, false>,
                                    BlendSse2<Blend::kHalf, false>,
                                    BlendSse2<Blend::kThreeQuarters, false>};
constexpr BlendRun kNibblesSse2[3] = {BlendSse2<Blend::kQuarter, true>,
                                      BlendSse2<Blend::kHalf, true>,
                                      BlendSse2<Blend::kThreeQuarters, true>};
constexpr BlendRun kBytesAvx2[3] = {BlendAvx2<Blend::kQuarter, false>,
                                    BlendAvx2<Blend::kHalf, false>,
                                    BlendAvx2<Blend::kThreeQuarters, false>};
constexpr BlendRun kNibblesAvx2[3] = {BlendAvx2<Blend::kQuarter, true>,
                                      BlendAvx2<Blend::kHalf, true>,
                                      BlendAvx2<Blend::kThreeQuarters, true>};

}  // namespace

void BlendBytesSse2(Blend blend, const std::uint8_t* previous, const std::uint8_t* next,
                    std::uint8_t* shown, std::size_t count, const stream::ArithmeticTables& t) {
  Blend3(kBytesSse2, BlendBytes, blend, previous, next, shown, count, t);
}
void BlendNibblesSse2(Blend blend, const std::uint8_t* previous, const std::uint8_t* next,
                      std::uint8_t* shown, std::size_t count, const stream::ArithmeticTables& t) {
  Blend3(kNibblesSse2, BlendNibbles, blend, previous, next, shown, count, t);
}
void BlendBytesAvx2(Blend blend, const std::uint8_t* previous, const std::uint8_t* next,
                    std::uint8_t* shown, std::size_t count, const stream::ArithmeticTables& t) {
  Blend3(kBytesAvx2, BlendBytes, blend, previous, next, shown, count, t);
}
void BlendNibblesAvx2(Blend blend, const std::uint8_t* previous, const std::uint8_t* next,
                      std::uint8_t* shown, std::size_t count, const stream::ArithmeticTables& t) {
  Blend3(kNibblesAvx2, BlendNibbles, blend, previous, next, shown, count, t);
}

}  // namespace kvtc::pixels::finish
#endif
