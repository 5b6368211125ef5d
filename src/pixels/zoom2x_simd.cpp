// The 2x zoom of pictures whose pixels are 1, 2, 3 or 4 bytes of components (8-bit layouts,
// 15-, 24- and 32-bit RGB, the planar luma) with SSE2 and AVX2, row by row: each source row
// is doubled across into its even row, and the odd row above it becomes the byte average of
// its neighbours as soon as both are there. Groups of pixels are interleaved with their
// averages by unpacking (24-bit pixels by byte shifts with SSE2, by byte shuffles with AVX2);
// the pixels after the last whole group go through the same steps one byte at a time. A
// 32-bit pixel's fourth byte is not a component and keeps what the picture held.
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
  for (std::uint32_t y = 0; y < h; ++y) {
    const std::uint8_t* in = src + y * srcRow;
    std::uint8_t* even = dst + 2 * y * dstRow;
    DoubleRowBytes(in, even, doubleRow(in, even, w, kept), w, p, components, halfSum);
    if (y == 0) continue;
    const std::uint8_t* above = even - 2 * dstRow;
    std::uint8_t* odd = even - dstRow;
    MeanRowBytes(above, even, odd, steps.meanRow(above, even, odd, dstRow, kept), dstRow, p,
                 components, halfSum);
  }
  std::memcpy(dst + (2 * std::size_t{h} - 1) * dstRow, dst + (2 * std::size_t{h} - 2) * dstRow,
              dstRow);
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

}  // namespace kvtc::pixels::finish
#endif
