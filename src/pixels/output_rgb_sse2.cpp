// 24- and 32-bit RGB output rows with SSE2: eight pixels at a time.
#include "pixels/output_rgb_rows.h"
#include "pixels/pixel_kernels.h"
#include "pixels/simd_target.h"

#if KVTC_X86
#include <emmintrin.h>

#include <cstring>

namespace kvtc::pixels::output {
namespace {

// Eight pixels: luma as 16-bit samples, terms as 16-bit values, one per pixel.
void EightPixels(__m128i luma, __m128i red, __m128i green, __m128i blue, std::uint32_t* out) {
  const __m128i one = _mm_set1_epi16(1);
  const __m128i coef = _mm_set1_epi32(kLumaScaleBias << 16 | kLumaScaleFactor);
  const __m128i lo =
      _mm_srai_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(luma, one), coef), kLumaScaleShift);
  const __m128i hi =
      _mm_srai_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(luma, one), coef), kLumaScaleShift);
  const __m128i l = _mm_packs_epi32(lo, hi);
  const __m128i zero = _mm_setzero_si128();
  const __m128i bg = _mm_packus_epi16(_mm_add_epi16(l, blue), _mm_add_epi16(l, green));
  const __m128i r = _mm_packus_epi16(_mm_add_epi16(l, red), zero);
  const __m128i bgPairs = _mm_unpacklo_epi8(bg, _mm_srli_si128(bg, 8));
  const __m128i rPairs = _mm_unpacklo_epi8(r, zero);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi16(bgPairs, rPairs));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4), _mm_unpackhi_epi16(bgPairs, rPairs));
}

// One term of eight blocks from their offsets d (16-bit).
__m128i Term(__m128i d, ChromaTermForm f) {
  const __m128i negative = _mm_cmpgt_epi16(_mm_setzero_si128(), d);
  const __m128i magnitude = _mm_max_epi16(d, _mm_sub_epi16(_mm_setzero_si128(), d));
  const __m128i one = _mm_set1_epi16(1);
  const __m128i form = _mm_set1_epi32(f.bias << 16 | f.factor);
  const __m128i lo = _mm_madd_epi16(_mm_unpacklo_epi16(magnitude, one), form);
  const __m128i hi = _mm_madd_epi16(_mm_unpackhi_epi16(magnitude, one), form);
  __m128i term = _mm_packs_epi32(_mm_srai_epi32(lo, f.shift), _mm_srai_epi32(hi, f.shift));
  term = _mm_sub_epi16(_mm_xor_si128(term, negative), negative);
  if (f.zeroBelow) {
    term = _mm_andnot_si128(
        _mm_and_si128(negative,
                      _mm_cmpgt_epi16(d, _mm_set1_epi16(static_cast<short>(-f.zeroBelow - 1)))),
        term);
  }
  return term;
}

void Terms(const std::uint8_t* u, const std::uint8_t* v, std::uint32_t n, const DecoderTables& t,
           std::int16_t* red, std::int16_t* green, std::int16_t* blue) {
  const __m128i zero = _mm_setzero_si128(), centre = _mm_set1_epi16(128);
  std::uint32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m128i uu =
        _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(u + i)), zero);
    const __m128i vv =
        _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(v + i)), zero);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(red + i),
                     Term(_mm_sub_epi16(vv, centre), kRedFromV));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(green + i),
                     _mm_add_epi16(Term(_mm_sub_epi16(centre, uu), kGreenFromU),
                                   Term(_mm_sub_epi16(centre, vv), kGreenFromV)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(blue + i),
                     Term(_mm_sub_epi16(uu, centre), kBlueFromU));
  }
  ChromaTermsPlain(u + i, v + i, n - i, t, red + i, green + i, blue + i);
}

void PixelsStep1(const std::uint8_t* luma, const std::int16_t* red, const std::int16_t* green,
                 const std::int16_t* blue, std::uint32_t* out) {
  const auto terms = [](const std::int16_t* t) {
    const __m128i four = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(t));
    return _mm_unpacklo_epi16(four, four);
  };
  const __m128i y = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(luma)),
                                      _mm_setzero_si128());
  EightPixels(y, terms(red), terms(green), terms(blue), out);
}

void PixelsStep2(const std::uint8_t* luma, const std::int16_t* red, const std::int16_t* green,
                 const std::int16_t* blue, std::uint32_t* out) {
  const auto terms = [](const std::int16_t* t) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(t));
  };
  const __m128i y =
      _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(luma)), _mm_set1_epi16(0xFF));
  EightPixels(y, terms(red), terms(green), terms(blue), out);
}

void Pixels(const std::uint8_t* luma, unsigned step, ChromaRow t, std::uint32_t n,
            std::uint32_t* out) {
  std::uint32_t i = 0;
  if (step == 1) {
    for (; i + 8 <= n; i += 8)
      PixelsStep1(luma + i, t.red + i / 2, t.green + i / 2, t.blue + i / 2, out + i);
  } else {
    for (; i + 8 < n; i += 8)
      PixelsStep2(luma + 2 * i, t.red + i, t.green + i, t.blue + i, out + i);
  }
  if (i == n) return;
  // The last pixels through copies, so that nothing past them is read.
  const std::uint32_t rest = n - i, blocks = step == 1 ? (rest + 1) / 2 : rest;
  std::uint8_t y[16] = {};
  std::int16_t red[8] = {}, green[8] = {}, blue[8] = {};
  std::uint32_t px[8];
  std::memcpy(y, luma + step * i, step * (rest - 1) + 1);
  std::memcpy(red, t.red + (step == 1 ? i / 2 : i), 2 * blocks);
  std::memcpy(green, t.green + (step == 1 ? i / 2 : i), 2 * blocks);
  std::memcpy(blue, t.blue + (step == 1 ? i / 2 : i), 2 * blocks);
  (step == 1 ? PixelsStep1 : PixelsStep2)(y, red, green, blue, px);
  std::memcpy(out + i, px, 4 * rest);
}

// Four words into twelve bytes at the front of the result.
__m128i Pack24(__m128i px) {
  const __m128i x = _mm_and_si128(px, _mm_set1_epi32(0x00FFFFFF));
  const __m128i pairs = _mm_or_si128(
      _mm_and_si128(x, _mm_set_epi32(0, 0xFFFFFF, 0, 0xFFFFFF)),
      _mm_and_si128(_mm_srli_epi64(x, 8), _mm_set_epi32(0xFFFF, 0xFF000000, 0xFFFF, 0xFF000000)));
  return _mm_or_si128(_mm_and_si128(pairs, _mm_set_epi32(0, 0, 0xFFFF, -1)),
                      _mm_and_si128(_mm_srli_si128(pairs, 2), _mm_set_epi32(0, -1, 0xFFFF0000, 0)));
}

__m128i Keep4thBytes(__m128i px, __m128i old) {
  const __m128i colour = _mm_set1_epi32(0x00FFFFFF);
  return _mm_or_si128(_mm_and_si128(px, colour), _mm_andnot_si128(colour, old));
}

void Store(const std::uint32_t* px, std::uint32_t n, std::uint32_t bytes, std::uint8_t* dst) {
  std::uint32_t i = 0;
  if (bytes == 4) {
    for (; i + 4 <= n; i += 4) {
      auto* d = reinterpret_cast<__m128i*>(dst + 4 * i);
      _mm_storeu_si128(d, Keep4thBytes(_mm_loadu_si128(reinterpret_cast<const __m128i*>(px + i)),
                                       _mm_loadu_si128(d)));
    }
  } else {
    // Sixteen bytes stored for twelve while the next pixels overwrite the other four.
    for (; i + 8 <= n; i += 4) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 3 * i),
                       Pack24(_mm_loadu_si128(reinterpret_cast<const __m128i*>(px + i))));
    }
  }
  for (; i < n; ++i) std::memcpy(dst + bytes * i, &px[i], 3);  // little-endian: blue first
}

void Load(const std::uint8_t* src, std::uint32_t n, std::uint32_t bytes, std::uint32_t* out) {
  if (bytes == 4) {
    std::memcpy(out, src, 4 * std::size_t{n});
    return;
  }
  for (std::uint32_t i = 0; i < n; ++i, src += 3) {
    out[i] = src[0] | std::uint32_t{src[1]} << 8 | std::uint32_t{src[2]} << 16;
  }
}

__m128i Mean(__m128i a, __m128i b) { return _mm_avg_epu8(a, b); }

std::uint32_t Mean(std::uint32_t a, std::uint32_t b) {
  return static_cast<std::uint32_t>(_mm_cvtsi128_si32(
      Mean(_mm_cvtsi32_si128(static_cast<int>(a)), _mm_cvtsi32_si128(static_cast<int>(b)))));
}

void Spread(const std::uint32_t* even, std::uint32_t n, std::uint32_t* out) {
  std::uint32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m128i e = _mm_loadu_si128(reinterpret_cast<const __m128i*>(even + i / 2));
    const __m128i m = Mean(e, _mm_loadu_si128(reinterpret_cast<const __m128i*>(even + i / 2 + 1)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi32(e, m));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 4), _mm_unpackhi_epi32(e, m));
  }
  for (; i < n; ++i) out[i] = i % 2 ? Mean(even[i / 2], even[i / 2 + 1]) : even[i / 2];
}

void Average(const std::uint32_t* a, const std::uint32_t* b, std::uint32_t n, std::uint32_t* out) {
  std::uint32_t i = 0;
  for (; i + 4 <= n; i += 4) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                     Mean(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i)),
                          _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i))));
  }
  for (; i < n; ++i) out[i] = Mean(a[i], b[i]);
}

}  // namespace

extern const RgbRowKernels kRgbRowsSse2{Terms,   Pixels,     Load,           Store,  Spread,
                                        Average, GammaPlain, GreyWordsPlain, nullptr};

}  // namespace kvtc::pixels::output
#endif
