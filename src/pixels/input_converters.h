// Input conversion: one converter per input pixel-format code, bringing the caller's bitmap
// into the planar YUV picture the coder works on (luma 0..215 at full resolution, chroma
// centred on 128 at half resolution in both directions, margins filled).
//
// Source rows are packed without padding and taken top row first; nothing is flipped. Each
// converter reads nothing beyond the first InputBytesRead() bytes of its source and writes
// only inside the plane set of the view it is given. Pictures of odd width or height are converted
// in 2x2 blocks whose missing column or row repeats the picture's last one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "pixels/encoder_tables.h"
#include "pixels/plane_set_view.h"
#include "stream/plane_geometry.h"

namespace kvtc::stream {
struct CodecContext;
}

namespace kvtc::pixels {

// Byte positions of the colour channels within one pixel of a 24- or 32-bit bitmap.
struct RgbChannels {
  std::uint32_t bytesPerPixel;
  std::uint32_t red, green, blue;
};
inline constexpr RgbChannels kRgb32Channels{4, 2, 1, 0};
inline constexpr RgbChannels kRgb24Channels{3, 2, 1, 0};

// Packed component bit fields: read from the pixel's first byte, least significant bit first,
// blue bits, then green bits, then red bits. Each component is used as it stands (not scaled
// to 8 bits).
struct BitFieldLayout {
  std::uint32_t redBits, greenBits, blueBits;  // at most 8 each
  std::uint32_t pixelBytes;                    // 1 to 4
};
// The layout the context's component settings describe (bit counts 1 to 3 and the pixel size
// in the fourth). Counts above 8 are taken as 8, a pixel size of 0 as 1 and above 4 as 4.
BitFieldLayout BitFieldsFromSettings(const std::uint8_t bits[3], std::uint8_t pixelBytes);

// Byte positions within the 4-byte pair of a packed 4:2:2 bitmap.
struct PackedYuvOrder {
  std::uint32_t luma;  // of the pair's left pixel; the right one is two bytes further
  std::uint32_t u, v;
};
inline constexpr PackedYuvOrder kYuyvOrder{0, 1, 3};
inline constexpr PackedYuvOrder kUyvyOrder{1, 0, 2};

// Bytes of the caller's buffer that the converter of `code` reads for a W x H picture (0 for
// codes nothing is converted from).
std::uint64_t InputBytesRead(std::uint8_t code, std::uint32_t width, std::uint32_t height,
                             std::uint32_t bitFieldPixelBytes);

// The RGB family: luma per pixel from the colour tables, chroma per 2x2 block from the
// component sums.
void ConvertFromRgb(const std::uint8_t* src, const PlaneSet& planes, RgbChannels channels,
                    const EncoderColourTables& colour);
void LumaFromRgb(const std::uint8_t* src, const PlaneSet& planes, RgbChannels channels,
                 const EncoderColourTables& colour);
// ConvertFromRgb's work on block row `by` from block `firstBlock` to the row's end, and its
// final step, the margins: for kernels that convert the rest of the picture themselves.
void ConvertFromRgbBlocks(const std::uint8_t* src, const PlaneSet& planes, RgbChannels channels,
                          const EncoderColourTables& colour, std::uint32_t by,
                          std::uint32_t firstBlock);
void FinishRgbMargins(const PlaneSet& planes);
void ConvertFromRgb555(const std::uint8_t* src, const PlaneSet& planes,
                       const EncoderColourTables& colour);
void LumaFromRgb555(const std::uint8_t* src, const PlaneSet& planes,
                    const EncoderColourTables& colour);
void ConvertFromBitFields(const std::uint8_t* src, const PlaneSet& planes, BitFieldLayout layout,
                          const EncoderColourTables& colour);

// 8-bit palette indices through the palette's Y, U and V tables; a block's chroma is the
// rounded mean of its four pixels' entries.
struct PaletteTables {
  const std::uint8_t* y;
  const std::uint8_t* u;
  const std::uint8_t* v;
};
void ConvertFromPalette(const std::uint8_t* src, const PlaneSet& planes, PaletteTables palette,
                        const std::uint8_t* quarterSum);

// YUV input: luma rescaled to 0..215 through the input scale table, chroma as it stands.
void ConvertFromPackedYuv(const std::uint8_t* src, const PlaneSet& planes, PackedYuvOrder order,
                          const std::uint8_t* inputScale);
// Row y of a packed 4:2:2 picture's luma from pixel x on, and chroma row `by` from block
// column bx on, as ConvertFromPackedYuv converts them (margins not filled).
void PackedYuvLumaTail(const std::uint8_t* src, const PlaneSet& p, std::uint32_t y,
                       std::uint32_t x, PackedYuvOrder order, const std::uint8_t* inputScale);
void PackedYuvChromaTail(const std::uint8_t* src, const PlaneSet& p, std::uint32_t by,
                         std::uint32_t bx, PackedYuvOrder order);
void ConvertFromPlanar420(const std::uint8_t* src, const PlaneSet& planes,
                          const std::uint8_t* inputScale);

// Grey input: the luma plane only; the chroma planes keep what they hold.
void ConvertFromGrey8(const std::uint8_t* src, const PlaneSet& planes,
                      const std::uint8_t* inputScale);
void ExpandGrey4(const std::uint8_t* src, const PlaneSet& planes, const std::uint8_t* unpackHigh,
                 const std::uint8_t* unpackLow);
// W bytes per row straight into the luma plane, optionally taking the last source row first.
void CopyLumaRows(const std::uint8_t* src, const PlaneSet& planes, bool lastRowFirst);

// Converts the caller's input, laid out by the context's input code, into `planes` of
// geometry `g`. Codes 1 to 3 write the luma plane only when `grey`. The input scale and sum
// tables are built on first use; the colour tables (BuildEncoderTables) and, for palettised
// input, the palette tables must exist. False, with nothing written, when the input or plane
// buffer is too small for the picture, a table is missing, or the code names no input layout.
bool ConvertInputFrame(stream::CodecContext& context, std::span<const std::uint8_t> input,
                       std::span<std::uint8_t> planes, const stream::PlaneGeometry& g, bool grey);

}  // namespace kvtc::pixels
