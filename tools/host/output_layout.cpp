#include "host/output_layout.h"

namespace kvtc::host {
namespace {

struct Layout {
  WORD bitCount;
  DWORD compression;
  BYTE code;
};

Layout LayoutOf(OutputFormat f) {
  switch (f) {
    case OutputFormat::Rgb32: return {32, BI_RGB, 1};
    case OutputFormat::Rgb24: return {24, BI_RGB, 2};
    case OutputFormat::Rgb555: return {16, BI_RGB, 3};
    case OutputFormat::Yuy2: return {16, MakeFourcc("YUY2"), 0};
    case OutputFormat::Gray8: return {8, BI_RGB, 11};
    case OutputFormat::Pal332: return {8, BI_RGB, 7};
    case OutputFormat::Cube: return {8, BI_RGB, 8};
    case OutputFormat::Gray4: return {4, BI_RGB, 12};
  }
  return {24, BI_RGB, 2};
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

std::size_t OutputRowBytes(OutputFormat format, int width) {
  const WORD bits = LayoutOf(format).bitCount;
  if (bits == 4) return static_cast<std::size_t>(width + 1) / 2;
  return static_cast<std::size_t>(width) * bits / 8;
}

std::size_t OutputImageBytes(OutputFormat format, int width, int height) {
  return OutputRowBytes(format, width) * static_cast<std::size_t>(height);
}

bool UsesPalette(OutputFormat format) {
  return format == OutputFormat::Gray8 || format == OutputFormat::Pal332 ||
         format == OutputFormat::Cube;
}

bool Zoomable(OutputFormat format) {
  return format != OutputFormat::Yuy2 && format != OutputFormat::Gray4;
}

}  // namespace kvtc::host
