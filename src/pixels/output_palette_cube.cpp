// 8-bit dithered colour-cube output: each gamma-corrected component falls to one of six
// levels, 0, 51, ..., 255, rounding up where the ordered-dither matrix is below the remainder.
#include "pixels/output_converters.h"
#include "pixels/output_variants.h"

namespace kvtc::pixels {
namespace {

struct PaletteCubeLayout {
  static constexpr std::uint32_t bytes = 1;
  const DecoderTables& t;
  const std::uint8_t* clamp;  // at offset 0 for a sum of 0
  const std::uint8_t* halfSum;

  int Level(std::uint8_t c, std::int32_t threshold) const {
    return t.cubeLevel[c] + (threshold < t.cubeResidue[c] ? 1 : 0);
  }
  // Components already corrected for gamma.
  void Dither(std::uint8_t* px, std::uint8_t red, std::uint8_t green, std::uint8_t blue,
              std::uint32_t x, std::uint32_t y) const {
    const std::int32_t threshold = t.dither[y % 16][t.columnPhase[x]];
    *px = static_cast<std::uint8_t>(26 + Level(red, threshold) + 6 * Level(green, threshold) +
                                    36 * Level(blue, threshold));
  }
  void Put(std::uint8_t* px, int red, int green, int blue, std::uint32_t x, std::uint32_t y) const {
    Dither(px, t.gamma[clamp[red]], t.gamma[clamp[green]], t.gamma[clamp[blue]], x, y);
  }
  // The neighbours' components are the values their cube levels stand for; their means are
  // dithered again at this pixel's own position, without a second gamma.
  void Average(std::uint8_t* px, const std::uint8_t* a, const std::uint8_t* b, std::uint32_t x,
               std::uint32_t y) const {
    Dither(px, halfSum[t.cubeRed[*a] + t.cubeRed[*b]], halfSum[t.cubeGreen[*a] + t.cubeGreen[*b]],
           halfSum[t.cubeBlue[*a] + t.cubeBlue[*b]], x, y);
  }
  void Copy(std::uint8_t* px, const std::uint8_t* a) const { *px = *a; }
};

template <OutputVariant kVariant>
constexpr auto Run = output::ConvertWithTables<kVariant, PaletteCubeLayout>;

}  // namespace

void ConvertPaletteCube(const ConstPlaneSet& p, std::uint8_t* out, const DecoderTables& t,
                        const stream::ArithmeticTables& a) {
  Run<OutputVariant::kFull>(p, out, {}, t, a);
}

void ConvertPaletteCubeHalf(const ConstPlaneSet& p, std::uint8_t* out, const DecoderTables& t,
                            const stream::ArithmeticTables& a) {
  Run<OutputVariant::kHalf>(p, out, {}, t, a);
}

void ConvertPaletteCubePartial(const ConstPlaneSet& p, std::uint8_t* out, UpdateMapView map,
                               const DecoderTables& t, const stream::ArithmeticTables& a) {
  Run<OutputVariant::kPartial>(p, out, map, t, a);
}

void ConvertPaletteCubeHalfPartial(const ConstPlaneSet& p, std::uint8_t* out, UpdateMapView map,
                                   const DecoderTables& t, const stream::ArithmeticTables& a) {
  Run<OutputVariant::kHalfPartial>(p, out, map, t, a);
}

}  // namespace kvtc::pixels
