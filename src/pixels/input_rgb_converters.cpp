// The RGB family of input converters: 24/32-bit RGB, 5-5-5, packed bit fields and palettised.
#include <algorithm>

#include "pixels/block_walk.h"
#include "pixels/input_converters.h"
#include "pixels/plane_margins.h"

namespace kvtc::pixels {
namespace {

struct Rgb {
  std::uint32_t r, g, b;
};

// The colour tables' entries are added and the low byte kept: luma and chroma are bytes.
std::uint8_t LumaOf(const EncoderColourTables& t, Rgb c) {
  return static_cast<std::uint8_t>(t.lumaFromR[c.r] + t.lumaFromG[c.g] + t.lumaFromB[c.b]);
}

struct RgbReader {
  RgbChannels ch;
  Rgb operator()(const std::uint8_t* px) const { return {px[ch.red], px[ch.green], px[ch.blue]}; }
};

// 5-5-5 fields in a little-endian word, each moved to the top of a byte (the low three bits
// stay 0).
struct Rgb555Reader {
  Rgb operator()(const std::uint8_t* px) const {
    const std::uint32_t w = px[0] | (px[1] << 8);
    return {((w >> 10) & 31) << 3, ((w >> 5) & 31) << 3, (w & 31) << 3};
  }
};

struct BitFieldReader {
  BitFieldLayout layout;
  Rgb operator()(const std::uint8_t* px) const {
    std::uint32_t bits = 0;
    for (std::uint32_t i = 0; i < layout.pixelBytes; ++i) bits |= std::uint32_t{px[i]} << (8 * i);
    const auto take = [&bits](std::uint32_t count) {
      const std::uint32_t value = bits & ((1u << count) - 1);
      bits >>= count;
      return value;
    };
    const std::uint32_t blue = take(layout.blueBits);
    const std::uint32_t green = take(layout.greenBits);
    return {take(layout.redBits), green, blue};
  }
};

// One 2x2 block: its four luma samples, and its chroma where the planes have room for it.
template <class Reader>
void ConvertRgbBlock(const std::uint8_t* src, std::size_t bytesPerPixel, const PlaneSet& p,
                     const EncoderColourTables& t, const Reader& read, const Block& k) {
  const std::size_t rowBytes = bytesPerPixel * p.width;
  const std::uint8_t* row0 = src + k.y0 * rowBytes;
  const std::uint8_t* row1 = src + k.y1 * rowBytes;
  const Rgb a = read(row0 + k.x0 * bytesPerPixel);
  const Rgb b = read(row0 + k.x1 * bytesPerPixel);
  const Rgb c = read(row1 + k.x0 * bytesPerPixel);
  const Rgb d = read(row1 + k.x1 * bytesPerPixel);
  std::uint8_t* luma0 = p.LumaRow(k.y0);
  std::uint8_t* luma1 = p.LumaRow(k.y1);
  luma0[k.x0] = LumaOf(t, a);
  luma0[k.x1] = LumaOf(t, b);
  luma1[k.x0] = LumaOf(t, c);
  luma1[k.x1] = LumaOf(t, d);
  if (k.bx < p.chromaCols && k.by < p.chromaRows) {
    const std::uint32_t sr = a.r + b.r + c.r + d.r;
    const std::uint32_t sg = a.g + b.g + c.g + d.g;
    const std::uint32_t sb = a.b + b.b + c.b + d.b;
    const std::size_t at = k.by * p.chromaStride + k.bx;
    const std::uint8_t* clamp = t.chromaClamp.data() + kChromaClampOffset;
    p.u[at] = clamp[t.uFromR[sr] + t.uFromG[sg] + t.uFromB[sb]];
    p.v[at] = clamp[t.vFromR[sr] + t.vFromG[sg] + t.vFromB[sb]];
  }
}

template <class Reader>
void ConvertRgbFamily(const std::uint8_t* src, std::size_t bytesPerPixel, const PlaneSet& p,
                      const EncoderColourTables& t, const Reader& read) {
  if (!p) return;
  ForEachBlock(p.width, p.height,
               [&](const Block& k) { ConvertRgbBlock(src, bytesPerPixel, p, t, read, k); });
  FinishRgbMargins(p);
}

template <class Reader>
void LumaFromRgbFamily(const std::uint8_t* src, std::size_t bytesPerPixel, const PlaneSet& p,
                       const EncoderColourTables& t, const Reader& read) {
  if (!p) return;
  for (std::uint32_t y = 0; y < p.height; ++y) {
    const std::uint8_t* px = src + y * bytesPerPixel * p.width;
    std::uint8_t* luma = p.LumaRow(y);
    for (std::uint32_t x = 0; x < p.width; ++x, px += bytesPerPixel) luma[x] = LumaOf(t, read(px));
  }
  FinishLumaMargins(p);
}

}  // namespace

BitFieldLayout BitFieldsFromSettings(const std::uint8_t bits[3], std::uint8_t pixelBytes) {
  const auto count = [](std::uint8_t b) { return std::min<std::uint32_t>(b, 8); };
  return {count(bits[0]), count(bits[1]), count(bits[2]),
          std::clamp<std::uint32_t>(pixelBytes, 1, 4)};
}

void ConvertFromRgb(const std::uint8_t* src, const PlaneSet& planes, RgbChannels channels,
                    const EncoderColourTables& colour) {
  ConvertRgbFamily(src, channels.bytesPerPixel, planes, colour, RgbReader{channels});
}

void ConvertFromRgbBlocks(const std::uint8_t* src, const PlaneSet& p, RgbChannels channels,
                          const EncoderColourTables& colour, std::uint32_t by,
                          std::uint32_t firstBlock) {
  const std::uint32_t y0 = 2 * by, y1 = std::min(y0 + 1, p.height - 1);
  for (std::uint32_t bx = firstBlock; bx < (p.width + 1) / 2; ++bx) {
    const Block k{bx, by, 2 * bx, std::min(2 * bx + 1, p.width - 1), y0, y1};
    ConvertRgbBlock(src, channels.bytesPerPixel, p, colour, RgbReader{channels}, k);
  }
}

void FinishRgbMargins(const PlaneSet& p) {
  FinishLumaMargins(p);
  FinishChromaMargins(p, p.chromaCols, p.chromaRows);
}

void LumaFromRgb(const std::uint8_t* src, const PlaneSet& planes, RgbChannels channels,
                 const EncoderColourTables& colour) {
  LumaFromRgbFamily(src, channels.bytesPerPixel, planes, colour, RgbReader{channels});
}

void ConvertFromRgb555(const std::uint8_t* src, const PlaneSet& planes,
                       const EncoderColourTables& colour) {
  ConvertRgbFamily(src, 2, planes, colour, Rgb555Reader{});
}

void LumaFromRgb555(const std::uint8_t* src, const PlaneSet& planes,
                    const EncoderColourTables& colour) {
  LumaFromRgbFamily(src, 2, planes, colour, Rgb555Reader{});
}

void ConvertFromBitFields(const std::uint8_t* src, const PlaneSet& planes, BitFieldLayout layout,
                          const EncoderColourTables& colour) {
  ConvertRgbFamily(src, layout.pixelBytes, planes, colour, BitFieldReader{layout});
}

void ConvertFromPalette(const std::uint8_t* src, const PlaneSet& p, PaletteTables palette,
                        const std::uint8_t* quarterSum) {
  if (!p) return;
  const std::size_t rowBytes = p.width;
  ForEachBlock(p.width, p.height, [&](const Block& k) {
    const std::uint8_t a = src[k.y0 * rowBytes + k.x0];
    const std::uint8_t b = src[k.y0 * rowBytes + k.x1];
    const std::uint8_t c = src[k.y1 * rowBytes + k.x0];
    const std::uint8_t d = src[k.y1 * rowBytes + k.x1];
    p.LumaRow(k.y0)[k.x0] = palette.y[a];
    p.LumaRow(k.y0)[k.x1] = palette.y[b];
    p.LumaRow(k.y1)[k.x0] = palette.y[c];
    p.LumaRow(k.y1)[k.x1] = palette.y[d];
    if (k.bx < p.chromaCols && k.by < p.chromaRows) {
      const std::size_t at = k.by * p.chromaStride + k.bx;
      p.u[at] = quarterSum[palette.u[a] + palette.u[b] + palette.u[c] + palette.u[d]];
      p.v[at] = quarterSum[palette.v[a] + palette.v[b] + palette.v[c] + palette.v[d]];
    }
  });
  FinishRgbMargins(p);
}

}  // namespace kvtc::pixels
