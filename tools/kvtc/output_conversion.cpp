#include "kvtc/output_conversion.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace kvtc::tool {
namespace {

struct Layout {
  WORD bitCount;
  DWORD compression;
  BYTE code;
  AVPixelFormat picture;  // what ToPicture gives
};

Layout LayoutOf(OutputFormat f) {
  switch (f) {
    case OutputFormat::Rgb32: return {32, BI_RGB, 1, AV_PIX_FMT_BGR0};
    case OutputFormat::Rgb24: return {24, BI_RGB, 2, AV_PIX_FMT_BGR24};
    case OutputFormat::Rgb555: return {16, BI_RGB, 3, AV_PIX_FMT_RGB555LE};
    case OutputFormat::Yuy2: return {16, MakeFourcc("YUY2"), 0, AV_PIX_FMT_YUYV422};
    case OutputFormat::Gray8: return {8, BI_RGB, 11, AV_PIX_FMT_PAL8};
    case OutputFormat::Pal332: return {8, BI_RGB, 7, AV_PIX_FMT_PAL8};
    case OutputFormat::Cube: return {8, BI_RGB, 8, AV_PIX_FMT_PAL8};
    case OutputFormat::Gray4: return {4, BI_RGB, 12, AV_PIX_FMT_GRAY8};
  }
  return {24, BI_RGB, 2, AV_PIX_FMT_BGR24};
}

std::size_t RowBytes(OutputFormat f, int width) {
  const WORD bits = LayoutOf(f).bitCount;
  if (bits == 4) return static_cast<std::size_t>(width + 1) / 2;
  return static_cast<std::size_t>(width) * bits / 8;
}

// The codec's output luma scale: 215 is white (its 1.186165 luma gain).
constexpr double kLumaGain = 1.186165;
// The codec's chroma against BT.601 full-range Cb and Cr: its blue and red gains over
// BT.601's.
constexpr double kCbFromU = 2.406843 / 1.772;
constexpr double kCrFromV = 1.352295 / 1.402;

std::uint8_t Clamp(double v) {
  return static_cast<std::uint8_t>(std::clamp<long>(std::lround(v), 0, 255));
}

}  // namespace

BitmapInfo OutputHeader(OutputFormat format, int width, int height) {
  const Layout layout = LayoutOf(format);
  BitmapInfo info = UsesPalette(format) ? BitmapInfo::WithColours(256) : BitmapInfo();
  BITMAPINFOHEADER& h = info.header();
  h.biWidth = width;
  h.biHeight = -height;
  h.biPlanes = 1;
  h.biBitCount = layout.bitCount;
  h.biCompression = layout.compression;
  h.biSizeImage = static_cast<DWORD>(OutputImageBytes(format, width, height));
  return info;
}

BYTE OutputCode(OutputFormat format) { return LayoutOf(format).code; }

std::size_t OutputImageBytes(OutputFormat format, int width, int height) {
  return RowBytes(format, width) * static_cast<std::size_t>(height);
}

bool UsesPalette(OutputFormat format) {
  return format == OutputFormat::Gray8 || format == OutputFormat::Pal332 ||
         format == OutputFormat::Cube;
}

bool Zoomable(OutputFormat format) {
  return format != OutputFormat::Yuy2 && format != OutputFormat::Gray4;
}

OutputConverter::OutputConverter(OutputFormat format, int width, int height,
                                 std::span<const RGBQUAD> palette)
    : format_(format),
      width_(width),
      height_(height),
      picture_(AllocFrame(width, height, LayoutOf(format).picture)) {
  if (format == OutputFormat::Yuy2) picture_->color_range = AVCOL_RANGE_JPEG;
  if (UsesPalette(format)) {
    auto* argb = reinterpret_cast<std::uint32_t*>(picture_->data[1]);
    for (std::size_t i = 0; i < 256; ++i) {
      const RGBQUAD c = i < palette.size() ? palette[i] : RGBQUAD{0, 0, 0, 0};
      argb[i] = 0xFF000000u | std::uint32_t{c.rgbRed} << 16 | std::uint32_t{c.rgbGreen} << 8 |
                c.rgbBlue;
    }
  }
}

const AVFrame& OutputConverter::ToPicture(std::span<const std::uint8_t> bitmap) {
  const std::size_t row = RowBytes(format_, width_);
  for (int y = 0; y < height_; ++y) {
    const std::uint8_t* src = bitmap.data() + row * y;
    std::uint8_t* dst = picture_->data[0] + static_cast<std::ptrdiff_t>(picture_->linesize[0]) * y;
    if (format_ == OutputFormat::Gray4) {
      // Each nibble n stands for luma 17 * (15 - n).
      static const std::array<std::uint8_t, 16> grey = [] {
        std::array<std::uint8_t, 16> t{};
        for (int n = 0; n < 16; ++n) t[n] = Clamp(17.0 * (15 - n) * kLumaGain);
        return t;
      }();
      for (int x = 0; x < width_; ++x) {
        const std::uint8_t b = src[x / 2];
        dst[x] = grey[(x & 1) ? (b & 15) : (b >> 4)];
      }
    } else if (format_ == OutputFormat::Yuy2) {
      static const std::array<std::array<std::uint8_t, 256>, 3> tables = [] {
        std::array<std::array<std::uint8_t, 256>, 3> t{};
        for (int i = 0; i < 256; ++i) {
          t[0][i] = Clamp(i * kLumaGain);
          t[1][i] = Clamp(128 + (i - 128) * kCbFromU);
          t[2][i] = Clamp(128 + (i - 128) * kCrFromV);
        }
        return t;
      }();
      for (std::size_t i = 0; i + 3 < row; i += 4) {
        dst[i] = tables[0][src[i]];
        dst[i + 1] = tables[1][src[i + 1]];
        dst[i + 2] = tables[0][src[i + 2]];
        dst[i + 3] = tables[2][src[i + 3]];
      }
    } else {
      std::memcpy(dst, src, row);
    }
  }
  return *picture_;
}

}  // namespace kvtc::tool
