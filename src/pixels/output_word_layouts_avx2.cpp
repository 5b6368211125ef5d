// The word layouts (15-bit, 3-3-2, colour cube) with AVX2: sixteen pixels at a time in
// integer forms of their tables, the last ones through copies so that nothing past the row is
// read or written. Stores of words not yet through a gamma count each field's level from
// compares against the gamma's steps; keeping stores give back the words their pixels stand
// for, so that half-resolution output need not load them again.
#include "pixels/output_rgb_rows.h"
#include "pixels/output_sums_avx2.h"
#include "pixels/simd_target.h"

#if KVTC_X86
#include <immintrin.h>

#include <algorithm>
#include <cstring>
#include <utility>

namespace kvtc::pixels::output {
namespace {

using Vec = __m256i;

KVTC_AVX2 Vec LoadWords(const std::uint32_t* px) {
  return _mm256_loadu_si256(reinterpret_cast<const Vec*>(px));
}
KVTC_AVX2 void StoreWords(std::uint32_t* px, Vec v) {
  _mm256_storeu_si256(reinterpret_cast<Vec*>(px), v);
}

// Sixteen 16-bit lanes (each below 256) as sixteen bytes in order.
KVTC_AVX2 __m128i Bytes(Vec lanes) {
  return _mm256_castsi256_si128(
      _mm256_permute4x64_epi64(_mm256_packus_epi16(lanes, lanes), 0x08));
}

// Sixteen 16-bit lanes holding red << 16... as words: low lanes the blue-green pairs, high the
// red bytes.
KVTC_AVX2 void Words(Vec blueGreen, Vec red, std::uint32_t* out) {
  const Vec lo = _mm256_unpacklo_epi16(blueGreen, red), hi = _mm256_unpackhi_epi16(blueGreen, red);
  StoreWords(out, _mm256_permute2x128_si256(lo, hi, 0x20));
  StoreWords(out + 8, _mm256_permute2x128_si256(lo, hi, 0x31));
}

// Runs `sixteen(src, dst)` over n pixels of `inBytes` in and `outBytes` out each; the last
// partial group through zeroed copies.
template <std::uint32_t kIn, std::uint32_t kOut, class Sixteen>
KVTC_AVX2 inline void Groups(const std::uint8_t* src, std::uint32_t n, std::uint8_t* dst,
                             Sixteen sixteen) {
  std::uint32_t i = 0;
  for (; i + 16 <= n; i += 16) sixteen(src + kIn * i, dst + kOut * i);
  if (i == n) return;
  alignas(32) std::uint8_t in[16 * kIn] = {}, out[16 * kOut];
  std::memcpy(in, src + kIn * i, kIn * (n - i));
  sixteen(in, out);
  std::memcpy(dst + kOut * i, out, kOut * (n - i));
}

// Runs `sixteen(words, dst, kept)` over n pixels of kOut output bytes each, with `kept` (where
// not null) given back the words the stored pixels stand for; the last partial group through
// copies.
template <std::uint32_t kOut, class Sixteen>
KVTC_AVX2 inline void KeepGroups(const std::uint32_t* px, std::uint32_t n, std::uint8_t* dst,
                                 std::uint32_t* kept, Sixteen sixteen) {
  std::uint32_t i = 0;
  for (; i + 16 <= n; i += 16) sixteen(px + i, dst + kOut * i, kept ? kept + i : nullptr);
  if (i == n) return;
  alignas(32) std::uint32_t in[16] = {}, words[16];
  std::uint8_t out[16 * kOut];
  std::memcpy(in, px + i, 4 * (n - i));
  sixteen(in, out, kept ? words : nullptr);
  std::memcpy(dst + kOut * i, out, kOut * (n - i));
  if (kept) std::memcpy(kept + i, words, 4 * (n - i));
}

// Sixteen indices from two vectors of eight 32-bit ones.
KVTC_AVX2 void StoreIndices(Vec first, Vec second, std::uint8_t* d) {
  const Vec index = _mm256_permute4x64_epi64(_mm256_packus_epi32(first, second), 0xD8);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(d), Bytes(index));
}

KVTC_AVX2 void Load555(const std::uint8_t* src, std::uint32_t n, const DecoderTables&,
                       std::uint32_t* out) {
  Groups<2, 4>(src, n, reinterpret_cast<std::uint8_t*>(out),
               [](const std::uint8_t* s, std::uint8_t* d) KVTC_AVX2 {
                 for (int half = 0; half < 2; ++half) {
                   const Vec x = _mm256_cvtepu16_epi32(
                       _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 16 * half)));
                   const Vec w = _mm256_or_si256(
                       _mm256_or_si256(
                           _mm256_slli_epi32(_mm256_and_si256(x, _mm256_set1_epi32(0x7C00)), 9),
                           _mm256_slli_epi32(_mm256_and_si256(x, _mm256_set1_epi32(0x03E0)), 6)),
                       _mm256_slli_epi32(_mm256_and_si256(x, _mm256_set1_epi32(0x001F)), 3));
                   _mm256_storeu_si256(reinterpret_cast<Vec*>(d + 32 * half), w);
                 }
               });
}

KVTC_AVX2 Vec Pack555(Vec w) {
  return _mm256_or_si256(
      _mm256_or_si256(_mm256_and_si256(_mm256_srli_epi32(w, 9), _mm256_set1_epi32(0x7C00)),
                      _mm256_and_si256(_mm256_srli_epi32(w, 6), _mm256_set1_epi32(0x03E0))),
      _mm256_and_si256(_mm256_srli_epi32(w, 3), _mm256_set1_epi32(0x001F)));
}

KVTC_AVX2 void Store555(const std::uint32_t* px, std::uint32_t n, Place, const DecoderTables&,
                        std::uint8_t* dst) {
  Groups<4, 2>(reinterpret_cast<const std::uint8_t*>(px), n, dst,
               [](const std::uint8_t* s, std::uint8_t* d) KVTC_AVX2 {
                 const auto* w = reinterpret_cast<const std::uint32_t*>(s);
                 const Vec packed = _mm256_packus_epi32(Pack555(LoadWords(w)),
                                                        Pack555(LoadWords(w + 8)));
                 _mm256_storeu_si256(reinterpret_cast<Vec*>(d),
                                     _mm256_permute4x64_epi64(packed, 0xD8));
               });
}

// Store555 giving back the words its fields stand for: each component's top five bits.
KVTC_AVX2 void Store555Keep(const std::uint32_t* px, std::uint32_t n, Place at,
                            const DecoderTables& t, std::uint8_t* dst, std::uint32_t* kept) {
  Store555(px, n, at, t, dst);
  std::uint32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    StoreWords(kept + i, _mm256_and_si256(LoadWords(px + i), _mm256_set1_epi32(0x00F8F8F8)));
  }
  for (; i < n; ++i) kept[i] = px[i] & 0x00F8F8F8u;
}

KVTC_AVX2 void Load332(const std::uint8_t* src, std::uint32_t n, const DecoderTables&,
                       std::uint32_t* out) {
  Groups<1, 4>(src, n, reinterpret_cast<std::uint8_t*>(out),
               [](const std::uint8_t* s, std::uint8_t* d) KVTC_AVX2 {
                 for (int half = 0; half < 2; ++half) {
                   const Vec a = _mm256_cvtepu8_epi32(
                       _mm_loadl_epi64(reinterpret_cast<const __m128i*>(s + 8 * half)));
                   const Vec w = _mm256_or_si256(
                       _mm256_or_si256(
                           _mm256_slli_epi32(_mm256_and_si256(a, _mm256_set1_epi32(0xE0)), 16),
                           _mm256_slli_epi32(_mm256_and_si256(a, _mm256_set1_epi32(0x1C)), 11)),
                       _mm256_slli_epi32(_mm256_and_si256(a, _mm256_set1_epi32(0x03)), 6));
                   _mm256_storeu_si256(reinterpret_cast<Vec*>(d + 32 * half), w);
                 }
               });
}

// Eight 3-3-2 indices as 32-bit lanes, from words taken as 16-bit lanes (blue, red) and
// (green, 0): red and green levels min(7, (c + 16) >> 5), blue min(3, (c + 32) >> 6) (the
// shifts as the high halves of products). With kKeep also the words the indices stand for
// (as Load332 gives them).
template <bool kKeep>
KVTC_AVX2 inline Vec Index332Eight(Vec words, std::uint32_t* kept) {
  const Vec bytes = _mm256_set1_epi32(0x00FF00FF);
  const Vec blueRed = _mm256_min_epi16(
      _mm256_mulhi_epu16(
          _mm256_add_epi16(_mm256_and_si256(words, bytes), _mm256_set1_epi32(16 << 16 | 32)),
          _mm256_set1_epi32(2048 << 16 | 1024)),
      _mm256_set1_epi32(7 << 16 | 3));
  const Vec green = _mm256_min_epi16(
      _mm256_srli_epi16(_mm256_add_epi16(_mm256_and_si256(_mm256_srli_epi32(words, 8), bytes),
                                         _mm256_set1_epi16(16)),
                        5),
      _mm256_set1_epi16(7));
  if constexpr (kKeep) {
    StoreWords(kept, _mm256_or_si256(_mm256_mullo_epi16(blueRed, _mm256_set1_epi32(32 << 16 | 64)),
                                     _mm256_slli_epi32(green, 13)));
  }
  return _mm256_add_epi32(_mm256_madd_epi16(blueRed, _mm256_set1_epi32(32 << 16 | 1)),
                          _mm256_madd_epi16(green, _mm256_set1_epi32(4)));
}

template <bool kKeep>
KVTC_AVX2 void Store332Words(const std::uint32_t* px, std::uint32_t n, std::uint8_t* dst,
                             std::uint32_t* kept) {
  KeepGroups<1>(px, n, dst, kept,
                    [](const std::uint32_t* w, std::uint8_t* d, std::uint32_t* k) KVTC_AVX2 {
                      StoreIndices(Index332Eight<kKeep>(LoadWords(w), k),
                                   Index332Eight<kKeep>(LoadWords(w + 8), kKeep ? k + 8 : nullptr),
                                   d);
                    });
}

KVTC_AVX2 void Store332(const std::uint32_t* px, std::uint32_t n, Place, const DecoderTables&,
                        std::uint8_t* dst) {
  Store332Words<false>(px, n, dst, nullptr);
}

KVTC_AVX2 void Store332Keep(const std::uint32_t* px, std::uint32_t n, Place,
                            const DecoderTables&, std::uint8_t* dst, std::uint32_t* kept) {
  Store332Words<true>(px, n, dst, kept);
}

KVTC_AVX2 void LoadCube(const std::uint8_t* src, std::uint32_t n, const DecoderTables&,
                        std::uint32_t* out) {
  Groups<1, 4>(src, n, reinterpret_cast<std::uint8_t*>(out),
               [](const std::uint8_t* s, std::uint8_t* d) KVTC_AVX2 {
                 const Vec index =
                     _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s)));
                 // The nearest cube entry: 0..215 from 26 + r + 6g + 36b.
                 const Vec e = _mm256_min_epu16(_mm256_subs_epu16(index, _mm256_set1_epi16(26)),
                                                _mm256_set1_epi16(215));
                 const Vec six = _mm256_set1_epi16(6), unit = _mm256_set1_epi16(51);
                 const Vec sixth = _mm256_set1_epi16(kCubeSixthFactor);
                 const Vec q = _mm256_mulhi_epu16(e, sixth);
                 const Vec red = _mm256_sub_epi16(e, _mm256_mullo_epi16(q, six));
                 const Vec green =
                     _mm256_sub_epi16(q, _mm256_mullo_epi16(_mm256_mulhi_epu16(q, sixth), six));
                 const Vec blue =
                     _mm256_mulhi_epu16(e, _mm256_set1_epi16(kCubeThirtySixthFactor));
                 const Vec blueGreen = _mm256_or_si256(
                     _mm256_mullo_epi16(blue, unit),
                     _mm256_slli_epi16(_mm256_mullo_epi16(green, unit), 8));
                 Words(blueGreen, _mm256_mullo_epi16(red, unit),
                       reinterpret_cast<std::uint32_t*>(d));
               });
}

// The cube store's lift 50 - threshold of sixteen pixels from a column that is a multiple of
// 16, pixels 0-7 and 8-15 each as the two 16-bit halves of a 32-bit lane.
struct CubeLifts {
  Vec low, high;
};

KVTC_AVX2 Vec LiftPairs(Vec threshold) {
  const Vec lift = _mm256_sub_epi32(_mm256_set1_epi32(50), threshold);
  return _mm256_or_si256(lift, _mm256_slli_epi32(lift, 16));
}

KVTC_AVX2 CubeLifts CubeLift(const DecoderTables& t, Place at) {
  const std::int32_t* row = t.dither[at.y % 16];
  Vec low = _mm256_loadu_si256(reinterpret_cast<const Vec*>(row));  // columns 0-7
  Vec high = _mm256_loadu_si256(reinterpret_cast<const Vec*>(row + 8));
  if (at.step == 2) {  // columns 0, 2, ..., 14 (or 1, 3, ..., 15 from an odd column) twice
    const Vec pick = at.x % 2 ? _mm256_setr_epi32(1, 3, 5, 7, 0, 2, 4, 6)
                              : _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7);
    low = _mm256_permute2x128_si256(_mm256_permutevar8x32_epi32(low, pick),
                                    _mm256_permutevar8x32_epi32(high, pick), 0x20);
    high = low;
  }
  return {LiftPairs(low), LiftPairs(high)};
}

// Eight cube indices less 26 as 32-bit lanes, from words taken as 16-bit lanes (blue, red)
// and (green, 0): each level (c + lift) / 51. With kKeep also the words the indices stand for
// (as LoadCube gives them).
template <bool kKeep>
KVTC_AVX2 inline Vec CubeEight(Vec words, Vec lift, std::uint32_t* kept) {
  const Vec bytes = _mm256_set1_epi32(0x00FF00FF);
  const Vec factor = _mm256_set1_epi16(kCubeLevelFactor);
  const Vec blueRed = _mm256_mulhi_epu16(
      _mm256_add_epi16(_mm256_and_si256(words, bytes), lift), factor);
  const Vec green = _mm256_mulhi_epu16(
      _mm256_add_epi16(_mm256_and_si256(_mm256_srli_epi32(words, 8), bytes), lift), factor);
  if constexpr (kKeep) {
    const Vec unit = _mm256_set1_epi16(51);
    StoreWords(kept, _mm256_or_si256(_mm256_mullo_epi16(blueRed, unit),
                                     _mm256_slli_epi32(_mm256_mullo_epi16(green, unit), 8)));
  }
  // The green lane's upper half (a sample of 0 lifted) weighs nothing.
  return _mm256_add_epi32(_mm256_madd_epi16(blueRed, _mm256_set1_epi32(1 << 16 | 36)),
                          _mm256_madd_epi16(green, _mm256_set1_epi32(6)));
}

template <bool kKeep>
KVTC_AVX2 void StoreCubeWords(const std::uint32_t* px, std::uint32_t n, Place at,
                              const DecoderTables& t, std::uint8_t* dst, std::uint32_t* kept) {
  const CubeLifts lift = CubeLift(t, at);
  KeepGroups<1>(px, n, dst, kept,
                    [lift](const std::uint32_t* w, std::uint8_t* d, std::uint32_t* k) KVTC_AVX2 {
                      const Vec first = CubeEight<kKeep>(LoadWords(w), lift.low, k);
                      const Vec second =
                          CubeEight<kKeep>(LoadWords(w + 8), lift.high, kKeep ? k + 8 : nullptr);
                      StoreIndices(_mm256_add_epi32(first, _mm256_set1_epi32(26)),
                                   _mm256_add_epi32(second, _mm256_set1_epi32(26)), d);
                    });
}

KVTC_AVX2 void StoreCube(const std::uint32_t* px, std::uint32_t n, Place at,
                         const DecoderTables& t, std::uint8_t* dst) {
  StoreCubeWords<false>(px, n, at, t, dst, nullptr);
}

KVTC_AVX2 void StoreCubeKeep(const std::uint32_t* px, std::uint32_t n, Place at,
                             const DecoderTables& t, std::uint8_t* dst, std::uint32_t* kept) {
  StoreCubeWords<true>(px, n, at, t, dst, kept);
}

// The gamma folded into the stores (GammaFold): each field level counted from compares of the
// flipped samples against the steps.
KVTC_AVX2 Vec Flipped(Vec v) {
  return _mm256_xor_si256(v, _mm256_set1_epi32(static_cast<int>(0x80808080u)));
}

// Each byte's level counted over `count` step vectors.
KVTC_AVX2 Vec CountSteps(Vec flipped, const Vec* steps, int count) {
  Vec level = _mm256_setzero_si256();
  for (int k = 0; k < count; ++k) {
    level = _mm256_sub_epi8(level, _mm256_cmpgt_epi8(flipped, steps[k]));
  }
  return level;
}

// Each word's byte levels weighted by the bytes of `weights` (the top one 0) and summed, then
// sixteen sums as 16-bit lanes in pixel order; `high` weighs the red byte's product again
// (the 15-bit red field's shift does not fit a byte).
KVTC_AVX2 Vec WeighLevels(Vec first, Vec second, std::uint32_t weights, int high) {
  const Vec w = _mm256_set1_epi32(static_cast<int>(weights));
  const Vec pair = _mm256_set1_epi32(high << 16 | 1);
  const Vec a = _mm256_madd_epi16(_mm256_maddubs_epi16(first, w), pair);
  const Vec b = _mm256_madd_epi16(_mm256_maddubs_epi16(second, w), pair);
  return _mm256_permute4x64_epi64(_mm256_packus_epi32(a, b), 0xD8);
}

KVTC_AVX2 Vec Broadcast16(const std::uint8_t* sixteen) {
  return _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(sixteen)));
}

// 15-bit fields found bit by bit, the step of each bit looked up by the bits above it (a top
// byte of 0 is above no step: its field stays 0); the words they stand for are the fields
// times 8.
KVTC_AVX2 void Store555Gamma(const std::uint32_t* px, std::uint32_t n, Place,
                             const GammaFold& g, std::uint8_t* dst, std::uint32_t* kept) {
  const Vec table[5] = {Broadcast16(g.bits555[0]), Broadcast16(g.bits555[1]),
                        Broadcast16(g.bits555[2]), Broadcast16(g.bits555[3]),
                        Broadcast16(g.bits555[4])};
  const auto fields = [&table](const std::uint32_t* w, std::uint32_t* k) KVTC_AVX2 {
    const Vec x = Flipped(LoadWords(w));
    Vec field = _mm256_setzero_si256();
    for (int b = 4; b >= 0; --b) {
      const Vec step = _mm256_shuffle_epi8(table[b], field);
      field = _mm256_sub_epi8(_mm256_add_epi8(field, field), _mm256_cmpgt_epi8(x, step));
    }
    if (k) StoreWords(k, _mm256_slli_epi16(field, 3));
    return field;
  };
  KeepGroups<2>(px, n, dst, kept,
                [&fields](const std::uint32_t* w, std::uint8_t* d, std::uint32_t* k) KVTC_AVX2 {
                  const Vec words = WeighLevels(fields(w, k), fields(w + 8, k ? k + 8 : nullptr),
                                                0x00012001u, 1 << 10);
                  _mm256_storeu_si256(reinterpret_cast<Vec*>(d), words);
                });
}

// Byte levels through a 16-entry table into the words they stand for.
KVTC_AVX2 void KeepLevels(std::uint32_t* k, Vec levels, Vec table) {
  if (k) StoreWords(k, _mm256_shuffle_epi8(table, levels));
}

// 3-3-2 fields: blue + 4 green + 32 red; they stand for blue * 64, green and red * 32 (the
// table's entries from 8 on are blue's).
KVTC_AVX2 void Store332Gamma(const std::uint32_t* px, std::uint32_t n, Place,
                             const GammaFold& g, std::uint8_t* dst, std::uint32_t* kept) {
  Vec step[7];
  for (int k = 0; k < 7; ++k) step[k] = _mm256_set1_epi32(static_cast<int>(g.levels332[k]));
  const auto levels = [&step](const std::uint32_t* w, std::uint32_t* k) KVTC_AVX2 {
    const Vec level = CountSteps(Flipped(LoadWords(w)), step, 7);
    const Vec table = _mm256_setr_epi8(0, 32, 64, 96, -128, -96, -64, -32, 0, 64, -128, -64, 0,
                                       0, 0, 0, 0, 32, 64, 96, -128, -96, -64, -32, 0, 64, -128,
                                       -64, 0, 0, 0, 0);
    KeepLevels(k, _mm256_add_epi8(level, _mm256_set1_epi32(8)), table);
    return level;
  };
  KeepGroups<1>(px, n, dst, kept,
                [&levels](const std::uint32_t* w, std::uint8_t* d, std::uint32_t* k) KVTC_AVX2 {
                  const Vec index = WeighLevels(levels(w, k), levels(w + 8, k ? k + 8 : nullptr),
                                                0x00200401u, 1);
                  _mm_storeu_si128(reinterpret_cast<__m128i*>(d), Bytes(index));
                });
}

// Colour-cube indices 26 + red + 6 green + 36 blue, each pixel's steps at its own dither
// threshold; the levels stand for 51 times themselves.
KVTC_AVX2 void StoreCubeGamma(const std::uint32_t* px, std::uint32_t n, Place at,
                              const GammaFold& g, std::uint8_t* dst, std::uint32_t* kept) {
  const auto& steps = g.cube[at.y % 16][at.step - 1];
  Vec step[2][5];
  for (int half = 0; half < 2; ++half) {
    for (int k = 0; k < 5; ++k) {
      step[half][k] = _mm256_load_si256(reinterpret_cast<const Vec*>(steps[k] + 8 * half));
    }
  }
  const auto levels = [&step](const std::uint32_t* w, int half, std::uint32_t* k) KVTC_AVX2 {
    const Vec level = CountSteps(Flipped(LoadWords(w)), step[half], 5);
    KeepLevels(k, level,
               _mm256_broadcastsi128_si256(_mm_setr_epi8(0, 51, 102, -103, -52, -1, 0, 0, 0, 0,
                                                         0, 0, 0, 0, 0, 0)));
    return level;
  };
  KeepGroups<1>(px, n, dst, kept,
                [&levels](const std::uint32_t* w, std::uint8_t* d, std::uint32_t* k) KVTC_AVX2 {
                  const Vec index = _mm256_add_epi16(
                      WeighLevels(levels(w, 0, k), levels(w + 8, 1, k ? k + 8 : nullptr),
                                  0x00010624u, 1),
                      _mm256_set1_epi16(26));
                  _mm_storeu_si128(reinterpret_cast<__m128i*>(d), Bytes(index));
                });
}

// Straight from luma samples and chroma terms (the layouts' convert and convertGamma): n
// pixels as RgbRowKernels::pixels takes them, thirty-two at a time, `pair(first, second, dst,
// kept, both)` getting the luma and chroma terms of pixels 0-15 and 16-31 as 16-bit lanes, so
// that each colour sum is their unclamped total; a last sixteen runs as the first of a pair
// (both false), a last few through copies.
struct Sums16 {
  Vec l, r, g, b;
};

// Pixels i to n - 1 (fewer than kWidth) through `run` on zeroed copies of their samples and
// terms, with room for kWidth pixels, and copies of what it writes.
template <std::uint32_t kOut, unsigned kStep, std::uint32_t kWidth, class Run>
KVTC_AVX2 inline void ConvertTail(const std::uint8_t* luma, ChromaRow t, std::uint32_t i,
                                  std::uint32_t n, std::uint8_t* dst, std::uint32_t* kept,
                                  const Run& run) {
  constexpr std::uint32_t kPerBlock = 3 - kStep;
  const std::uint32_t rest = n - i, b = i / kPerBlock, blocks = (rest + kPerBlock - 1) / kPerBlock;
  alignas(32) std::uint8_t y[2 * kWidth] = {};
  alignas(32) std::int16_t red[kWidth] = {}, green[kWidth] = {}, blue[kWidth] = {};
  alignas(32) std::uint8_t out[kWidth * kOut];
  alignas(32) std::uint32_t words[kWidth];
  std::memcpy(y, luma + kStep * i, kStep * (rest - 1) + 1);
  std::memcpy(red, t.red + b, 2 * blocks);
  std::memcpy(green, t.green + b, 2 * blocks);
  std::memcpy(blue, t.blue + b, 2 * blocks);
  run(y, red, green, blue, out, kept ? words : nullptr);
  std::memcpy(dst + kOut * i, out, kOut * rest);
  if (kept) std::memcpy(kept + i, words, 4 * rest);
}


template <std::uint32_t kOut, unsigned kStep, class Pair>
KVTC_AVX2 inline void ConvertPairsOf(const std::uint8_t* luma, ChromaRow t, std::uint32_t n,
                                     std::uint8_t* dst, std::uint32_t* kept, const Pair& pair) {
  constexpr std::uint32_t kPerBlock = 3 - kStep;
  const auto sums = [](const std::uint8_t* y, const std::int16_t* red, const std::int16_t* green,
                       const std::int16_t* blue) KVTC_AVX2 {
    return Sums16{LumaTerms16(y, kStep), BlockTerms16(red, kStep), BlockTerms16(green, kStep),
                  BlockTerms16(blue, kStep)};
  };
  const auto run = [&](const std::uint8_t* y, const std::int16_t* red, const std::int16_t* green,
                       const std::int16_t* blue, std::uint8_t* d, std::uint32_t* k) KVTC_AVX2 {
    constexpr std::uint32_t kHalf = 16 / kPerBlock;  // the second sixteen's first block
    pair(sums(y, red, green, blue),
         sums(y + 16 * kStep, red + kHalf, green + kHalf, blue + kHalf), d, k, true);
  };
  std::uint32_t i = 0;
  // With step 2 a vector's luma reaches the sample after its last pixel's.
  for (; i + 32 <= n; i += 32) {
    const std::uint32_t b = i / kPerBlock;
    run(luma + kStep * i, t.red + b, t.green + b, t.blue + b, dst + kOut * i,
        kept ? kept + i : nullptr);
  }
  if (i + 16 <= n) {  // sixteen more, as both halves of a pair
    const std::uint32_t b = i / kPerBlock;
    alignas(32) std::uint8_t out[32 * kOut];
    alignas(32) std::uint32_t words[32];
    const Sums16 sixteen = sums(luma + kStep * i, t.red + b, t.green + b, t.blue + b);
    pair(sixteen, sixteen, out, kept ? words : nullptr, false);
    std::memcpy(dst + kOut * i, out, 16 * kOut);
    if (kept) std::memcpy(kept + i, words, 4 * 16);
    i += 16;
  }
  if (i < n) ConvertTail<kOut, kStep, 32>(luma, t, i, n, dst, kept, run);
}

template <std::uint32_t kOut, class Pair>
KVTC_AVX2 inline void ConvertPairs(const std::uint8_t* luma, unsigned step, ChromaRow t,
                                   std::uint32_t n, std::uint8_t* dst, std::uint32_t* kept,
                                   const Pair& pair) {
  if (step == 1) return ConvertPairsOf<kOut, 1>(luma, t, n, dst, kept, pair);
  ConvertPairsOf<kOut, 2>(luma, t, n, dst, kept, pair);
}

// A kernel of sixteen pixels, `sixteen(sums, dst, kept)`, run on pairs.
template <std::uint32_t kOut, class Sixteen>
KVTC_AVX2 inline auto AsPair(const Sixteen& sixteen) {
  return [&sixteen](const Sums16& a, const Sums16& b, std::uint8_t* d, std::uint32_t* k,
                    bool both) KVTC_AVX2 {
    sixteen(a, d, k);
    if (both) sixteen(b, d + 16 * kOut, k ? k + 16 : nullptr);
  };
}

// A level from sums in 16-bit lanes: min(top, max(0, sum >> shift)).
template <int kShift, int kTop>
KVTC_AVX2 inline Vec ClampedLevel(Vec sum) {
  return _mm256_min_epi16(_mm256_max_epi16(_mm256_srai_epi16(sum, kShift), _mm256_setzero_si256()),
                          _mm256_set1_epi16(kTop));
}

// 15-bit fields: each sum clamped and shifted, sum >> 3 within 0..31.
KVTC_AVX2 void Convert555(const std::uint8_t* luma, unsigned step, ChromaRow terms,
                          std::uint32_t n, Place, const DecoderTables&, std::uint8_t* dst,
                          std::uint32_t* kept) {
  ConvertPairs<2>(luma, step, terms, n, dst, kept,
                  AsPair<2>([](const Sums16& s, std::uint8_t* d, std::uint32_t* k) KVTC_AVX2 {
                     const Vec red = ClampedLevel<3, 31>(_mm256_add_epi16(s.l, s.r));
                     const Vec green = ClampedLevel<3, 31>(_mm256_add_epi16(s.l, s.g));
                     const Vec blue = ClampedLevel<3, 31>(_mm256_add_epi16(s.l, s.b));
                     _mm256_storeu_si256(
                         reinterpret_cast<Vec*>(d),
                         _mm256_or_si256(_mm256_or_si256(_mm256_slli_epi16(red, 10),
                                                         _mm256_slli_epi16(green, 5)),
                                         blue));
                     if (k) {
                       Words(_mm256_or_si256(_mm256_slli_epi16(blue, 3),
                                             _mm256_slli_epi16(green, 11)),
                             _mm256_slli_epi16(red, 3), k);
                     }
                   }));
}

// 3-3-2 fields: red and green (sum + 16) >> 5 within 0..7, blue (sum + 32) >> 6 within 0..3.
KVTC_AVX2 void Convert332(const std::uint8_t* luma, unsigned step, ChromaRow terms,
                          std::uint32_t n, Place, const DecoderTables&, std::uint8_t* dst,
                          std::uint32_t* kept) {
  ConvertPairs<1>(luma, step, terms, n, dst, kept,
                  AsPair<1>([](const Sums16& s, std::uint8_t* d, std::uint32_t* k) KVTC_AVX2 {
                     const Vec l16 = _mm256_add_epi16(s.l, _mm256_set1_epi16(16));
                     const Vec red = ClampedLevel<5, 7>(_mm256_add_epi16(l16, s.r));
                     const Vec green = ClampedLevel<5, 7>(_mm256_add_epi16(l16, s.g));
                     const Vec blue = ClampedLevel<6, 3>(
                         _mm256_add_epi16(_mm256_add_epi16(l16, _mm256_set1_epi16(16)), s.b));
                     const Vec index = _mm256_or_si256(
                         _mm256_or_si256(_mm256_slli_epi16(red, 5), _mm256_slli_epi16(green, 2)),
                         blue);
                     _mm_storeu_si128(reinterpret_cast<__m128i*>(d), Bytes(index));
                     if (k) {
                       Words(_mm256_or_si256(_mm256_slli_epi16(blue, 6),
                                             _mm256_slli_epi16(green, 13)),
                             _mm256_slli_epi16(red, 5), k);
                     }
                   }));
}

// Colour-cube indices 26 + red + 6 green + 36 blue, each level (c + lift) / 51 in its integer
// form, with the lift 50 - threshold of each pixel's dither position added to the luma term
// once: below a sum of 0 the form gives at most 0, above 255 at least 5.
KVTC_AVX2 void ConvertCube(const std::uint8_t* luma, unsigned step, ChromaRow terms,
                           std::uint32_t n, Place at, const DecoderTables& t, std::uint8_t* dst,
                           std::uint32_t* kept) {
  // The lifts of sixteen pixels as 16-bit lanes in pixel order: the row's thresholds, with step
  // 2 those of every second column from at.x twice.
  const std::int32_t* row = t.dither[at.y % 16];
  Vec threshold = _mm256_permute4x64_epi64(
      _mm256_packs_epi32(_mm256_loadu_si256(reinterpret_cast<const Vec*>(row)),
                         _mm256_loadu_si256(reinterpret_cast<const Vec*>(row + 8))),
      0xD8);
  if (at.step == 2) {
    const char first = static_cast<char>(2 * (at.x % 2));  // the 16-bit lane's low byte
    const __m128i pick = _mm_add_epi8(
        _mm_setr_epi8(0, 1, 4, 5, 8, 9, 12, 13, 0, 1, 4, 5, 8, 9, 12, 13), _mm_set1_epi8(first));
    threshold = _mm256_permute4x64_epi64(
        _mm256_shuffle_epi8(threshold, _mm256_broadcastsi128_si256(pick)), 0x88);
  }
  const Vec lift = _mm256_sub_epi16(_mm256_set1_epi16(50), threshold);
  ConvertPairs<1>(
      luma, step, terms, n, dst, kept,
      AsPair<1>([lift](const Sums16& s, std::uint8_t* d, std::uint32_t* k) KVTC_AVX2 {
        const Vec lifted = _mm256_add_epi16(s.l, lift);
        const auto level = [lifted](Vec term) KVTC_AVX2 {
          return _mm256_min_epi16(
              _mm256_max_epi16(_mm256_mulhi_epi16(_mm256_add_epi16(lifted, term),
                                                  _mm256_set1_epi16(kCubeLevelFactor)),
                               _mm256_setzero_si256()),
              _mm256_set1_epi16(5));
        };
        const Vec red = level(s.r), green = level(s.g), blue = level(s.b);
        const Vec index = _mm256_add_epi16(
            _mm256_add_epi16(red, _mm256_mullo_epi16(green, _mm256_set1_epi16(6))),
            _mm256_add_epi16(_mm256_mullo_epi16(blue, _mm256_set1_epi16(36)),
                             _mm256_set1_epi16(26)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d), Bytes(index));
        if (k) {
          const Vec unit = _mm256_set1_epi16(51);
          Words(_mm256_or_si256(_mm256_mullo_epi16(blue, unit),
                                _mm256_slli_epi16(_mm256_mullo_epi16(green, unit), 8)),
                _mm256_mullo_epi16(red, unit), k);
        }
      }));
}

// Thirty-two pixels' clamped sums as flipped bytes: blue and green of pixels 0-7 of each
// sixteen in the low lane and of pixels 8-15 in the high one, and red of both sixteens so, so
// that one vector of steps in that order serves all three.
struct PairBytes {
  Vec blueGreen[2], red;
};

KVTC_AVX2 inline Vec BlueGreenBytes(const Sums16& s) {
  return Flipped(_mm256_packus_epi16(_mm256_add_epi16(s.l, s.b), _mm256_add_epi16(s.l, s.g)));
}

KVTC_AVX2 inline PairBytes SumBytes(const Sums16& a, const Sums16& b) {
  return {{BlueGreenBytes(a), BlueGreenBytes(b)},
          Flipped(_mm256_packus_epi16(_mm256_add_epi16(a.l, a.r), _mm256_add_epi16(b.l, b.r)))};
}

// Each byte's level counted over `count` steps: the blue and green bytes against
// blueGreenSteps, red against redSteps.
KVTC_AVX2 inline PairBytes CountPairSteps(const PairBytes& sums, const Vec* blueGreenSteps,
                                          const Vec* redSteps, int count) {
  return {{CountSteps(sums.blueGreen[0], blueGreenSteps, count),
           CountSteps(sums.blueGreen[1], blueGreenSteps, count)},
          CountSteps(sums.red, redSteps, count)};
}

// Byte levels in that order as 16-bit lanes in pixel order: blue * blueWeight + green *
// greenWeight, and red alone.
KVTC_AVX2 inline Vec BlueGreenPairs(Vec blueGreen) {
  return _mm256_unpacklo_epi8(blueGreen, _mm256_srli_si256(blueGreen, 8));
}
KVTC_AVX2 inline Vec WeighBlueGreen(Vec blueGreen, int blueWeight, int greenWeight) {
  return _mm256_maddubs_epi16(BlueGreenPairs(blueGreen),
                              _mm256_set1_epi16(static_cast<short>(greenWeight << 8 | blueWeight)));
}
KVTC_AVX2 inline Vec RedLanes(Vec red, int sixteen) {
  return sixteen ? _mm256_unpackhi_epi8(red, _mm256_setzero_si256())
                 : _mm256_unpacklo_epi8(red, _mm256_setzero_si256());
}

// The words that byte values in that order stand for.
KVTC_AVX2 inline void KeepBytes(std::uint32_t* k, const Vec (&blueGreen)[2], Vec red) {
  if (!k) return;
  Words(BlueGreenPairs(blueGreen[0]), RedLanes(red, 0), k);
  Words(BlueGreenPairs(blueGreen[1]), RedLanes(red, 1), k + 16);
}

// Thirty-two indices from 16-bit lanes.
KVTC_AVX2 inline void StoreIndices32(std::uint8_t* d, Vec first, Vec second) {
  _mm256_storeu_si256(reinterpret_cast<Vec*>(d),
                      _mm256_permute4x64_epi64(_mm256_packus_epi16(first, second), 0xD8));
}

KVTC_AVX2 void Convert555Gamma(const std::uint8_t* luma, unsigned step, ChromaRow terms,
                               std::uint32_t n, Place, const GammaFold& g, std::uint8_t* dst,
                               std::uint32_t* kept) {
  const Vec table[5] = {Broadcast16(g.bits555[0]), Broadcast16(g.bits555[1]),
                        Broadcast16(g.bits555[2]), Broadcast16(g.bits555[3]),
                        Broadcast16(g.bits555[4])};
  const auto fields = [&table](Vec x) KVTC_AVX2 {  // as Store555Gamma finds them
    Vec field = _mm256_setzero_si256();
    for (int b = 4; b >= 0; --b) {
      const Vec step = _mm256_shuffle_epi8(table[b], field);
      field = _mm256_sub_epi8(_mm256_add_epi8(field, field), _mm256_cmpgt_epi8(x, step));
    }
    return field;
  };
  ConvertPairs<2>(luma, step, terms, n, dst, kept,
                  [&fields](const Sums16& a, const Sums16& b, std::uint8_t* d, std::uint32_t* k,
                            bool) KVTC_AVX2 {
                    const PairBytes sums = SumBytes(a, b);
                    const Vec blueGreen[2] = {fields(sums.blueGreen[0]), fields(sums.blueGreen[1])};
                    const Vec red = fields(sums.red);
                    for (int h = 0; h < 2; ++h) {
                      _mm256_storeu_si256(reinterpret_cast<Vec*>(d + 32 * h),
                                          _mm256_or_si256(WeighBlueGreen(blueGreen[h], 1, 32),
                                                          _mm256_slli_epi16(RedLanes(red, h), 10)));
                    }
                    const Vec values[2] = {_mm256_slli_epi16(blueGreen[0], 3),
                                           _mm256_slli_epi16(blueGreen[1], 3)};
                    KeepBytes(k, values, _mm256_slli_epi16(red, 3));
                  });
}

KVTC_AVX2 void Convert332Gamma(const std::uint8_t* luma, unsigned step, ChromaRow terms,
                               std::uint32_t n, Place, const GammaFold& g, std::uint8_t* dst,
                               std::uint32_t* kept) {
  // The k-th steps: blue's in the blue bytes and green's in the green ones, and red's.
  Vec blueGreenSteps[7], redSteps[7];
  for (int k = 0; k < 7; ++k) {
    const auto blue = static_cast<char>(g.levels332[k]);
    const auto red = static_cast<char>(g.levels332[k] >> 8);
    blueGreenSteps[k] = _mm256_unpacklo_epi64(_mm256_set1_epi8(blue), _mm256_set1_epi8(red));
    redSteps[k] = _mm256_set1_epi8(red);
  }
  ConvertPairs<1>(
      luma, step, terms, n, dst, kept,
      [&](const Sums16& a, const Sums16& b, std::uint8_t* d, std::uint32_t* k, bool) KVTC_AVX2 {
        const PairBytes level = CountPairSteps(SumBytes(a, b), blueGreenSteps, redSteps, 7);
        const Vec(&blueGreen)[2] = level.blueGreen;
        const Vec red = level.red;
        Vec index[2];
        for (int h = 0; h < 2; ++h) {
          index[h] = _mm256_or_si256(WeighBlueGreen(blueGreen[h], 1, 4),
                                     _mm256_slli_epi16(RedLanes(red, h), 5));
        }
        StoreIndices32(d, index[0], index[1]);
        if (!k) return;
        // Blue stands for 64 times its level, green and red for 32 times.
        const Vec blueSelect = _mm256_unpacklo_epi64(_mm256_set1_epi8(8), _mm256_setzero_si256());
        const Vec table = _mm256_broadcastsi128_si256(
            _mm_setr_epi8(0, 32, 64, 96, -128, -96, -64, -32, 0, 64, -128, -64, 0, 0, 0, 0));
        const Vec values[2] = {
            _mm256_shuffle_epi8(table, _mm256_add_epi8(blueGreen[0], blueSelect)),
            _mm256_shuffle_epi8(table, _mm256_add_epi8(blueGreen[1], blueSelect))};
        KeepBytes(k, values, _mm256_slli_epi16(red, 5));
      });
}

KVTC_AVX2 void ConvertCubeGamma(const std::uint8_t* luma, unsigned step, ChromaRow terms,
                                std::uint32_t n, Place at, const GammaFold& g, std::uint8_t* dst,
                                std::uint32_t* kept) {
  // The k-th steps of the sixteen pixels, from the blue bytes of their step words.
  Vec steps[5];
  for (int k = 0; k < 5; ++k) {
    const std::uint32_t* words = g.cube[at.y % 16][at.step - 1][k];
    const Vec low = _mm256_set1_epi32(0xFF);
    const Vec lanes = _mm256_permute4x64_epi64(
        _mm256_packus_epi32(_mm256_and_si256(LoadWords(words), low),
                            _mm256_and_si256(LoadWords(words + 8), low)),
        0xD8);
    steps[k] = _mm256_packus_epi16(lanes, lanes);
  }
  ConvertPairs<1>(
      luma, step, terms, n, dst, kept,
      [&steps](const Sums16& a, const Sums16& b, std::uint8_t* d, std::uint32_t* k,
               bool) KVTC_AVX2 {
        const PairBytes level = CountPairSteps(SumBytes(a, b), steps, steps, 5);
        const Vec(&blueGreen)[2] = level.blueGreen;
        const Vec red = level.red;
        Vec index[2];
        for (int h = 0; h < 2; ++h) {
          index[h] = _mm256_add_epi16(
              _mm256_add_epi16(WeighBlueGreen(blueGreen[h], 36, 6), RedLanes(red, h)),
              _mm256_set1_epi16(26));
        }
        StoreIndices32(d, index[0], index[1]);
        if (!k) return;
        const Vec table = _mm256_broadcastsi128_si256(
            _mm_setr_epi8(0, 51, 102, -103, -52, -1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0));
        const Vec values[2] = {_mm256_shuffle_epi8(table, blueGreen[0]),
                               _mm256_shuffle_epi8(table, blueGreen[1])};
        KeepBytes(k, values, _mm256_shuffle_epi8(table, red));
      });
}

// The stores of bytewise means (the layouts' storeMean): `sixteen(first, second, dst)` gets the
// means of words 0-7 and 8-15 of a and b; the last ones through copies.
KVTC_AVX2 inline Vec MeanWords(const std::uint32_t* x, const std::uint32_t* y) {
  return _mm256_avg_epu8(LoadWords(x), LoadWords(y));
}

template <std::uint32_t kOut, class Sixteen>
KVTC_AVX2 inline void MeanGroups(const std::uint32_t* a, const std::uint32_t* b, std::uint32_t n,
                                 std::uint8_t* dst, const Sixteen& sixteen) {
  std::uint32_t i = 0;
  for (; i + 16 <= n; i += 16) {
    sixteen(MeanWords(a + i, b + i), MeanWords(a + i + 8, b + i + 8), dst + kOut * i);
  }
  if (i == n) return;
  alignas(32) std::uint32_t x[16] = {}, y[16] = {};
  alignas(32) std::uint8_t out[16 * kOut];
  std::memcpy(x, a + i, 4 * (n - i));
  std::memcpy(y, b + i, 4 * (n - i));
  sixteen(MeanWords(x, y), MeanWords(x + 8, y + 8), out);
  std::memcpy(dst + kOut * i, out, kOut * (n - i));
}

KVTC_AVX2 void Store555Mean(const std::uint32_t* a, const std::uint32_t* b, std::uint32_t n,
                            Place, const DecoderTables&, std::uint8_t* dst) {
  MeanGroups<2>(a, b, n, dst, [](Vec first, Vec second, std::uint8_t* d) KVTC_AVX2 {
    const Vec packed = _mm256_packus_epi32(Pack555(first), Pack555(second));
    _mm256_storeu_si256(reinterpret_cast<Vec*>(d), _mm256_permute4x64_epi64(packed, 0xD8));
  });
}

KVTC_AVX2 void Store332Mean(const std::uint32_t* a, const std::uint32_t* b, std::uint32_t n,
                            Place, const DecoderTables&, std::uint8_t* dst) {
  MeanGroups<1>(a, b, n, dst, [](Vec first, Vec second, std::uint8_t* d) KVTC_AVX2 {
    StoreIndices(Index332Eight<false>(first, nullptr), Index332Eight<false>(second, nullptr), d);
  });
}

KVTC_AVX2 void StoreCubeMean(const std::uint32_t* a, const std::uint32_t* b, std::uint32_t n,
                             Place at, const DecoderTables& t, std::uint8_t* dst) {
  const CubeLifts lift = CubeLift(t, at);
  MeanGroups<1>(a, b, n, dst, [lift](Vec first, Vec second, std::uint8_t* d) KVTC_AVX2 {
    const Vec base = _mm256_set1_epi32(26);
    StoreIndices(_mm256_add_epi32(CubeEight<false>(first, lift.low, nullptr), base),
                 _mm256_add_epi32(CubeEight<false>(second, lift.high, nullptr), base), d);
  });
}

// Spread then a keeping store (LayoutRows::spreadStore): the odd pixels, each the bytewise
// mean of its neighbours, stored through `storeKeep` from the odd column after at.x with step
// 2, and interleaved with the even ones, up to 256 pixels at a time.
template <std::uint32_t kBytes, auto kStoreKeep>
KVTC_AVX2 void SpreadStore(const std::uint32_t* even, const std::uint8_t* evenOut,
                           std::uint32_t n, Place at, const DecoderTables& t, std::uint8_t* dst,
                           std::uint32_t* kept) {
  constexpr std::uint32_t kOdds = 128;
  alignas(32) std::uint32_t odd[kOdds], oddKept[kOdds];
  alignas(32) std::uint8_t oddOut[kBytes * kOdds];
  // Two vectors interleaved element by element, as the unpacks of a and b leave them.
  const auto interleave = [](std::uint8_t* to, Vec lo, Vec hi) KVTC_AVX2 {
    _mm256_storeu_si256(reinterpret_cast<Vec*>(to), _mm256_permute2x128_si256(lo, hi, 0x20));
    _mm256_storeu_si256(reinterpret_cast<Vec*>(to + 32), _mm256_permute2x128_si256(lo, hi, 0x31));
  };
  for (std::uint32_t x0 = 0; x0 < n; x0 += 2 * kOdds) {
    const std::uint32_t pixels = std::min(n - x0, 2 * kOdds), odds = pixels / 2;
    const std::uint32_t* e = even + x0 / 2;
    std::uint32_t j = 0;
    for (; j + 8 <= odds; j += 8) {
      StoreWords(odd + j, _mm256_avg_epu8(LoadWords(e + j), LoadWords(e + j + 1)));
    }
    for (; j < odds; ++j) {
      odd[j] = static_cast<std::uint32_t>(_mm_cvtsi128_si32(
          _mm_avg_epu8(_mm_cvtsi32_si128(static_cast<int>(e[j])),
                       _mm_cvtsi32_si128(static_cast<int>(e[j + 1])))));
    }
    if (odds) kStoreKeep(odd, odds, {at.x + x0 + 1, at.y, 2}, t, oddOut, oddKept);
    const std::uint8_t* eo = evenOut + kBytes * (x0 / 2);
    std::uint8_t* d = dst + kBytes * x0;
    std::uint32_t* k = kept + x0;
    std::uint32_t i = 0;
    for (; i + 64 <= pixels; i += 64) {  // from 32 even and 32 odd pixels
      const std::uint32_t h = i / 2;
      for (std::uint32_t q = 0; q < 4; ++q) {  // the words, 16 at a time
        const Vec a = LoadWords(e + h + 8 * q), b = LoadWords(oddKept + h + 8 * q);
        interleave(reinterpret_cast<std::uint8_t*>(k + i + 16 * q), _mm256_unpacklo_epi32(a, b),
                   _mm256_unpackhi_epi32(a, b));
      }
      for (std::uint32_t q = 0; q < kBytes; ++q) {  // the output, 32 bytes of each at a time
        const Vec a = _mm256_loadu_si256(reinterpret_cast<const Vec*>(eo + kBytes * h + 32 * q));
        const Vec b = _mm256_load_si256(reinterpret_cast<const Vec*>(oddOut + kBytes * h + 32 * q));
        if constexpr (kBytes == 1) {
          interleave(d + i, _mm256_unpacklo_epi8(a, b), _mm256_unpackhi_epi8(a, b));
        } else {
          interleave(d + 2 * i + 64 * q, _mm256_unpacklo_epi16(a, b), _mm256_unpackhi_epi16(a, b));
        }
      }
    }
    for (; i < pixels; ++i) {
      const bool isOdd = i % 2;
      std::memcpy(d + kBytes * i, (isOdd ? oddOut : eo) + kBytes * (i / 2), kBytes);
      k[i] = isOdd ? oddKept[i / 2] : e[i / 2];
    }
  }
}

}  // namespace

extern const WordLayouts kWordLayoutsAvx2{
    {2, Load555, Store555, Store555Gamma, Store555Keep, Convert555, Convert555Gamma,
     SpreadStore<2, Store555Keep>, Store555Mean},
    {1, Load332, Store332, Store332Gamma, Store332Keep, Convert332, Convert332Gamma,
     SpreadStore<1, Store332Keep>, Store332Mean},
    {1, LoadCube, StoreCube, StoreCubeGamma, StoreCubeKeep, ConvertCube, ConvertCubeGamma,
     SpreadStore<1, StoreCubeKeep>, StoreCubeMean}};

}  // namespace kvtc::pixels::output
#endif
