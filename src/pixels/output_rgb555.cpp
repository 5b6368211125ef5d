// 15-bit RGB output: one little-endian word per pixel, 5 bits per component.
#include <algorithm>

#include "pixels/output_converters.h"
#include "pixels/output_variants.h"

namespace kvtc::pixels {
namespace {

void Store(std::uint8_t* px, std::uint32_t word) {
  px[0] = static_cast<std::uint8_t>(word);
  px[1] = static_cast<std::uint8_t>(word >> 8);
}

struct Rgb555Layout {
  static constexpr std::uint32_t bytes = 2;
  const DecoderTables& t;
  const std::uint8_t* clamp;  // at offset 0 for a sum of 0
  const std::uint8_t* halfSum;

  void Put(std::uint8_t* px, int red, int green, int blue, std::uint32_t, std::uint32_t) const {
    Store(px, t.red555[clamp[red]] | t.green555[clamp[green]] | t.blue555[clamp[blue]]);
  }
  // Each field widened to 8 bits, averaged, and packed again without a second gamma.
  void Average(std::uint8_t* px, const std::uint8_t* a, const std::uint8_t* b, std::uint32_t,
               std::uint32_t) const {
    const std::uint32_t wa = a[0] | a[1] << 8;
    const std::uint32_t wb = b[0] | b[1] << 8;
    const auto mean = [&](std::uint32_t shift) {
      return halfSum[(((wa >> shift) & 31) << 3) + (((wb >> shift) & 31) << 3)];
    };
    Store(px, t.plainRed555[mean(10)] | t.plainGreen555[mean(5)] | t.plainBlue555[mean(0)]);
  }
  void Copy(std::uint8_t* px, const std::uint8_t* a) const {
    px[0] = a[0];
    px[1] = a[1];
  }
};

template <OutputVariant kVariant>
constexpr auto Run = output::ConvertWithTables<kVariant, Rgb555Layout>;

}  // namespace

void ConvertRgb555(const ConstPlaneSet& p, std::uint8_t* out, const DecoderTables& t,
                   const stream::ArithmeticTables& a) {
  Run<OutputVariant::kFull>(p, out, {}, t, a);
}

void ConvertRgb555Half(const ConstPlaneSet& p, std::uint8_t* out, const DecoderTables& t,
                       const stream::ArithmeticTables& a) {
  Run<OutputVariant::kHalf>(p, out, {}, t, a);
}

void ConvertRgb555Partial(const ConstPlaneSet& p, std::uint8_t* out, UpdateMapView map,
                          const DecoderTables& t, const stream::ArithmeticTables& a) {
  Run<OutputVariant::kPartial>(p, out, map, t, a);
}

void ConvertRgb555HalfPartial(const ConstPlaneSet& p, std::uint8_t* out, UpdateMapView map,
                              const DecoderTables& t, const stream::ArithmeticTables& a) {
  Run<OutputVariant::kHalfPartial>(p, out, map, t, a);
}

void ConvertGrey555(const ConstPlaneSet& p, std::uint8_t* out, const DecoderTables& t) {
  if (!p) return;
  for (std::uint32_t y = 0; y < p.height; ++y) {
    const std::uint8_t* luma = p.LumaRow(y);
    std::uint8_t* px = out + std::size_t{2} * p.width * y;
    for (std::uint32_t x = 0; x < p.width; ++x, px += 2) {
      Store(px, t.grey555[std::min(255, t.lumaScale[luma[x]])]);
    }
  }
}

}  // namespace kvtc::pixels
