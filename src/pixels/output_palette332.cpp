// 8-bit 3-3-2 colour index output.
#include "pixels/output_converters.h"
#include "pixels/output_variants.h"

namespace kvtc::pixels {
namespace {

struct Palette332Layout {
  static constexpr std::uint32_t bytes = 1;
  const DecoderTables& t;
  const std::uint8_t* clamp;  // at offset 0 for a sum of 0
  const std::uint8_t* halfSum;

  void Put(std::uint8_t* px, int red, int green, int blue, std::uint32_t, std::uint32_t) const {
    *px = static_cast<std::uint8_t>(t.red332[clamp[red]] | t.green332[clamp[green]] |
                                    t.blue332[clamp[blue]]);
  }
  // The fields are taken at 8-bit scale where they stand in the byte (red as it is, green
  // times 8, blue times 64), averaged, and quantised again without a second gamma.
  void Average(std::uint8_t* px, const std::uint8_t* a, const std::uint8_t* b, std::uint32_t,
               std::uint32_t) const {
    const std::uint8_t red = halfSum[(*a & 0xE0) + (*b & 0xE0)];
    const std::uint8_t green = halfSum[((*a & 0x1C) << 3) + ((*b & 0x1C) << 3)];
    const std::uint8_t blue = halfSum[((*a & 0x03) << 6) + ((*b & 0x03) << 6)];
    *px = static_cast<std::uint8_t>(t.plainRed332[red] | t.plainGreen332[green] |
                                    t.plainBlue332[blue]);
  }
  void Copy(std::uint8_t* px, const std::uint8_t* a) const { *px = *a; }
};

template <OutputVariant kVariant>
constexpr auto Run = output::ConvertWithTables<kVariant, Palette332Layout>;

}  // namespace

void ConvertPalette332(const ConstPlaneSet& p, std::uint8_t* out, const DecoderTables& t,
                       const stream::ArithmeticTables& a) {
  Run<OutputVariant::kFull>(p, out, {}, t, a);
}

void ConvertPalette332Half(const ConstPlaneSet& p, std::uint8_t* out, const DecoderTables& t,
                           const stream::ArithmeticTables& a) {
  Run<OutputVariant::kHalf>(p, out, {}, t, a);
}

void ConvertPalette332Partial(const ConstPlaneSet& p, std::uint8_t* out, UpdateMapView map,
                              const DecoderTables& t, const stream::ArithmeticTables& a) {
  Run<OutputVariant::kPartial>(p, out, map, t, a);
}

void ConvertPalette332HalfPartial(const ConstPlaneSet& p, std::uint8_t* out, UpdateMapView map,
                                  const DecoderTables& t, const stream::ArithmeticTables& a) {
  Run<OutputVariant::kHalfPartial>(p, out, map, t, a);
}

}  // namespace kvtc::pixels
