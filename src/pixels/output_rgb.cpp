// 32- and 24-bit RGB output.
#include <algorithm>

#include "pixels/output_converters.h"
#include "pixels/output_variants.h"

namespace kvtc::pixels {
namespace {

// With kGamma each clamped component goes through the gamma table; without it (the key is
// exactly 1.0, where the table is the identity) the lookup is skipped.
template <bool kGamma>
struct RgbLayout {
  std::uint32_t bytes;
  RgbChannels ch;
  const std::uint8_t* clamp;  // at offset 0 for a sum of 0
  const std::uint8_t* gamma;
  const std::uint8_t* halfSum;

  std::uint8_t Component(int sum) const {
    const std::uint8_t c = clamp[sum];
    if constexpr (kGamma) {
      return gamma[c];
    } else {
      return c;
    }
  }
  void Put(std::uint8_t* px, int red, int green, int blue, std::uint32_t, std::uint32_t) const {
    px[ch.red] = Component(red);
    px[ch.green] = Component(green);
    px[ch.blue] = Component(blue);
  }
  void Average(std::uint8_t* px, const std::uint8_t* a, const std::uint8_t* b, std::uint32_t,
               std::uint32_t) const {
    px[ch.red] = halfSum[a[ch.red] + b[ch.red]];
    px[ch.green] = halfSum[a[ch.green] + b[ch.green]];
    px[ch.blue] = halfSum[a[ch.blue] + b[ch.blue]];
  }
  void Copy(std::uint8_t* px, const std::uint8_t* a) const {
    px[ch.red] = a[ch.red];
    px[ch.green] = a[ch.green];
    px[ch.blue] = a[ch.blue];
  }
};

template <bool kGamma>
RgbLayout<kGamma> MakeLayout(RgbChannels ch, const DecoderTables& t,
                             const stream::ArithmeticTables& a) {
  return {ch.bytesPerPixel, ch, t.sumClamp.data() + kSumClampOffset, t.gamma.data(),
          a.halfSum.data()};
}

template <OutputVariant kVariant>
void Run(const ConstPlaneSet& p, std::uint8_t* out, UpdateMapView map, RgbChannels ch,
         const DecoderTables& t, const stream::ArithmeticTables& a) {
  if (t.gammaKey == 1.0) {
    output::ConvertVariant<kVariant>(p, out, map, t, MakeLayout<false>(ch, t, a));
  } else {
    output::ConvertVariant<kVariant>(p, out, map, t, MakeLayout<true>(ch, t, a));
  }
}

}  // namespace

void ConvertRgb(const ConstPlaneSet& p, std::uint8_t* out, RgbChannels ch, const DecoderTables& t,
                const stream::ArithmeticTables& a) {
  Run<OutputVariant::kFull>(p, out, {}, ch, t, a);
}

void ConvertRgbHalf(const ConstPlaneSet& p, std::uint8_t* out, RgbChannels ch,
                    const DecoderTables& t, const stream::ArithmeticTables& a) {
  Run<OutputVariant::kHalf>(p, out, {}, ch, t, a);
}

void ConvertRgbPartial(const ConstPlaneSet& p, std::uint8_t* out, UpdateMapView map, RgbChannels ch,
                       const DecoderTables& t, const stream::ArithmeticTables& a) {
  Run<OutputVariant::kPartial>(p, out, map, ch, t, a);
}

void ConvertRgbHalfPartial(const ConstPlaneSet& p, std::uint8_t* out, UpdateMapView map,
                           RgbChannels ch, const DecoderTables& t,
                           const stream::ArithmeticTables& a) {
  Run<OutputVariant::kHalfPartial>(p, out, map, ch, t, a);
}

void ConvertGreyRgb(const ConstPlaneSet& p, std::uint8_t* out, RgbChannels ch,
                    const DecoderTables& t) {
  if (!p) return;
  const bool identity = t.gammaKey == 1.0;
  for (std::uint32_t y = 0; y < p.height; ++y) {
    const std::uint8_t* luma = p.LumaRow(y);
    std::uint8_t* px = out + std::size_t{ch.bytesPerPixel} * p.width * y;
    for (std::uint32_t x = 0; x < p.width; ++x, px += ch.bytesPerPixel) {
      const auto level = static_cast<std::uint8_t>(std::min(255, t.lumaScale[luma[x]]));
      px[ch.red] = px[ch.green] = px[ch.blue] = identity ? level : t.gamma[level];
    }
  }
}

}  // namespace kvtc::pixels
