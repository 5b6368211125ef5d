// Chooses the input converter by pixel-format code and checks the buffers before it runs.
#include "pixels/input_converters.h"
#include "pixels/pixel_kernels.h"
#include "pixels/pixel_format.h"
#include "stream/codec_context.h"

namespace kvtc::pixels {

std::uint64_t InputBytesRead(std::uint8_t code, std::uint32_t width, std::uint32_t height,
                             std::uint32_t bitFieldPixelBytes) {
  const std::uint64_t pixels = std::uint64_t{width} * height;
  switch (code) {
    case kPackedYuyv:
    case kPackedUyvy:
    case kRgb555:
      return 2 * pixels;
    case kRgb32:
      return 4 * pixels;
    case kRgb24:
      return 3 * pixels;
    case kBitFields:
      return bitFieldPixelBytes * pixels;
    case kPlanar420:
      return pixels + 2 * (std::uint64_t{width / 2} * (height / 2));
    case kGrey4:
      return (std::uint64_t{width} + 1) / 2 * height;
    case kPalettised8:
    case kGrey8:
    case 4:
    case kIndex332:
    case kColourCube:
    case 9:
    case kPlanarYvu9:
      return pixels;
    default:
      return 0;
  }
}

bool ConvertInputFrame(stream::CodecContext& ctx, std::span<const std::uint8_t> input,
                       std::span<std::uint8_t> planeSet, const stream::PlaneGeometry& g,
                       bool grey) {
  if (g.width == 0 || g.height == 0) return true;  // no pixels: nothing to convert
  const std::uint8_t code = ctx.inputFormat;
  const BitFieldLayout fields = BitFieldsFromSettings(ctx.compBits, ctx.compCount);
  const std::uint64_t needed = InputBytesRead(code, g.width, g.height, fields.pixelBytes);
  const PlaneSet planes = ViewPlaneSet(planeSet, g);
  if (needed == 0 || input.size() < needed || !planes) return false;

  const std::uint8_t* src = input.data();
  stream::ArithmeticTables& tables = ctx.tables;
  const EncoderColourTables& colour = ctx.encoderColour;
  switch (code) {
    case kRgb32:
    case kRgb24:
    case kRgb555:
    case kBitFields:
      if (!colour.lumaFromR || !colour.uFromR || !colour.chromaClamp) return false;
      break;
    case kPackedYuyv:
    case kPackedUyvy:
    case kPlanar420:
    case kGrey8:
      if (!stream::EnsureInputScaleTable(tables)) return false;
      break;
    case kPalettised8:
      if (ctx.paletteY.size() < 256 || ctx.paletteU.size() < 256 || ctx.paletteV.size() < 256 ||
          !stream::EnsureSumTables(tables)) {
        return false;
      }
      break;
    case kGrey4:
      if (!tables.unpack4High && !stream::BuildNibbleTables(tables)) return false;
      break;
    default:
      break;
  }

  switch (code) {
    case kRgb32:
    case kRgb24: {
      const RgbChannels channels = code == kRgb32 ? kRgb32Channels : kRgb24Channels;
      if (grey) {
        LumaFromRgb(src, planes, channels, colour);
      } else {
        ActiveKernels().convertFromRgb(src, planes, channels, colour);
      }
      break;
    }
    case kRgb555:
      if (grey) {
        LumaFromRgb555(src, planes, colour);
      } else {
        ConvertFromRgb555(src, planes, colour);
      }
      break;
    case kBitFields:
      ConvertFromBitFields(src, planes, fields, colour);
      break;
    case kPalettised8:
      ConvertFromPalette(src, planes,
                         {ctx.paletteY.data(), ctx.paletteU.data(), ctx.paletteV.data()},
                         tables.quarterSum.data());
      break;
    case kPackedYuyv:
      ActiveKernels().convertFromPackedYuv(src, planes, kYuyvOrder, tables.inputScale.data());
      break;
    case kPackedUyvy:
      ActiveKernels().convertFromPackedYuv(src, planes, kUyvyOrder, tables.inputScale.data());
      break;
    case kPlanar420:
      ConvertFromPlanar420(src, planes, tables.inputScale.data());
      break;
    case kGrey8:
      ConvertFromGrey8(src, planes, tables.inputScale.data());
      break;
    case kGrey4:
      ExpandGrey4(src, planes, tables.unpack4High.data(), tables.unpack4Low.data());
      break;
    default:  // 4, 7, 8, 9 and 13: luma bytes as they stand; 13 keeps its rows last first
      CopyLumaRows(src, planes, code == kPlanarYvu9);
      break;
  }
  return true;
}

}  // namespace kvtc::pixels
