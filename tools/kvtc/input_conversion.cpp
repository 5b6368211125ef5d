#include "kvtc/input_conversion.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "kvtc/edge_padding.h"

namespace kvtc::tool {
namespace {

struct Layout {
  WORD bitCount;
  DWORD compression;
  unsigned colours;  // colour-table entries
};

Layout LayoutOf(InputFormat f) {
  switch (f) {
    case InputFormat::Rgb24: return {24, BI_RGB, 0};
    case InputFormat::Rgb32: return {32, BI_RGB, 0};
    case InputFormat::Rgb555: return {16, BI_RGB, 0};
    case InputFormat::Pal8: return {8, BI_RGB, 256};
    case InputFormat::Gray8: return {8, BI_RGB, 256};
    case InputFormat::Gray6: return {6, BI_RGB, 64};
    case InputFormat::Gray4: return {4, BI_RGB, 16};
    case InputFormat::Yuy2: return {16, MakeFourcc("YUY2"), 0};
    case InputFormat::Cyuv: return {16, MakeFourcc("cyuv"), 0};
    case InputFormat::Yvu9: return {9, MakeFourcc("YVU9"), 0};
  }
  return {24, BI_RGB, 0};
}

int QuarterCeil(int n) { return (n + 3) / 4; }

std::size_t ImageBytes(InputFormat f, int w, int h) {
  switch (f) {
    case InputFormat::Rgb24: return std::size_t(3) * w * h;
    case InputFormat::Rgb32: return std::size_t(4) * w * h;
    case InputFormat::Rgb555:
    case InputFormat::Yuy2:
    case InputFormat::Cyuv: return std::size_t(2) * w * h;
    case InputFormat::Pal8:
    case InputFormat::Gray8:
    case InputFormat::Gray6: return std::size_t(w) * h;
    case InputFormat::Gray4: return std::size_t((w + 1) / 2) * h;
    case InputFormat::Yvu9: return std::size_t(w) * h + 2 * std::size_t(QuarterCeil(w)) * QuarterCeil(h);
  }
  return 0;
}

RGBQUAD Grey(int v) {
  const auto b = static_cast<BYTE>(v);
  return {b, b, b, 0};
}

// The codec's luma runs 0..215 for black to white; 4-bit input nibbles stand for luma
// 17 * (15 - nibble) without rescaling, so white is about nibble 2.
constexpr double kLumaWhite = 215.0;

int NibbleForGrey(int grey) {
  return 15 - static_cast<int>(std::lround(grey * kLumaWhite / 255.0 / 17.0));
}
int GreyForNibble(int nibble) {
  return std::min(255, static_cast<int>(std::lround(17.0 * (15 - nibble) * 255.0 / kLumaWhite)));
}

// Full-range BT.601 chroma to the codec's: its U is Cb scaled by 0.3679451 / 0.5 and its V is
// Cr scaled by 0.5184451 / 0.5 (the blue and red weights of its colour tables against
// BT.601's).
constexpr double kCodecUScale = 0.3679451 / 0.5;
constexpr double kCodecVScale = 0.5184451 / 0.5;

std::array<std::uint8_t, 256> ChromaTable(double scale) {
  std::array<std::uint8_t, 256> t{};
  for (int i = 0; i < 256; ++i) {
    t[i] = static_cast<std::uint8_t>(
        std::clamp<long>(std::lround(128 + (i - 128) * scale), 0, 255));
  }
  return t;
}

}  // namespace

InputFormat DefaultInputFormat(AVPixelFormat source) {
  if (IsRgbFormat(source)) return InputFormat::Rgb24;
  if (IsGreyFormat(source)) return InputFormat::Gray8;
  return InputFormat::Yuy2;
}

InputConverter::InputConverter(InputFormat format, int width, int height, int sourceWidth,
                               int sourceHeight)
    : format_(format),
      width_(width),
      height_(height),
      sourceWidth_(sourceWidth ? sourceWidth : width),
      sourceHeight_(sourceHeight ? sourceHeight : height) {
  const Layout layout = LayoutOf(format);
  header_ = host::BitmapInfo::WithColours(layout.colours);
  BITMAPINFOHEADER& h = header_.header();
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = layout.bitCount;
  h.biCompression = layout.compression;
  h.biSizeImage = static_cast<DWORD>(ImageBytes(format, width, height));
  h.biClrUsed = layout.colours;
  std::span<RGBQUAD> table = header_.colours();
  for (unsigned i = 0; i < layout.colours; ++i) {
    switch (format) {
      case InputFormat::Pal8:  // 3-3-2: red in the top three bits, blue in the bottom two
        table[i] = {static_cast<BYTE>(std::lround((i & 3) * 255.0 / 3)),
                    static_cast<BYTE>(std::lround(((i >> 2) & 7) * 255.0 / 7)),
                    static_cast<BYTE>(std::lround((i >> 5) * 255.0 / 7)), 0};
        break;
      case InputFormat::Gray8: table[i] = Grey(static_cast<int>(i)); break;
      case InputFormat::Gray6: table[i] = Grey(static_cast<int>(std::lround(i * 255.0 / 63))); break;
      case InputFormat::Gray4: table[i] = Grey(GreyForNibble(static_cast<int>(i))); break;
      default: break;
    }
  }
  bits_.resize(h.biSizeImage);
}

std::optional<BYTE> InputConverter::RequiredInputCode() const {
  if (format_ == InputFormat::Gray8) return 11;
  return std::nullopt;
}

std::span<const std::uint8_t> InputConverter::Convert(const AVFrame& picture) {
  switch (format_) {
    case InputFormat::Rgb24:
      ConvertBottomUp(picture, bits_.data(), 3 * width_, AV_PIX_FMT_BGR24, false);
      break;
    case InputFormat::Rgb32:
      ConvertBottomUp(picture, bits_.data(), 4 * width_, AV_PIX_FMT_BGR0, false);
      break;
    case InputFormat::Rgb555:
      ConvertBottomUp(picture, bits_.data(), 2 * width_, AV_PIX_FMT_RGB555LE, false);
      break;
    case InputFormat::Pal8:
      ConvertPalette(picture);
      break;
    case InputFormat::Gray8:
    case InputFormat::Gray6:
    case InputFormat::Gray4:
      ConvertGrey(picture);
      break;
    case InputFormat::Yuy2:
      ConvertPacked422(picture, AV_PIX_FMT_YUYV422);
      break;
    case InputFormat::Cyuv:
      ConvertPacked422(picture, AV_PIX_FMT_UYVY422);
      break;
    case InputFormat::Yvu9:
      ConvertYvu9(picture);
      break;
  }
  return bits_;
}

std::pair<int, int> InputConverter::SourceSize(const AVFrame& picture) const {
  // A picture larger than the bitmap by an odd last row or column is cropped, not scaled.
  const bool crop = picture.width >= sourceWidth_ && picture.height >= sourceHeight_ &&
                    picture.width - sourceWidth_ <= 1 && picture.height - sourceHeight_ <= 1;
  return crop ? std::pair(sourceWidth_, sourceHeight_) : std::pair(picture.width, picture.height);
}

const AVFrame& InputConverter::Stage(const AVFrame& picture, AVPixelFormat format,
                                     bool fullRange) {
  // libswscale writes whole vectors and may pass the end of a row, so it writes into padded
  // buffers of its own and the rows are copied out from there.
  if (!staged_ || staged_->format != format) staged_ = AllocFrame(width_, height_, format);
  const auto [w, h] = SourceSize(picture);
  if (sourceWidth_ == width_ && sourceHeight_ == height_) {
    scaler_.Convert(picture, w, h, *staged_, fullRange);
    return *staged_;
  }
  if (!unpadded_ || unpadded_->format != format) {
    unpadded_ = AllocFrame(sourceWidth_, sourceHeight_, format);
  }
  scaler_.Convert(picture, w, h, *unpadded_, fullRange);
  PadByRepeatingEdges(*unpadded_, *staged_);
  return *staged_;
}

void InputConverter::ConvertBottomUp(const AVFrame& picture, std::uint8_t* bits, int rowBytes,
                                     AVPixelFormat format, bool fullRange) {
  const AVFrame& staged = Stage(picture, format, fullRange);
  for (int y = 0; y < height_; ++y) {
    std::memcpy(bits + static_cast<std::size_t>(height_ - 1 - y) * rowBytes,
                staged.data[0] + static_cast<std::ptrdiff_t>(y) * staged.linesize[0],
                static_cast<std::size_t>(rowBytes));
  }
}

void InputConverter::ConvertPacked422(const AVFrame& picture, AVPixelFormat packed) {
  ConvertBottomUp(picture, bits_.data(), 2 * width_, packed, true);
  static const std::array<std::uint8_t, 256> u = ChromaTable(kCodecUScale);
  static const std::array<std::uint8_t, 256> v = ChromaTable(kCodecVScale);
  // YUYV keeps U and V at bytes 1 and 3 of each pixel pair, UYVY at bytes 0 and 2.
  const std::size_t uAt = packed == AV_PIX_FMT_YUYV422 ? 1 : 0;
  for (std::size_t i = 0; i + 3 < bits_.size(); i += 4) {
    bits_[i + uAt] = u[bits_[i + uAt]];
    bits_[i + uAt + 2] = v[bits_[i + uAt + 2]];
  }
}

void InputConverter::ConvertPalette(const AVFrame& picture) {
  // Each pixel goes to the nearest level of each component of the 3-3-2 table, on its own:
  // a still picture gives the same indices every frame, and rounding keeps the luma closer
  // than a dither would once the codec has averaged the chroma.
  work_.resize(static_cast<std::size_t>(3) * width_ * height_);
  ConvertBottomUp(picture, work_.data(), 3 * width_, AV_PIX_FMT_BGR24, false);
  const auto level = [](int c, int top) { return (c * top * 2 + 255) / 510; };
  for (std::size_t i = 0; i < bits_.size(); ++i) {
    const std::uint8_t* p = &work_[3 * i];
    bits_[i] = static_cast<std::uint8_t>(level(p[2], 7) << 5 | level(p[1], 7) << 2 |
                                         level(p[0], 3));
  }
}

void InputConverter::ConvertGrey(const AVFrame& picture) {
  work_.resize(static_cast<std::size_t>(width_) * height_);
  ConvertBottomUp(picture, work_.data(), width_, AV_PIX_FMT_GRAY8, true);
  if (format_ == InputFormat::Gray8) {
    std::copy(work_.begin(), work_.end(), bits_.begin());
  } else if (format_ == InputFormat::Gray6) {
    // Six significant bits in the low bits of each byte.
    for (std::size_t i = 0; i < work_.size(); ++i) bits_[i] = work_[i] >> 2;
  } else {
    // Two pixels a byte, the left one in the high nibble; rows of (width + 1) / 2 bytes.
    static const std::array<std::uint8_t, 256> nibble = [] {
      std::array<std::uint8_t, 256> t{};
      for (int g = 0; g < 256; ++g) t[g] = static_cast<std::uint8_t>(NibbleForGrey(g));
      return t;
    }();
    const int rowBytes = (width_ + 1) / 2;
    for (int y = 0; y < height_; ++y) {
      const std::uint8_t* src = &work_[static_cast<std::size_t>(y) * width_];
      std::uint8_t* dst = &bits_[static_cast<std::size_t>(y) * rowBytes];
      for (int x = 0; x < rowBytes; ++x) {
        const int right = 2 * x + 1 < width_ ? nibble[src[2 * x + 1]] : 0;
        dst[x] = static_cast<std::uint8_t>(nibble[src[2 * x]] << 4 | right);
      }
    }
  }
}

void InputConverter::ConvertYvu9(const AVFrame& picture) {
  // Y, then V, then U, each plane top row first; chroma a quarter of the size each way. The
  // codec codes the luma plane only, as it stands, so luma is given in the codec's own
  // 0..215 scale.
  const AVFrame& staged = Stage(picture, AV_PIX_FMT_YUV410P, true);
  static const std::array<std::uint8_t, 256> luma = [] {
    std::array<std::uint8_t, 256> t{};
    for (int i = 0; i < 256; ++i) t[i] = static_cast<std::uint8_t>((i * 215 + 127) / 255);
    return t;
  }();
  const int cw = QuarterCeil(width_);
  const int ch = QuarterCeil(height_);
  std::uint8_t* out = bits_.data();
  const struct {
    int plane, width, height;
  } planes[] = {{0, width_, height_}, {2, cw, ch}, {1, cw, ch}};
  for (const auto& p : planes) {
    for (int y = 0; y < p.height; ++y) {
      std::memcpy(out, staged.data[p.plane] + static_cast<std::ptrdiff_t>(y) * staged.linesize[p.plane],
                  static_cast<std::size_t>(p.width));
      if (p.plane == 0) {
        std::transform(out, out + p.width, out, [](std::uint8_t v) { return luma[v]; });
      }
      out += p.width;
    }
  }
}

}  // namespace kvtc::tool
