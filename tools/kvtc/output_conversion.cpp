#include "kvtc/output_conversion.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace kvtc::tool {
namespace {

// The picture format ToPicture gives for each layout.
AVPixelFormat PictureFormat(host::OutputFormat f) {
  switch (f) {
    case host::OutputFormat::Rgb32: return AV_PIX_FMT_BGR0;
    case host::OutputFormat::Rgb24: return AV_PIX_FMT_BGR24;
    case host::OutputFormat::Rgb555: return AV_PIX_FMT_BGR24;
    case host::OutputFormat::Yuy2: return AV_PIX_FMT_YUYV422;
    case host::OutputFormat::Gray8:
    case host::OutputFormat::Pal332:
    case host::OutputFormat::Cube: return AV_PIX_FMT_PAL8;
    case host::OutputFormat::Gray4: return AV_PIX_FMT_GRAY8;
  }
  return AV_PIX_FMT_BGR24;
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

OutputConverter::OutputConverter(host::OutputFormat format, int width, int height,
                                 std::span<const RGBQUAD> palette, int zoom)
    : format_(format),
      width_(width),
      height_(height),
      zoom_(zoom),
      picture_(AllocFrame(width, height, PictureFormat(format))) {
  if (format == host::OutputFormat::Yuy2 || format == host::OutputFormat::Gray4) {
    picture_->color_range = AVCOL_RANGE_JPEG;
  }
  if (host::UsesPalette(format)) {
    auto* argb = reinterpret_cast<std::uint32_t*>(picture_->data[1]);
    for (std::size_t i = 0; i < 256; ++i) {
      const RGBQUAD c = i < palette.size() ? palette[i] : RGBQUAD{0, 0, 0, 0};
      argb[i] = 0xFF000000u | std::uint32_t{c.rgbRed} << 16 | std::uint32_t{c.rgbGreen} << 8 |
                c.rgbBlue;
    }
  }
}

const AVFrame& OutputConverter::ToPicture(std::span<const std::uint8_t> bitmap) {
  const std::size_t row = host::OutputRowBytes(format_, width_);
  for (int y = 0; y < height_; ++y) {
    const std::uint8_t* src = bitmap.data() + row * y;
    std::uint8_t* dst = picture_->data[0] + static_cast<std::ptrdiff_t>(picture_->linesize[0]) * y;
    if (format_ == host::OutputFormat::Gray4) {
      // Nibble n holds luma 17 * (15 - n) up to 16 more: black's nibble is 15 and white's
      // (luma 215) is 3, so nibbles 15..3 spread evenly over 0..255.
      static const std::array<std::uint8_t, 16> grey = [] {
        std::array<std::uint8_t, 16> t{};
        for (int n = 0; n < 16; ++n) t[n] = Clamp((15 - n) * 255.0 / 12);
        return t;
      }();
      for (int x = 0; x < width_; ++x) {
        const std::uint8_t b = src[x / 2];
        dst[x] = grey[(x & 1) ? (b & 15) : (b >> 4)];
      }
    } else if (format_ == host::OutputFormat::Yuy2) {
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
    } else if (format_ == host::OutputFormat::Rgb555) {
      // Five bits a component, widened with their top bits repeated so 31 is 255.
      for (int x = 0; x < width_; ++x) {
        const unsigned w = src[2 * x] | src[2 * x + 1] << 8;
        for (int c = 0; c < 3; ++c) {
          const unsigned v = (w >> (5 * c)) & 31;
          dst[3 * x + c] = static_cast<std::uint8_t>(v << 3 | v >> 2);
        }
      }
    } else if (format_ == host::OutputFormat::Gray8) {
      // The codec's 8-bit grey picture sits one sample (zoom pixels) left of and below its
      // other layouts: move it back, repeating the first columns and the last rows.
      const std::size_t z = std::min<std::size_t>(zoom_, row);
      const std::uint8_t* from = bitmap.data() + row * std::min(y + zoom_, height_ - 1);
      std::memset(dst, from[0], z);
      std::memcpy(dst + z, from, row - z);
    } else {
      std::memcpy(dst, src, row);
    }
  }
  return *picture_;
}

}  // namespace kvtc::tool
