// 24- and 32-bit RGB output rows with AVX2: sixteen pixels at a time, 24-bit pixels packed and
// unpacked with byte shuffles.
#include "pixels/output_rgb_rows.h"
#include "pixels/output_sums_avx2.h"
#include "pixels/pixel_kernels.h"
#include "pixels/simd_target.h"

#if KVTC_X86
#include <immintrin.h>

#include <algorithm>
#include <cstring>

namespace kvtc::pixels::output {
namespace {

// One term of sixteen blocks from their offsets d (16-bit), in its rounded-product form.
KVTC_AVX2 __m256i Term(__m256i d, RoundedTermForm f) {
  const __m256i factor = _mm256_set1_epi16(static_cast<short>(f.factor));
  const __m256i term = _mm256_mulhrs_epi16(_mm256_slli_epi16(d, f.shift), factor);
  if (!f.oneAt) return term;
  const __m256i oneAt = _mm256_set1_epi16(static_cast<short>(f.oneAt));
  return _mm256_sub_epi16(term, _mm256_cmpeq_epi16(d, oneAt));
}

KVTC_AVX2 void Store16(std::int16_t* to, __m256i words) {
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(to), words);
}

KVTC_AVX2 void Terms(const std::uint8_t* u, const std::uint8_t* v, std::uint32_t n,
                     const DecoderTables& t, std::int16_t* red, std::int16_t* green,
                     std::int16_t* blue) {
  const __m256i centre = _mm256_set1_epi16(128);
  std::uint32_t i = 0;
  for (; i + 16 <= n; i += 16) {
    const __m256i uu =
        _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(u + i)));
    const __m256i vv =
        _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(v + i)));
    Store16(red + i, Term(_mm256_sub_epi16(vv, centre), kRedFromVRounded));
    Store16(green + i, _mm256_add_epi16(Term(_mm256_sub_epi16(centre, uu), kGreenFromURounded),
                                        Term(_mm256_sub_epi16(centre, vv), kGreenFromVRounded)));
    Store16(blue + i, Term(_mm256_sub_epi16(uu, centre), kBlueFromURounded));
  }
  ChromaTermsPlain(u + i, v + i, n - i, t, red + i, green + i, blue + i);
}

// Sixteen pixels from luma[step*i] and their terms.
KVTC_AVX2 void SixteenPixels(const std::uint8_t* luma, unsigned step, const std::int16_t* red,
                             const std::int16_t* green, const std::int16_t* blue,
                             std::uint32_t* out) {
  const __m256i l = LumaTerms16(luma, step);
  const __m256i zero = _mm256_setzero_si256();
  const __m256i bg = _mm256_packus_epi16(_mm256_add_epi16(l, BlockTerms16(blue, step)),
                                         _mm256_add_epi16(l, BlockTerms16(green, step)));
  const __m256i r = _mm256_packus_epi16(_mm256_add_epi16(l, BlockTerms16(red, step)), zero);
  const __m256i bgPairs = _mm256_unpacklo_epi8(bg, _mm256_srli_si256(bg, 8));
  const __m256i rPairs = _mm256_unpacklo_epi8(r, zero);
  const __m256i first = _mm256_unpacklo_epi16(bgPairs, rPairs);   // pixels 0-3, 8-11
  const __m256i second = _mm256_unpackhi_epi16(bgPairs, rPairs);  // 4-7, 12-15
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(out),
                      _mm256_permute2x128_si256(first, second, 0x20));
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 8),
                      _mm256_permute2x128_si256(first, second, 0x31));
}

KVTC_AVX2 void Pixels(const std::uint8_t* luma, unsigned step, ChromaRow t, std::uint32_t n,
                      std::uint32_t* out) {
  const std::uint32_t perBlock = step == 1 ? 2 : 1;
  std::uint32_t i = 0;
  // With step 2 a vector's luma reaches the sample after its last pixel's.
  for (; i + 16 <= n; i += 16) {
    const std::uint32_t b = i / perBlock;
    SixteenPixels(luma + step * i, step, t.red + b, t.green + b, t.blue + b, out + i);
  }
  if (i == n) return;
  // The last pixels through copies, so that nothing past them is read.
  const std::uint32_t rest = n - i, b = i / perBlock, blocks = (rest + perBlock - 1) / perBlock;
  std::uint8_t y[32] = {};
  std::int16_t red[16] = {}, green[16] = {}, blue[16] = {};
  std::uint32_t px[16];
  std::memcpy(y, luma + step * i, step * (rest - 1) + 1);
  std::memcpy(red, t.red + b, 2 * blocks);
  std::memcpy(green, t.green + b, 2 * blocks);
  std::memcpy(blue, t.blue + b, 2 * blocks);
  SixteenPixels(y, step, red, green, blue, px);
  std::memcpy(out + i, px, 4 * rest);
}

// Within each 128-bit lane: four words to twelve bytes and back.
KVTC_AVX2 __m256i PackControl() {
  return _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1, 0, 1, 2, 4, 5, 6,
                          8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
}
KVTC_AVX2 __m256i UnpackControl() {
  return _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1, 0, 1, 2, -1, 3, 4,
                          5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
}

// Eight pixels into a 24- or 32-bit destination that has room for sixteen.
KVTC_AVX2 void StoreEightWords(__m256i v, std::uint32_t bytes, std::uint8_t* dst) {
  if (bytes == 4) {
    auto* d = reinterpret_cast<__m256i*>(dst);
    _mm256_storeu_si256(
        d, _mm256_blendv_epi8(_mm256_loadu_si256(d), v, _mm256_set1_epi32(0x00FFFFFF)));
    return;
  }
  const __m256i packed = _mm256_shuffle_epi8(v, PackControl());
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm256_castsi256_si128(packed));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 12), _mm256_extracti128_si256(packed, 1));
}

KVTC_AVX2 void StoreEight(const std::uint32_t* px, std::uint32_t bytes, std::uint8_t* dst) {
  StoreEightWords(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(px)), bytes, dst);
}

KVTC_AVX2 void Store(const std::uint32_t* px, std::uint32_t n, std::uint32_t bytes,
                     std::uint8_t* dst) {
  std::uint32_t i = 0;
  for (; i + 16 <= n; i += 8) StoreEight(px + i, bytes, dst + bytes * i);
  for (; i < n; i += 8) {  // through a copy of the destination
    const std::uint32_t rest = n - i < 8 ? n - i : 8;
    std::uint32_t words[8] = {};
    std::uint8_t local[64];
    std::memcpy(words, px + i, 4 * rest);
    std::memcpy(local, dst + bytes * i, bytes * rest);
    StoreEight(words, bytes, local);
    std::memcpy(dst + bytes * i, local, bytes * rest);
  }
}

KVTC_AVX2 __m256i LoadEight24(const std::uint8_t* src) {
  const __m256i bytes = _mm256_inserti128_si256(
      _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src))),
      _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 12)), 1);
  return _mm256_shuffle_epi8(bytes, UnpackControl());
}

KVTC_AVX2 void Load(const std::uint8_t* src, std::uint32_t n, std::uint32_t bytes,
                    std::uint32_t* out) {
  if (bytes == 4) {
    std::memcpy(out, src, 4 * std::size_t{n});
    return;
  }
  std::uint32_t i = 0;
  for (; i + 16 <= n; i += 8) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), LoadEight24(src + 3 * i));
  }
  for (; i < n; i += 8) {
    const std::uint32_t rest = n - i < 8 ? n - i : 8;
    std::uint8_t local[32] = {};
    std::uint32_t words[8];
    std::memcpy(local, src + 3 * i, 3 * rest);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(words), LoadEight24(local));
    std::memcpy(out + i, words, 4 * rest);
  }
}

KVTC_AVX2 void Spread(const std::uint32_t* even, std::uint32_t n, std::uint32_t* out) {
  std::uint32_t i = 0;
  for (; i + 16 <= n; i += 16) {
    const __m256i e = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(even + i / 2));
    const __m256i m =
        _mm256_avg_epu8(e, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(even + i / 2 + 1)));
    const __m256i low = _mm256_unpacklo_epi32(e, m), high = _mm256_unpackhi_epi32(e, m);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i),
                        _mm256_permute2x128_si256(low, high, 0x20));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i + 8),
                        _mm256_permute2x128_si256(low, high, 0x31));
  }
  for (; i < n; ++i) {
    out[i] = i % 2 ? static_cast<std::uint32_t>(_mm_cvtsi128_si32(
                         _mm_avg_epu8(_mm_cvtsi32_si128(static_cast<int>(even[i / 2])),
                                      _mm_cvtsi32_si128(static_cast<int>(even[i / 2 + 1])))))
                   : even[i / 2];
  }
}

KVTC_AVX2 void Average(const std::uint32_t* a, const std::uint32_t* b, std::uint32_t n,
                       std::uint32_t* out) {
  std::uint32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    _mm256_storeu_si256(
        reinterpret_cast<__m256i*>(out + i),
        _mm256_avg_epu8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + i)),
                        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + i))));
  }
  for (; i < n; ++i) {
    out[i] = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_avg_epu8(
        _mm_cvtsi32_si128(static_cast<int>(a[i])), _mm_cvtsi32_si128(static_cast<int>(b[i])))));
  }
}

KVTC_AVX2 void StoreMean(const std::uint32_t* a, const std::uint32_t* b, std::uint32_t n,
                         std::uint32_t bytes, std::uint8_t* dst) {
  std::uint32_t i = 0;
  for (; i + 16 <= n; i += 8) {
    StoreEightWords(_mm256_avg_epu8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + i)),
                                    _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + i))),
                    bytes, dst + bytes * i);
  }
  if (i == n) return;
  std::uint32_t mean[16];
  Average(a + i, b + i, n - i, mean);
  Store(mean, n - i, bytes, dst + bytes * i);
}

// A 256-byte table looked up at every byte of a vector: sixteen 16-byte shuffles, the upper
// half's through the shuffle's zeroing of indices with the top bit set, then a tree of blends on
// index bits 4, 5 and 6.
struct ByteTable {
  __m256i chunk[16];
};

KVTC_AVX2 ByteTable LoadByteTable(const std::uint8_t* table) {
  ByteTable t;
  for (int k = 0; k < 16; ++k) {
    const auto* sixteen = reinterpret_cast<const __m128i*>(table + 16 * k);
    t.chunk[k] = _mm256_broadcastsi128_si256(_mm_loadu_si128(sixteen));
  }
  return t;
}

KVTC_AVX2 __m256i LookUp(__m256i index, const ByteTable& t) {
  const __m256i flipped = _mm256_xor_si256(index, _mm256_set1_epi8(static_cast<char>(0x80)));
  __m256i level[8];
  for (int k = 0; k < 8; ++k) {
    level[k] = _mm256_or_si256(_mm256_shuffle_epi8(t.chunk[k], index),
                               _mm256_shuffle_epi8(t.chunk[k + 8], flipped));
  }
  for (int bit = 4, count = 8; bit < 7; ++bit, count /= 2) {
    // Index bit `bit` moved to the top of its byte, where the blend reads it.
    const __m256i select = _mm256_sll_epi16(index, _mm_cvtsi32_si128(7 - bit));
    for (int k = 0; k < count / 2; ++k) {
      level[k] = _mm256_blendv_epi8(level[2 * k], level[2 * k + 1], select);
    }
  }
  return level[0];
}

KVTC_AVX2 void Gamma(std::uint32_t* px, std::uint32_t n, const std::uint8_t* table) {
  const ByteTable t = LoadByteTable(table);
  const __m256i components = _mm256_set1_epi32(0x00FFFFFF);
  std::uint32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    auto* at = reinterpret_cast<__m256i*>(px + i);
    _mm256_storeu_si256(at, _mm256_and_si256(LookUp(_mm256_loadu_si256(at), t), components));
  }
  GammaPlain(px + i, n - i, table);
}

KVTC_AVX2 void Grey(const std::uint8_t* luma, std::uint32_t n, const std::uint8_t* levels,
                     std::uint32_t* out) {
  const ByteTable t = LoadByteTable(levels);
  std::uint32_t i = 0;
  for (; i + 32 <= n; i += 32) {
    const __m256i level =
        LookUp(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(luma + i)), t);
    for (int q = 0; q < 4; ++q) {
      const __m128i eight =
          q < 2 ? _mm256_castsi256_si128(level) : _mm256_extracti128_si256(level, 1);
      const __m256i l = _mm256_cvtepu8_epi32(q % 2 ? _mm_srli_si128(eight, 8) : eight);
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i + 8 * q),
                          _mm256_mullo_epi32(l, _mm256_set1_epi32(0x010101)));
    }
  }
  GreyWordsPlain(luma + i, n - i, levels, out + i);
}

}  // namespace

extern const RgbRowKernels kRgbRowsAvx2{Terms,   Pixels, Load, Store,    Spread,
                                        Average, Gamma,  Grey, StoreMean};

// 8-bit grey indices, 26 + min(luma, 215), thirty-two at a time.
KVTC_AVX2 void WriteGreyIndicesAvx2(const ConstPlaneSet& p, std::uint8_t* out) {
  if (!p) return;
  const __m256i top = _mm256_set1_epi8(static_cast<char>(215));
  const __m256i base = _mm256_set1_epi8(26);
  for (std::uint32_t y = 0; y < p.height; ++y) {
    const std::uint8_t* luma = p.LumaRow(y + 1) + 1;
    std::uint8_t* row = out + std::size_t{p.width} * y;
    std::uint32_t x = 0;
    for (; x + 32 <= p.width; x += 32) {
      const __m256i l = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(luma + x));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + x),
                          _mm256_add_epi8(_mm256_min_epu8(l, top), base));
    }
    for (; x < p.width; ++x) row[x] = static_cast<std::uint8_t>(26 + std::min<int>(luma[x], 215));
  }
}


}  // namespace kvtc::pixels::output
#endif
