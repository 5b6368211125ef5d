// Pixel-format codes: one byte naming the layout of a caller's bitmap, as the compressor's
// input code and the decompressor's output code. Codes that have no name here (4, 9 and any
// code above 14) are still carried; the converters give them their fallback meaning.
#pragma once

#include <cstdint>

namespace kvtc::pixels {

enum PixelFormat : std::uint8_t {
  kPackedYuyv = 0,   // packed 4:2:2, bytes Y0 U Y1 V
  kRgb32 = 1,        // B, G, R and one unused byte
  kRgb24 = 2,        // B, G, R
  kRgb555 = 3,       // 16-bit little-endian word, 5 bits each of R, G, B
  kPalettised8 = 5,  // input: 8-bit palette indices; output: 3-3-2 colour index
  kBitFields = 6,    // packed component bit fields (component bits and pixel size)
  kIndex332 = 7,     // 8-bit 3-3-2 colour index
  kColourCube = 8,   // 8-bit index into the dithered 6x6x6 colour cube
  kPlanar420 = 10,   // Y plane, then U and V planes of (W/2) x (H/2)
  kGrey8 = 11,       // 8-bit grey
  kGrey4 = 12,       // 4-bit grey, two pixels per byte, left pixel in the high nibble
  kPlanarYvu9 = 13,  // taken as luma rows only, last row first
  kPackedUyvy = 14,  // packed 4:2:2, bytes U Y0 V Y1
};

}  // namespace kvtc::pixels
