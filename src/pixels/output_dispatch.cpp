#include "pixels/output_dispatch.h"

#include "pixels/pixel_format.h"
#include "pixels/pixel_kernels.h"

namespace kvtc::pixels {
namespace {

bool TablesReady(const DecoderTables& t, const stream::ArithmeticTables& a) {
  return t.lumaScale && t.sumClamp && t.cubeRed && t.plainRed332 && t.plainRed555 && a.halfSum &&
         a.pack4High && a.pack4Low;
}

}  // namespace

std::uint8_t SelectOutputCode(std::uint8_t code, bool grey) {
  const bool palettised = code == kPalettised8 || code == kIndex332 || code == kColourCube;
  return grey && palettised ? std::uint8_t{kGrey8} : code;
}

OutputVariant SelectOutputVariant(bool key, bool losslessLuma, bool grey) {
  if (key) return losslessLuma ? OutputVariant::kFull : OutputVariant::kHalf;
  return losslessLuma || grey ? OutputVariant::kPartial : OutputVariant::kHalfPartial;
}

std::uint64_t OutputBytes(std::uint8_t code, std::uint32_t width, std::uint32_t height) {
  const std::uint64_t pixels = std::uint64_t{width} * height;
  switch (code) {
    case kRgb32:
      return 4 * pixels;
    case kRgb24:
      return 3 * pixels;
    case kRgb555:
      return 2 * pixels;
    case kPalettised8:
    case kIndex332:
    case kColourCube:
    case kGrey8:
      return pixels;
    case kGrey4:
      return (std::uint64_t{width} + 1) / 2 * height;
    default:
      return 2 * pixels;
  }
}

bool ConvertOutputFrame(DecoderTables& tables, const stream::ArithmeticTables& arithmetic,
                        const OutputFrame& frame, double gamma,
                        std::span<const std::uint8_t> planeSet, const stream::PlaneGeometry& g,
                        std::span<std::uint8_t> updateMap, std::span<std::uint8_t> out) {
  if (g.width == 0 || g.height == 0) return true;  // no pixels: nothing to write
  const std::uint8_t code = SelectOutputCode(frame.code, frame.grey);
  const ConstPlaneSet planes = ViewPlaneSet(planeSet, g);
  if (!planes || out.size() < OutputBytes(code, g.width, g.height) ||
      !TablesReady(tables, arithmetic) || !EnsureGammaTables(tables, gamma) ||
      !EnsureColumnPhase(tables, g.width)) {
    return false;
  }
  const UpdateMapView map = ViewUpdateMap(updateMap, g);
  const OutputVariant variant = SelectOutputVariant(frame.key, frame.losslessLuma, frame.grey);
  // Only the colour layouts convert by the map; the grey members, the grey layouts and packed
  // 4:2:2 convert every pixel of every frame.
  const bool byMap = !frame.grey && (code == kRgb32 || code == kRgb24 || code == kRgb555 ||
                                     code == kPalettised8 || code == kIndex332 ||
                                     code == kColourCube);
  const bool partial = variant == OutputVariant::kPartial || variant == OutputVariant::kHalfPartial;
  if (frame.noMarks && byMap && partial) return true;
  const PixelKernels& k = ActiveKernels();
  std::uint8_t* o = out.data();
  switch (code) {
    case kRgb32:
    case kRgb24:
    case kRgb555:
      if (frame.grey) {
        k.convertGrey(code, planes, o, tables, arithmetic);
      } else if (code == kRgb555) {
        k.convertColour(code, variant, planes, o, map, tables, arithmetic);
      } else {
        k.convertRgb(variant, planes, o, map, code == kRgb32 ? kRgb32Channels : kRgb24Channels,
                     tables, arithmetic);
      }
      break;
    case kPalettised8:
    case kIndex332:
    case kColourCube:
      k.convertColour(code, variant, planes, o, map, tables, arithmetic);
      break;
    case kGrey8:
    case kGrey4:
      k.convertGrey(code, planes, o, tables, arithmetic);
      break;
    default:
      k.packYuv422(planes, o, frame.grey);
      break;
  }
  return true;
}

}  // namespace kvtc::pixels
