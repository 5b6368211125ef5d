// The 2x zoom of pictures whose pixels are 1, 2, 3 or 4 bytes of components (8-bit layouts,
// 15-, 24- and 32-bit RGB, the planar luma) with SSE2 and AVX2, row by row: each source row
// is doubled across into its even row, and the odd row above it becomes the byte average of
// its neighbours as soon as both are there. Groups of pixels are interleaved with their
// averages by unpacking (24-bit pixels by byte shifts with SSE2, by byte shuffles with AVX2);
// the pixels after the last whole group go through the same steps one byte at a time. A
// 32-bit pixel's fourth byte is not a component and keeps what the picture held.
// Packed 4:2:2, 4-bit grey and the chroma planes of planar 4:2:0 go through the same rows:
// 4:2:2 pairs and nibbles are doubled by masks, shifts and unpacking, chroma planes by the
// 8-bit steps with their odd-size edge written after them.
#include "pixels/simd_target.h"
#include "pixels/zoom2x.h"

#if KVTC_X86
#include <immintrin.h>

namespace kvtc::pixels::finish {
namespace {

// The bytes of a 32-bit pixel that are not components: kept from the destination.
constexpr std::uint32_t kFourthByte = 0xFF000000u;

// Pixels `from`..w-1 of a row doubled across: pixel 2x takes source pixel x, 2x+1 the mean of
// x and x+1, and the last two the last source pixel.
void DoubleRowBytes(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t from,
                    std::uint32_t w, std::uint32_t p, std::uint32_t components,
                    const std::uint8_t* halfSum) {
  for (std::uint32_t x = from; x + 1 < w; ++x) {
    for (std::uint32_t k = 0; k < components; ++k) {
      const std::uint8_t here = src[x * p + k];
      dst[2 * x * p + k] = here;
      dst[(2 * x + 1) * p + k] = halfSum[here + src[(x + 1) * p + k]];
    }
  }
  for (std::uint32_t k = 0; k < components; ++k) {
    dst[(2 * w - 2) * p + k] = dst[(2 * w - 1) * p + k] = src[(w - 1) * p + k];
  }
}

// Bytes `from`..count-1 of the mean of rows a and b, components only.
void MeanRowBytes(const std::uint8_t* a, const std::uint8_t* b, std::uint8_t* out,
                  std::size_t from, std::size_t count, std::uint32_t p, std::uint32_t components,
                  const std::uint8_t* halfSum) {
  for (std::size_t i = from; i < count; ++i) {
    if (i % p < components) out[i] = halfSum[a[i] + b[i]];
  }
}

template <class V>
V Load(const std::uint8_t* p) {
  return _mm_loadu_si128(reinterpret_cast<const V*>(p));
}

// `value` where `keep` is clear, the bytes at `at` where it is set.
__m128i Keep(__m128i value, __m128i keep, const std::uint8_t* at) {
  return _mm_or_si128(_mm_andnot_si128(keep, value), _mm_and_si128(keep, Load<__m128i>(at)));
}

// Two 24-bit pixels and their means with the pixels after them, by byte shifts: 12 bytes, in
// a 16-byte store whose last four bytes the next pixels overwrite.
std::uint32_t DoubleRow24Sse2(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t w) {
  const __m128i first = _mm_setr_epi32(0x00FFFFFF, 0, 0, 0);
  const __m128i second = _mm_slli_si128(first, 3);
  std::uint32_t x = 0;
  // The load reads pixels x..x+4 and a byte; the store ends inside pixel 2x + 5.
  for (; 3 * x + 16 <= 3 * w; x += 2) {
    const __m128i a = Load<__m128i>(src + 3 * x);
    const __m128i m = _mm_avg_epu8(a, _mm_srli_si128(a, 3));
    // Pixel x stays at bytes 0..2; its mean (bytes 0..2) and pixel x+1 (3..5) move on by
    // three bytes, the mean of x+1 (3..5) by six.
    const __m128i middle = _mm_or_si128(_mm_and_si128(m, first), _mm_and_si128(a, second));
    const __m128i out =
        _mm_or_si128(_mm_or_si128(_mm_and_si128(a, first), _mm_slli_si128(middle, 3)),
                     _mm_slli_si128(_mm_and_si128(m, second), 6));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 6 * x), out);
  }
  return x;
}

template <std::uint32_t kP>
std::uint32_t DoubleRowSse2(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t w,
                            std::uint32_t kept) {
  if constexpr (kP == 3) {
    return DoubleRow24Sse2(src, dst, w);
  } else {
    constexpr std::uint32_t kGroup = 16 / kP;
    const __m128i keep = _mm_set1_epi32(static_cast<int>(kept));
    const bool keeping = kept != 0;
    std::uint32_t x = 0;
    // A group reads pixels x..x+kGroup; the last pixel is left to the byte steps.
    for (; x + kGroup + 1 <= w; x += kGroup) {
      const __m128i a = Load<__m128i>(src + x * kP);
      const __m128i m = _mm_avg_epu8(a, Load<__m128i>(src + (x + 1) * kP));
      __m128i lo, hi;
      if constexpr (kP == 1) {
        lo = _mm_unpacklo_epi8(a, m), hi = _mm_unpackhi_epi8(a, m);
      } else if constexpr (kP == 2) {
        lo = _mm_unpacklo_epi16(a, m), hi = _mm_unpackhi_epi16(a, m);
      } else {
        lo = _mm_unpacklo_epi32(a, m), hi = _mm_unpackhi_epi32(a, m);
      }
      std::uint8_t* out = dst + 2 * x * kP;
      if (keeping) lo = Keep(lo, keep, out), hi = Keep(hi, keep, out + 16);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out), lo);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), hi);
    }
    return x;
  }
}

std::size_t MeanRowSse2(const std::uint8_t* a, const std::uint8_t* b, std::uint8_t* out,
                        std::size_t count, std::uint32_t kept) {
  const __m128i keep = _mm_set1_epi32(static_cast<int>(kept));
  const bool keeping = kept != 0;
  std::size_t i = 0;
  for (; i + 16 <= count; i += 16) {
    __m128i mean = _mm_avg_epu8(Load<__m128i>(a + i), Load<__m128i>(b + i));
    if (keeping) mean = Keep(mean, keep, out + i);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), mean);
  }
  return i;
}

KVTC_AVX2 __m256i Load256(const std::uint8_t* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

KVTC_AVX2 __m256i Keep(__m256i value, __m256i keep, const std::uint8_t* at) {
  return _mm256_blendv_epi8(value, Load256(at), keep);
}

// Four 24-bit pixels and their means with the pixels after them, interleaved: 24 bytes.
KVTC_AVX2 std::uint32_t DoubleRow24(const std::uint8_t* src, std::uint8_t* dst,
                                    std::uint32_t w) {
  constexpr char Z = -128;  // a shuffle index that writes zero
  const __m128i firstA = _mm_setr_epi8(0, 1, 2, Z, Z, Z, 3, 4, 5, Z, Z, Z, 6, 7, 8, Z);
  const __m128i firstM = _mm_setr_epi8(Z, Z, Z, 0, 1, 2, Z, Z, Z, 3, 4, 5, Z, Z, Z, 6);
  const __m128i lastA = _mm_setr_epi8(Z, Z, 9, 10, 11, Z, Z, Z, Z, Z, Z, Z, Z, Z, Z, Z);
  const __m128i lastM = _mm_setr_epi8(7, 8, Z, Z, Z, 9, 10, 11, Z, Z, Z, Z, Z, Z, Z, Z);
  std::uint32_t x = 0;
  // The loads read bytes 3x..3x+18: pixels x..x+6.
  for (; 3 * x + 19 <= 3 * w; x += 4) {
    const __m128i a = Load<__m128i>(src + 3 * x);
    const __m128i m = _mm_avg_epu8(a, Load<__m128i>(src + 3 * x + 3));
    std::uint8_t* out = dst + 6 * x;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                     _mm_or_si128(_mm_shuffle_epi8(a, firstA), _mm_shuffle_epi8(m, firstM)));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 16),
                     _mm_or_si128(_mm_shuffle_epi8(a, lastA), _mm_shuffle_epi8(m, lastM)));
  }
  return x;
}

template <std::uint32_t kP>
KVTC_AVX2 std::uint32_t DoubleRowAvx2(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t w,
                                      std::uint32_t kept) {
  if constexpr (kP == 3) {
    return DoubleRow24(src, dst, w);
  } else {
    constexpr std::uint32_t kGroup = 32 / kP;
    const __m256i keep = _mm256_set1_epi32(static_cast<int>(kept));
    const bool keeping = kept != 0;
    std::uint32_t x = 0;
    for (; x + kGroup + 1 <= w; x += kGroup) {
      const __m256i a = Load256(src + x * kP);
      const __m256i m = _mm256_avg_epu8(a, Load256(src + (x + 1) * kP));
      __m256i lo, hi;
      if constexpr (kP == 1) {
        lo = _mm256_unpacklo_epi8(a, m), hi = _mm256_unpackhi_epi8(a, m);
      } else if constexpr (kP == 2) {
        lo = _mm256_unpacklo_epi16(a, m), hi = _mm256_unpackhi_epi16(a, m);
      } else {
        lo = _mm256_unpacklo_epi32(a, m), hi = _mm256_unpackhi_epi32(a, m);
      }
      // Unpacking works within 128-bit lanes: the lanes are put back in order.
      __m256i first = _mm256_permute2x128_si256(lo, hi, 0x20);
      __m256i second = _mm256_permute2x128_si256(lo, hi, 0x31);
      std::uint8_t* out = dst + 2 * x * kP;
      if (keeping) first = Keep(first, keep, out), second = Keep(second, keep, out + 32);
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), first);
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 32), second);
    }
    return x;
  }
}

KVTC_AVX2 std::size_t MeanRowAvx2(const std::uint8_t* a, const std::uint8_t* b, std::uint8_t* out,
                                  std::size_t count, std::uint32_t kept) {
  const __m256i keep = _mm256_set1_epi32(static_cast<int>(kept));
  const bool keeping = kept != 0;
  std::size_t i = 0;
  for (; i + 32 <= count; i += 32) {
    __m256i mean = _mm256_avg_epu8(Load256(a + i), Load256(b + i));
    if (keeping) mean = Keep(mean, keep, out + i);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), mean);
  }
  return i;
}

using DoubleRow = std::uint32_t (*)(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t w,
                                   std::uint32_t kept);
using MeanRow = std::size_t (*)(const std::uint8_t* a, const std::uint8_t* b, std::uint8_t* out,
                                std::size_t count, std::uint32_t kept);

// The vector steps of one level: doubling a row of 1-, 2-, 3- and 4-byte pixels across, up to
// the pixel it returns, and averaging two rows up to the byte it returns. `kept` marks the
// bytes of a 32-bit pixel that keep their value.
struct ZoomSteps {
  DoubleRow doubleRow[4];
  MeanRow meanRow;
};

constexpr ZoomSteps kSse2Steps{
    {DoubleRowSse2<1>, DoubleRowSse2<2>, DoubleRowSse2<3>, DoubleRowSse2<4>}, MeanRowSse2};
constexpr ZoomSteps kAvx2Steps{
    {DoubleRowAvx2<1>, DoubleRowAvx2<2>, DoubleRowAvx2<3>, DoubleRowAvx2<4>}, MeanRowAvx2};

// Whether the vector steps cover this layout: every byte a component, or 32-bit pixels of
// three.
bool Covered(std::uint32_t p, std::uint32_t components) {
  return (p == components && p >= 1 && p <= 4) || (p == 4 && components == 3);
}

// The rows of a zoom: each source row doubled across into its even row by
// doubleRow(source row, even row), the odd row above it made the mean of its neighbours by
// meanRow(above, below, odd), and the last row a copy of the one before it.
template <class DoubleRowOf, class MeanRowOf>
void ZoomRows(const std::uint8_t* src, std::uint8_t* dst, std::size_t srcRow, std::size_t dstRow,
              std::uint32_t h, DoubleRowOf doubleRow, MeanRowOf meanRow) {
  for (std::uint32_t y = 0; y < h; ++y) {
    std::uint8_t* even = dst + 2 * y * dstRow;
    doubleRow(src + y * srcRow, even);
    if (y > 0) meanRow(even - 2 * dstRow, even, even - dstRow);
  }
  std::memcpy(dst + (2 * std::size_t{h} - 1) * dstRow, dst + (2 * std::size_t{h} - 2) * dstRow,
              dstRow);
}

// The rows of a zoom with the steps of one level, the bytes after their last groups one at a
// time; other layouts through the plain zoom.
void ZoomByRows(const ZoomSteps& steps, const std::uint8_t* src, std::uint8_t* dst,
                std::uint32_t w, std::uint32_t h, std::uint32_t p, std::uint32_t components,
                const std::uint8_t* halfSum) {
  if (!Covered(p, components)) return ZoomComponents2x(src, dst, w, h, p, components, halfSum);
  if (w == 0 || h == 0) return;
  const std::uint32_t kept = components < p ? kFourthByte : 0;
  const DoubleRow doubleRow = steps.doubleRow[p - 1];
  const std::size_t srcRow = std::size_t{w} * p, dstRow = 2 * srcRow;
  ZoomRows(
      src, dst, srcRow, dstRow, h,
      [&](const std::uint8_t* in, std::uint8_t* even) {
        DoubleRowBytes(in, even, doubleRow(in, even, w, kept), w, p, components, halfSum);
      },
      [&](const std::uint8_t* above, const std::uint8_t* below, std::uint8_t* odd) {
        MeanRowBytes(above, below, odd, steps.meanRow(above, below, odd, dstRow, kept), dstRow,
                     p, components, halfSum);
      });
}

// Sample i of a row of n samples zoomed 2x: sample i/2 at even i, the mean of it and the next
// at odd i, the last sample in the last two.
template <class Get>
std::uint8_t Zoomed(Get get, std::uint32_t n, std::uint32_t i, const std::uint8_t* halfSum) {
  const std::uint32_t x = i / 2;
  if (x + 1 >= n) return get(n - 1);
  return i % 2 ? halfSum[get(x) + get(x + 1)] : get(x);
}

// Output pairs `from`..w-1 of a packed 4:2:2 row doubled across, one sample at a time; the
// V of pairs past the source's last whole pair repeats that pair's V.
void DoublePackedTail(const std::uint8_t* in, std::uint8_t* out, std::uint32_t from,
                      std::uint32_t w, const std::uint8_t* halfSum) {
  const std::uint32_t pairs = (w + 1) / 2, vs = w / 2;
  const auto y = [&](std::uint32_t x) { return in[2 * x]; };
  const auto u = [&](std::uint32_t x) { return in[4 * x + 1]; };
  const auto v = [&](std::uint32_t x) {
    return vs ? in[4 * std::min(x, vs - 1) + 3] : kZoomNeutralChroma;
  };
  for (std::uint32_t k = from; k < w; ++k) {
    out[4 * k] = Zoomed(y, w, 2 * k, halfSum);
    out[4 * k + 1] = Zoomed(u, pairs, k, halfSum);
    out[4 * k + 2] = Zoomed(y, w, 2 * k + 1, halfSum);
    out[4 * k + 3] = Zoomed(v, pairs, k, halfSum);
  }
}

// Bytes `from`..w-1 of a row of 4-bit pixels doubled across: byte x holds pixel x and its
// mean with pixel x + 1.
void DoubleNibblesTail(const std::uint8_t* in, std::uint8_t* out, std::uint32_t from,
                       std::uint32_t w, const std::uint8_t* halfSum) {
  const auto n = [&](std::uint32_t x) {
    return static_cast<std::uint8_t>(x % 2 ? in[x / 2] & 15 : in[x / 2] >> 4);
  };
  for (std::uint32_t x = from; x < w; ++x) {
    out[x] = static_cast<std::uint8_t>(Zoomed(n, w, 2 * x, halfSum) << 4 |
                                       Zoomed(n, w, 2 * x + 1, halfSum));
  }
}

// Bytes `from`..count-1 of the nibble by nibble mean of rows a and b.
void MeanNibblesTail(const std::uint8_t* a, const std::uint8_t* b, std::uint8_t* out,
                     std::size_t from, std::size_t count, const std::uint8_t* halfSum) {
  for (std::size_t i = from; i < count; ++i) {
    out[i] = static_cast<std::uint8_t>(halfSum[(a[i] >> 4) + (b[i] >> 4)] << 4 |
                                       halfSum[(a[i] & 15) + (b[i] & 15)]);
  }
}

// Source pairs (Y0 U Y1 V) of a packed 4:2:2 row doubled across, each into the output pairs
// (Y0 U mean(Y0,Y1) V) and (Y1 mean(U,U') mean(Y1,Y0') mean(V,V')), ' marking the next pair.
// Four source pairs a step from pair `from` (eight with AVX2, which leaves the rest to SSE2);
// returns the first source pair left to the sample steps.
std::uint32_t DoublePackedSse2(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t w,
                               std::uint32_t from) {
  const __m128i keepFirst = _mm_set1_epi32(static_cast<int>(0xFF00FFFFu));
  const __m128i thirdByte = _mm_set1_epi32(0x00FF0000), firstByte = _mm_set1_epi32(0xFF);
  const __m128i chromaBytes = _mm_set1_epi32(static_cast<int>(0xFF00FF00u));
  std::uint32_t j = from;
  // The loads read source pairs j..j+4.
  for (; 4 * j + 20 <= 2 * w; j += 4) {
    const __m128i a = Load<__m128i>(src + 4 * j);
    const __m128i yMean = _mm_avg_epu8(a, Load<__m128i>(src + 4 * j + 2));
    const __m128i chromaMean = _mm_avg_epu8(a, Load<__m128i>(src + 4 * j + 4));
    const __m128i first = _mm_or_si128(_mm_and_si128(a, keepFirst),
                                       _mm_and_si128(_mm_slli_epi32(yMean, 16), thirdByte));
    const __m128i second =
        _mm_or_si128(_mm_or_si128(_mm_and_si128(_mm_srli_epi32(a, 16), firstByte),
                                  _mm_and_si128(chromaMean, chromaBytes)),
                     _mm_and_si128(yMean, thirdByte));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 8 * j), _mm_unpacklo_epi32(first, second));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 8 * j + 16),
                     _mm_unpackhi_epi32(first, second));
  }
  return j;
}

KVTC_AVX2 std::uint32_t DoublePackedAvx2(const std::uint8_t* src, std::uint8_t* dst,
                                         std::uint32_t w, std::uint32_t from) {
  const __m256i keepFirst = _mm256_set1_epi32(static_cast<int>(0xFF00FFFFu));
  const __m256i thirdByte = _mm256_set1_epi32(0x00FF0000), firstByte = _mm256_set1_epi32(0xFF);
  const __m256i chromaBytes = _mm256_set1_epi32(static_cast<int>(0xFF00FF00u));
  std::uint32_t j = from;
  for (; 4 * j + 36 <= 2 * w; j += 8) {
    const __m256i a = Load256(src + 4 * j);
    const __m256i yMean = _mm256_avg_epu8(a, Load256(src + 4 * j + 2));
    const __m256i chromaMean = _mm256_avg_epu8(a, Load256(src + 4 * j + 4));
    const __m256i first = _mm256_or_si256(
        _mm256_and_si256(a, keepFirst), _mm256_and_si256(_mm256_slli_epi32(yMean, 16), thirdByte));
    const __m256i second = _mm256_or_si256(
        _mm256_or_si256(_mm256_and_si256(_mm256_srli_epi32(a, 16), firstByte),
                        _mm256_and_si256(chromaMean, chromaBytes)),
        _mm256_and_si256(yMean, thirdByte));
    const __m256i lo = _mm256_unpacklo_epi32(first, second);
    const __m256i hi = _mm256_unpackhi_epi32(first, second);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 8 * j),
                        _mm256_permute2x128_si256(lo, hi, 0x20));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 8 * j + 32),
                        _mm256_permute2x128_si256(lo, hi, 0x31));
  }
  return DoublePackedSse2(src, dst, w, j);
}

// A row of 4-bit pixels doubled across, 32 pixels a step: output byte x holds pixel x in its
// high nibble and the mean of pixels x and x + 1 in its low one. Returns the first source byte
// left to the sample steps.
std::uint32_t DoubleNibblesSse2(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t w,
                                std::uint32_t from) {
  const __m128i low = _mm_set1_epi8(15);
  std::uint32_t i = from;
  // The loads read source bytes i..i+16; pixel 2i + 32 is inside the row.
  for (; 2 * i + 33 <= w; i += 16) {
    const __m128i b = Load<__m128i>(src + i);
    const __m128i high = _mm_and_si128(_mm_srli_epi16(b, 4), low);
    const __m128i lowPixel = _mm_and_si128(b, low);
    const __m128i next = _mm_and_si128(_mm_srli_epi16(Load<__m128i>(src + i + 1), 4), low);
    const __m128i even = _mm_or_si128(_mm_slli_epi16(high, 4), _mm_avg_epu8(high, lowPixel));
    const __m128i odd = _mm_or_si128(_mm_slli_epi16(lowPixel, 4), _mm_avg_epu8(lowPixel, next));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 2 * i), _mm_unpacklo_epi8(even, odd));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 2 * i + 16), _mm_unpackhi_epi8(even, odd));
  }
  return i;
}

KVTC_AVX2 std::uint32_t DoubleNibblesAvx2(const std::uint8_t* src, std::uint8_t* dst,
                                          std::uint32_t w, std::uint32_t from) {
  const __m256i low = _mm256_set1_epi8(15);
  std::uint32_t i = from;
  for (; 2 * i + 65 <= w; i += 32) {
    const __m256i b = Load256(src + i);
    const __m256i high = _mm256_and_si256(_mm256_srli_epi16(b, 4), low);
    const __m256i lowPixel = _mm256_and_si256(b, low);
    const __m256i next = _mm256_and_si256(_mm256_srli_epi16(Load256(src + i + 1), 4), low);
    const __m256i even =
        _mm256_or_si256(_mm256_slli_epi16(high, 4), _mm256_avg_epu8(high, lowPixel));
    const __m256i odd =
        _mm256_or_si256(_mm256_slli_epi16(lowPixel, 4), _mm256_avg_epu8(lowPixel, next));
    const __m256i lo = _mm256_unpacklo_epi8(even, odd), hi = _mm256_unpackhi_epi8(even, odd);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 2 * i),
                        _mm256_permute2x128_si256(lo, hi, 0x20));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 2 * i + 32),
                        _mm256_permute2x128_si256(lo, hi, 0x31));
  }
  return DoubleNibblesSse2(src, dst, w, i);
}

// The nibble by nibble mean of two rows of 4-bit pixels; returns the first byte left.
std::size_t MeanNibblesSse2(const std::uint8_t* a, const std::uint8_t* b, std::uint8_t* out,
                            std::size_t count, std::size_t from) {
  const __m128i low = _mm_set1_epi8(15);
  std::size_t i = from;
  for (; i + 16 <= count; i += 16) {
    const __m128i x = Load<__m128i>(a + i), y = Load<__m128i>(b + i);
    const __m128i high = _mm_avg_epu8(_mm_and_si128(_mm_srli_epi16(x, 4), low),
                                      _mm_and_si128(_mm_srli_epi16(y, 4), low));
    const __m128i lowMean = _mm_avg_epu8(_mm_and_si128(x, low), _mm_and_si128(y, low));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                     _mm_or_si128(_mm_slli_epi16(high, 4), lowMean));
  }
  return i;
}

KVTC_AVX2 std::size_t MeanNibblesAvx2(const std::uint8_t* a, const std::uint8_t* b,
                                      std::uint8_t* out, std::size_t count, std::size_t from) {
  const __m256i low = _mm256_set1_epi8(15);
  std::size_t i = from;
  for (; i + 32 <= count; i += 32) {
    const __m256i x = Load256(a + i), y = Load256(b + i);
    const __m256i high = _mm256_avg_epu8(_mm256_and_si256(_mm256_srli_epi16(x, 4), low),
                                         _mm256_and_si256(_mm256_srli_epi16(y, 4), low));
    const __m256i lowMean = _mm256_avg_epu8(_mm256_and_si256(x, low), _mm256_and_si256(y, low));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i),
                        _mm256_or_si256(_mm256_slli_epi16(high, 4), lowMean));
  }
  return MeanNibblesSse2(a, b, out, count, i);
}

// The packed 4:2:2 zoom by rows: vector steps, then the pairs after the last whole group.
void ZoomPackedByRows(std::uint32_t (*doublePairs)(const std::uint8_t*, std::uint8_t*,
                                                   std::uint32_t, std::uint32_t),
                      MeanRow meanRow, const std::uint8_t* src, std::uint8_t* dst,
                      std::uint32_t w, std::uint32_t h, const std::uint8_t* halfSum) {
  if (w == 0 || h == 0) return;
  const std::size_t dstRow = 4 * std::size_t{w};
  ZoomRows(
      src, dst, 2 * std::size_t{w}, dstRow, h,
      [&](const std::uint8_t* in, std::uint8_t* even) {
        DoublePackedTail(in, even, 2 * doublePairs(in, even, w, 0), w, halfSum);
      },
      [&](const std::uint8_t* above, const std::uint8_t* below, std::uint8_t* odd) {
        MeanRowBytes(above, below, odd, meanRow(above, below, odd, dstRow, 0), dstRow, 1, 1,
                     halfSum);
      });
}

// The 4-bit zoom by rows: vector steps, then the bytes after the last whole group.
void ZoomNibblesByRows(std::uint32_t (*doubleRow)(const std::uint8_t*, std::uint8_t*,
                                                  std::uint32_t, std::uint32_t),
                       std::size_t (*meanRow)(const std::uint8_t*, const std::uint8_t*,
                                              std::uint8_t*, std::size_t, std::size_t),
                       const std::uint8_t* src, std::uint8_t* dst, std::uint32_t w,
                       std::uint32_t h, const std::uint8_t* halfSum) {
  if (w == 0 || h == 0) return;
  ZoomRows(
      src, dst, (std::size_t{w} + 1) / 2, w, h,
      [&](const std::uint8_t* in, std::uint8_t* even) {
        DoubleNibblesTail(in, even, 2 * doubleRow(in, even, w, 0), w, halfSum);
      },
      [&](const std::uint8_t* above, const std::uint8_t* below, std::uint8_t* odd) {
        MeanNibblesTail(above, below, odd, meanRow(above, below, odd, w, 0), w, halfSum);
      });
}

// One chroma plane of planar 4:2:0, (w/2) x (h/2), zoomed into w x h: for an odd w or h the
// extra column or row repeats the one before it; an empty plane zooms to neutral chroma.
void ZoomChromaPlane(const ZoomSteps& steps, const std::uint8_t* src, std::uint8_t* dst,
                     std::uint32_t w, std::uint32_t h, const std::uint8_t* halfSum) {
  const std::uint32_t cols = w / 2, rows = h / 2;
  if (cols == 0 || rows == 0) {
    std::memset(dst, kZoomNeutralChroma, std::size_t{w} * h);
    return;
  }
  ZoomRows(
      src, dst, cols, w, rows,
      [&](const std::uint8_t* in, std::uint8_t* even) {
        DoubleRowBytes(in, even, steps.doubleRow[0](in, even, cols, 0), cols, 1, 1, halfSum);
        even[w - 1] = in[cols - 1];
      },
      [&](const std::uint8_t* above, const std::uint8_t* below, std::uint8_t* odd) {
        MeanRowBytes(above, below, odd, steps.meanRow(above, below, odd, w, 0), w, 1, 1,
                     halfSum);
      });
  if (h % 2) std::memcpy(dst + (h - 1) * std::size_t{w}, dst + (h - 2) * std::size_t{w}, w);
}

void ZoomPlanarByRows(const ZoomSteps& steps, const std::uint8_t* src, std::uint8_t* dst,
                      std::uint32_t w, std::uint32_t h, bool grey, const std::uint8_t* halfSum) {
  ZoomByRows(steps, src, dst, w, h, 1, 1, halfSum);
  if (grey) return;
  const std::size_t srcPlane = std::size_t{w / 2} * (h / 2), dstPlane = std::size_t{w} * h;
  for (std::size_t plane = 0; plane < 2; ++plane) {
    ZoomChromaPlane(steps, src + dstPlane + plane * srcPlane, dst + 4 * dstPlane + plane * dstPlane,
                    w, h, halfSum);
  }
}

}  // namespace

void ZoomComponents2xSse2(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t w,
                          std::uint32_t h, std::uint32_t p, std::uint32_t components,
                          const std::uint8_t* halfSum) {
  ZoomByRows(kSse2Steps, src, dst, w, h, p, components, halfSum);
}

void ZoomComponents2xAvx2(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t w,
                          std::uint32_t h, std::uint32_t p, std::uint32_t components,
                          const std::uint8_t* halfSum) {
  ZoomByRows(kAvx2Steps, src, dst, w, h, p, components, halfSum);
}

void ZoomPackedYuv2xSse2(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t w,
                         std::uint32_t h, const std::uint8_t* halfSum) {
  ZoomPackedByRows(DoublePackedSse2, MeanRowSse2, src, dst, w, h, halfSum);
}

void ZoomPackedYuv2xAvx2(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t w,
                         std::uint32_t h, const std::uint8_t* halfSum) {
  ZoomPackedByRows(DoublePackedAvx2, MeanRowAvx2, src, dst, w, h, halfSum);
}

void ZoomNibbles2xSse2(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t w,
                       std::uint32_t h, const std::uint8_t* halfSum) {
  ZoomNibblesByRows(DoubleNibblesSse2, MeanNibblesSse2, src, dst, w, h, halfSum);
}

void ZoomNibbles2xAvx2(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t w,
                       std::uint32_t h, const std::uint8_t* halfSum) {
  ZoomNibblesByRows(DoubleNibblesAvx2, MeanNibblesAvx2, src, dst, w, h, halfSum);
}

void ZoomPlanar2xSse2(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t w,
                      std::uint32_t h, bool grey, const std::uint8_t* halfSum) {
  ZoomPlanarByRows(kSse2Steps, src, dst, w, h, grey, halfSum);
}

void ZoomPlanar2xAvx2(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t w,
                      std::uint32_t h, bool grey, const std::uint8_t* halfSum) {
  ZoomPlanarByRows(kAvx2Steps, src, dst, w, h, grey, halfSum);
}

}  // namespace kvtc::pixels::finish
#endif
