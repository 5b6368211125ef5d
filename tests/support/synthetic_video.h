// Synthetic pictures for tests, and their packing into the input layouts a host hands the
// codec.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/win32_types.h"

namespace kvtc::testing {

// An RGB picture, top row first, three bytes per pixel in the order R, G, B.
struct RgbPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;
  std::uint8_t* at(int x, int y) { return &rgb[3 * (static_cast<std::size_t>(y) * width + x)]; }
  const std::uint8_t* at(int x, int y) const {
    return &rgb[3 * (static_cast<std::size_t>(y) * width + x)];
  }
};

// Frame n of a smooth camera-like scene: a slowly panning gradient background with a textured
// square moving across it and a little seeded noise.
RgbPicture SceneFrame(int width, int height, int n, int noise = 2);

// A bitmap in one of the codec's input layouts, as a host would hand it over.
struct InputBitmap {
  std::vector<std::uint8_t> header;  // BITMAPINFOHEADER, then any colour table
  std::vector<std::uint8_t> bits;
  BITMAPINFOHEADER* info() { return reinterpret_cast<BITMAPINFOHEADER*>(header.data()); }
};

enum class InputLayout { Rgb24, Rgb32, Rgb555, Palette8, Grey8Palette, Grey4, Grey6, Yuy2, YuvSpace, Cyuv, Yvu9, Yuv9 };
const char* LayoutName(InputLayout layout);

// Packs a picture in a layout. Rows are packed without padding (the codec reads them so);
// bottomUp stores the last picture row first, as BI_RGB bitmaps with a positive height do.
InputBitmap PackPicture(const RgbPicture& picture, InputLayout layout, bool bottomUp);

// Reads an RGB picture back from a decoded 24- or 32-bit BI_RGB bitmap (rows packed, bottomUp
// as above).
RgbPicture UnpackRgb(const std::uint8_t* bits, int width, int height, int bytesPerPixel, bool bottomUp);

// Mean absolute difference per sample of the luma (0.299 R + 0.587 G + 0.114 B) of two
// pictures, inside a margin of `border` pixels.
double MeanLumaError(const RgbPicture& a, const RgbPicture& b, int border = 8);

}  // namespace kvtc::testing
