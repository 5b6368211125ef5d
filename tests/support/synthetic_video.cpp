#include "support/synthetic_video.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>

namespace kvtc::testing {
namespace {

std::uint8_t Clamp(int v) { return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

int Luma(const std::uint8_t* p) { return (299 * p[0] + 587 * p[1] + 114 * p[2] + 500) / 1000; }

InputBitmap NewBitmap(const RgbPicture& p, WORD bits, DWORD compression, std::size_t tableEntries = 0) {
  InputBitmap b;
  b.header.assign(sizeof(BITMAPINFOHEADER) + tableEntries * sizeof(RGBQUAD), 0);
  BITMAPINFOHEADER* h = b.info();
  h->biSize = sizeof(BITMAPINFOHEADER);
  h->biWidth = p.width;
  h->biHeight = p.height;
  h->biPlanes = 1;
  h->biBitCount = bits;
  h->biCompression = compression;
  h->biClrUsed = static_cast<DWORD>(tableEntries);
  return b;
}

int SourceRow(const RgbPicture& p, int row, bool bottomUp) { return bottomUp ? p.height - 1 - row : row; }

// BT.601-style studio YUV for the YUV layouts.
void ToYuv(const std::uint8_t* p, int& y, int& u, int& v) {
  y = (66 * p[0] + 129 * p[1] + 25 * p[2] + 128) / 256 + 16;
  u = (-38 * p[0] - 74 * p[1] + 112 * p[2] + 128) / 256 + 128;
  v = (112 * p[0] - 94 * p[1] - 18 * p[2] + 128) / 256 + 128;
}

}  // namespace

RgbPicture SceneFrame(int width, int height, int n, int noise) {
  RgbPicture p;
  p.width = width;
  p.height = height;
  p.rgb.resize(3 * static_cast<std::size_t>(width) * height);
  std::mt19937 rng(1234u + static_cast<unsigned>(n));
  std::uniform_int_distribution<int> jitter(-noise, noise);
  const int squareX = (n * 3) % (width > 24 ? width - 24 : 1);
  const int squareY = height / 3;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t* px = p.at(x, y);
      int r = 40 + (x + n) * 160 / (width + 8);
      int g = 60 + y * 150 / (height + 1);
      int b = 120 + static_cast<int>(50 * std::sin((x + 2 * n) / 9.0));
      const int dx = x - squareX, dy = y - squareY;
      if (dx >= 0 && dx < 24 && dy >= 0 && dy < 24) {
        const bool check = ((dx / 4) + (dy / 4)) % 2 == 0;
        r = check ? 230 : 30;
        g = check ? 200 : 40;
        b = check ? 40 : 200;
      }
      px[0] = Clamp(r + (noise ? jitter(rng) : 0));
      px[1] = Clamp(g + (noise ? jitter(rng) : 0));
      px[2] = Clamp(b + (noise ? jitter(rng) : 0));
    }
  }
  return p;
}

const char* LayoutName(InputLayout layout) {
  switch (layout) {
    case InputLayout::Rgb24: return "rgb24";
    case InputLayout::Rgb32: return "rgb32";
    case InputLayout::Rgb555: return "rgb555";
    case InputLayout::Palette8: return "palette8";
    case InputLayout::Grey8Palette: return "grey8-palette";
    case InputLayout::Grey4: return "grey4";
    case InputLayout::Grey6: return "grey6";
    case InputLayout::Yuy2: return "YUY2";
    case InputLayout::YuvSpace: return "YUV ";
    case InputLayout::Cyuv: return "cyuv";
    case InputLayout::Yvu9: return "YVU9";
    case InputLayout::Yuv9: return "YUV9";
  }
  return "?";
}

InputBitmap PackPicture(const RgbPicture& p, InputLayout layout, bool bottomUp) {
  const int w = p.width, h = p.height;
  InputBitmap b;
  auto rowOf = [&](int row) { return SourceRow(p, row, bottomUp); };
  switch (layout) {
    case InputLayout::Rgb24:
    case InputLayout::Rgb32: {
      const int bpp = layout == InputLayout::Rgb24 ? 3 : 4;
      b = NewBitmap(p, static_cast<WORD>(8 * bpp), BI_RGB);
      b.bits.assign(static_cast<std::size_t>(bpp) * w * h, 0);
      for (int row = 0; row < h; ++row) {
        for (int x = 0; x < w; ++x) {
          const std::uint8_t* s = p.at(x, rowOf(row));
          std::uint8_t* d = &b.bits[static_cast<std::size_t>(bpp) * (row * w + x)];
          d[0] = s[2];
          d[1] = s[1];
          d[2] = s[0];
        }
      }
      break;
    }
    case InputLayout::Rgb555: {
      b = NewBitmap(p, 16, BI_RGB);
      b.bits.assign(2 * static_cast<std::size_t>(w) * h, 0);
      for (int row = 0; row < h; ++row) {
        for (int x = 0; x < w; ++x) {
          const std::uint8_t* s = p.at(x, rowOf(row));
          const unsigned word = (s[0] >> 3) << 10 | (s[1] >> 3) << 5 | (s[2] >> 3);
          b.bits[2 * (static_cast<std::size_t>(row) * w + x)] = static_cast<std::uint8_t>(word);
          b.bits[2 * (static_cast<std::size_t>(row) * w + x) + 1] = static_cast<std::uint8_t>(word >> 8);
        }
      }
      break;
    }
    case InputLayout::Palette8:
    case InputLayout::Grey8Palette: {
      const bool grey = layout == InputLayout::Grey8Palette;
      b = NewBitmap(p, 8, BI_RGB, 256);
      auto* table = reinterpret_cast<RGBQUAD*>(b.header.data() + sizeof(BITMAPINFOHEADER));
      for (int i = 0; i < 256; ++i) {
        if (grey) {
          table[i] = RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i), 0};
        } else {  // 3-3-2
          table[i] = RGBQUAD{static_cast<BYTE>((i & 3) * 85), static_cast<BYTE>(((i >> 2) & 7) * 36),
                             static_cast<BYTE>((i >> 5) * 36), 0};
        }
      }
      b.bits.assign(static_cast<std::size_t>(w) * h, 0);
      for (int row = 0; row < h; ++row) {
        for (int x = 0; x < w; ++x) {
          const std::uint8_t* s = p.at(x, rowOf(row));
          b.bits[static_cast<std::size_t>(row) * w + x] =
              grey ? static_cast<std::uint8_t>(Luma(s))
                   : static_cast<std::uint8_t>(((s[0] + 18) / 36 > 7 ? 7 : (s[0] + 18) / 36) << 5 |
                                               ((s[1] + 18) / 36 > 7 ? 7 : (s[1] + 18) / 36) << 2 |
                                               (s[2] + 42) / 85);
        }
      }
      break;
    }
    case InputLayout::Grey4: {
      b = NewBitmap(p, 4, BI_RGB);
      const int rowBytes = (w + 1) / 2;
      b.bits.assign(static_cast<std::size_t>(rowBytes) * h, 0);
      for (int row = 0; row < h; ++row) {
        for (int x = 0; x < w; ++x) {
          // Nibble k stands for 17 (15 - k): bright pictures have small nibbles.
          const int nibble = 15 - (Luma(p.at(x, rowOf(row))) + 8) / 17;
          std::uint8_t& byte = b.bits[static_cast<std::size_t>(row) * rowBytes + x / 2];
          byte |= static_cast<std::uint8_t>(x % 2 == 0 ? nibble << 4 : nibble);
        }
      }
      break;
    }
    case InputLayout::Grey6: {
      b = NewBitmap(p, 6, BI_RGB);
      b.bits.assign(static_cast<std::size_t>(w) * h, 0);
      for (int row = 0; row < h; ++row) {
        for (int x = 0; x < w; ++x) b.bits[static_cast<std::size_t>(row) * w + x] = static_cast<std::uint8_t>(Luma(p.at(x, rowOf(row))) >> 2);
      }
      b.info()->biSizeImage = static_cast<DWORD>(b.bits.size());  // one byte per pixel
      break;
    }
    case InputLayout::Yuy2:
    case InputLayout::YuvSpace:
    case InputLayout::Cyuv:
    case InputLayout::Yuv9: {
      const DWORD fourcc = layout == InputLayout::Yuy2 ? MakeFourcc("YUY2")
                           : layout == InputLayout::YuvSpace ? MakeFourcc("YUV ")
                           : layout == InputLayout::Cyuv ? MakeFourcc("cyuv")
                                                         : MakeFourcc("YUV9");
      b = NewBitmap(p, 16, fourcc);
      b.bits.assign(2 * static_cast<std::size_t>(w) * h, 0);
      const bool uyvy = layout == InputLayout::Cyuv;
      for (int row = 0; row < h; ++row) {
        for (int x = 0; x + 1 < w; x += 2) {
          int y0, u0, v0, y1, u1, v1;
          ToYuv(p.at(x, rowOf(row)), y0, u0, v0);
          ToYuv(p.at(x + 1, rowOf(row)), y1, u1, v1);
          std::uint8_t* d = &b.bits[2 * (static_cast<std::size_t>(row) * w + x)];
          const auto u = static_cast<std::uint8_t>((u0 + u1) / 2), v = static_cast<std::uint8_t>((v0 + v1) / 2);
          if (uyvy) {
            d[0] = u, d[1] = static_cast<std::uint8_t>(y0), d[2] = v, d[3] = static_cast<std::uint8_t>(y1);
          } else {
            d[0] = static_cast<std::uint8_t>(y0), d[1] = u, d[2] = static_cast<std::uint8_t>(y1), d[3] = v;
          }
        }
      }
      break;
    }
    case InputLayout::Yvu9: {
      b = NewBitmap(p, 9, MakeFourcc("YVU9"));
      const std::size_t lumaBytes = static_cast<std::size_t>(w) * h;
      b.bits.assign(lumaBytes + 2 * ((w / 4) * (h / 4)), 128);
      for (int row = 0; row < h; ++row) {
        for (int x = 0; x < w; ++x) {
          int y, u, v;
          ToYuv(p.at(x, rowOf(row)), y, u, v);
          b.bits[static_cast<std::size_t>(row) * w + x] = static_cast<std::uint8_t>(y);
        }
      }
      b.info()->biSizeImage = static_cast<DWORD>(b.bits.size());
      break;
    }
  }
  if (!bottomUp) b.info()->biHeight = -h;
  return b;
}

RgbPicture UnpackRgb(const std::uint8_t* bits, int width, int height, int bpp, bool bottomUp) {
  RgbPicture p;
  p.width = width;
  p.height = height;
  p.rgb.resize(3 * static_cast<std::size_t>(width) * height);
  for (int row = 0; row < height; ++row) {
    const int y = bottomUp ? height - 1 - row : row;
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* s = bits + static_cast<std::size_t>(bpp) * (static_cast<std::size_t>(row) * width + x);
      std::uint8_t* d = p.at(x, y);
      d[0] = s[2];
      d[1] = s[1];
      d[2] = s[0];
    }
  }
  return p;
}

double MeanLumaError(const RgbPicture& a, const RgbPicture& b, int border) {
  double sum = 0;
  long count = 0;
  for (int y = border; y < a.height - border; ++y) {
    for (int x = border; x < a.width - border; ++x) {
      sum += std::abs(Luma(a.at(x, y)) - Luma(b.at(x, y)));
      ++count;
    }
  }
  return count ? sum / count : 0.0;
}

}  // namespace kvtc::testing
