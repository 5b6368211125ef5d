#include "pixels/pixel_kernels.h"

#include "pixels/output_rgb_rows.h"
#include "pixels/pixel_format.h"
#include "pixels/simd_target.h"

namespace kvtc::pixels {
namespace {

void ConvertRgbPlain(OutputVariant variant, const ConstPlaneSet& p, std::uint8_t* out,
                     UpdateMapView map, RgbChannels ch, const DecoderTables& t,
                     const stream::ArithmeticTables& a) {
  switch (variant) {
    case OutputVariant::kFull:
      return ConvertRgb(p, out, ch, t, a);
    case OutputVariant::kHalf:
      return ConvertRgbHalf(p, out, ch, t, a);
    case OutputVariant::kPartial:
      return ConvertRgbPartial(p, out, map, ch, t, a);
    case OutputVariant::kHalfPartial:
      return ConvertRgbHalfPartial(p, out, map, ch, t, a);
  }
}

using ColourMember = void (*)(const ConstPlaneSet&, std::uint8_t*, UpdateMapView,
                              const DecoderTables&, const stream::ArithmeticTables&);

// The members of one colour layout, indexed by OutputVariant. The full and half members take
// no map; they are wrapped so that all four have one signature.
template <auto kFull, auto kHalf, auto kPartial, auto kHalfPartial>
constexpr ColourMember kMembers[4] = {
    [](const ConstPlaneSet& p, std::uint8_t* o, UpdateMapView, const DecoderTables& t,
       const stream::ArithmeticTables& a) { kFull(p, o, t, a); },
    [](const ConstPlaneSet& p, std::uint8_t* o, UpdateMapView, const DecoderTables& t,
       const stream::ArithmeticTables& a) { kHalf(p, o, t, a); },
    kPartial,
    kHalfPartial,
};

void ConvertColourPlain(std::uint8_t code, OutputVariant variant, const ConstPlaneSet& p,
                        std::uint8_t* out, UpdateMapView map, const DecoderTables& t,
                        const stream::ArithmeticTables& a) {
  const auto index = static_cast<std::size_t>(variant);
  if (code == kRgb555) {
    kMembers<ConvertRgb555, ConvertRgb555Half, ConvertRgb555Partial,
             ConvertRgb555HalfPartial>[index](p, out, map, t, a);
  } else if (code == kColourCube) {
    kMembers<ConvertPaletteCube, ConvertPaletteCubeHalf, ConvertPaletteCubePartial,
             ConvertPaletteCubeHalfPartial>[index](p, out, map, t, a);
  } else {
    kMembers<ConvertPalette332, ConvertPalette332Half, ConvertPalette332Partial,
             ConvertPalette332HalfPartial>[index](p, out, map, t, a);
  }
}

void ConvertGreyPlain(std::uint8_t code, const ConstPlaneSet& p, std::uint8_t* out,
                      const DecoderTables& t, const stream::ArithmeticTables& a) {
  switch (code) {
    case kRgb32:
      return ConvertGreyRgb(p, out, kRgb32Channels, t);
    case kRgb24:
      return ConvertGreyRgb(p, out, kRgb24Channels, t);
    case kRgb555:
      return ConvertGrey555(p, out, t);
    case kGrey8:
      return WriteGreyIndices(p, out);
    default:
      return PackGrey4(p, out, a.pack4High.data(), a.pack4Low.data());
  }
}

#if KVTC_X86
// The word layouts of `kLayouts` and the row kernels of `kRows`.
template <const output::RgbRowKernels& kRows, const output::WordLayouts& kLayouts>
void ConvertColourRows(std::uint8_t code, OutputVariant variant, const ConstPlaneSet& p,
                       std::uint8_t* out, UpdateMapView map, const DecoderTables& t,
                       const stream::ArithmeticTables&) {
  const output::LayoutRows& layout = code == kRgb555      ? kLayouts.rgb555
                                     : code == kColourCube ? kLayouts.cube
                                                           : kLayouts.palette332;
  output::ConvertLayoutByRows(variant, p, out, map, layout, t, kRows);
}

template <const output::RgbRowKernels& kRows, const output::WordLayouts& kLayouts,
          auto kGreyIndices>
void ConvertGreyRows(std::uint8_t code, const ConstPlaneSet& p, std::uint8_t* out,
                     const DecoderTables& t, const stream::ArithmeticTables& a) {
  switch (code) {
    case kRgb32:
      return output::ConvertGreyByRows(p, out, 4, nullptr, t, kRows);
    case kRgb24:
      return output::ConvertGreyByRows(p, out, 3, nullptr, t, kRows);
    case kRgb555:
      return output::ConvertGreyByRows(p, out, 0, &kLayouts.rgb555, t, kRows);
    case kGrey8:
      return kGreyIndices(p, out);
    default:
      return ConvertGreyPlain(code, p, out, t, a);
  }
}

template <const output::RgbRowKernels& kRows>
void ConvertRgbRows(OutputVariant variant, const ConstPlaneSet& p, std::uint8_t* out,
                    UpdateMapView map, RgbChannels ch, const DecoderTables& t,
                    const stream::ArithmeticTables& a) {
  output::ConvertRgbByRows(variant, p, out, map, ch, t, a, kRows);
}
#endif

constexpr PixelKernels kPlain{CpuLevel::kC,    ConvertRgbPlain, ConvertColourPlain,
                              ConvertGreyPlain, PackYuv422,      ConvertFromRgb,
                              ConvertFromPackedYuv, ChangeFlags8x8,
                              BlendBytes,       BlendNibbles,    SharpenRow,
                              ZoomComponents2x,
                              RefineFinest8x8,
                              FillChromaByMap,
                              FillLumaByMap,
                              PredictionSad8x8, CountChangedRepresentatives,
                              PredictBlock8x8,
                              RepresentativeChanges,
                              ZoomPackedYuv2x,  ZoomNibbles2x,
                              ZoomPlanar2x};
#if KVTC_X86
constexpr PixelKernels kSse2{CpuLevel::kSse2,
                             ConvertRgbRows<output::kRgbRowsSse2>,
                             ConvertColourRows<output::kRgbRowsSse2, output::kWordLayoutsPlain>,
                             ConvertGreyRows<output::kRgbRowsSse2, output::kWordLayoutsPlain,
                                             WriteGreyIndices>,
                             output::PackYuv422Sse2,
                             input::ConvertFromRgbSse2,
                             input::ConvertFromPackedYuvSse2,
                             encode::ChangeFlags8x8Sse2,
                             finish::BlendBytesSse2,
                             finish::BlendNibblesSse2,
                             finish::SharpenRowSse2,
                             finish::ZoomComponents2xSse2,
                             encode::RefineFinest8x8Sse2,
                             finish::FillChromaByMapSse2,
                             finish::FillLumaByMapSse2,
                             encode::PredictionSad8x8Sse2,
                             encode::CountChangedRepresentativesSse2,
                             encode::PredictBlock8x8Sse2,
                             encode::RepresentativeChangesSse2,
                             finish::ZoomPackedYuv2xSse2,
                             finish::ZoomNibbles2xSse2,
                             finish::ZoomPlanar2xSse2};
constexpr PixelKernels kAvx2{CpuLevel::kAvx2,
                             ConvertRgbRows<output::kRgbRowsAvx2>,
                             ConvertColourRows<output::kRgbRowsAvx2, output::kWordLayoutsAvx2>,
                             ConvertGreyRows<output::kRgbRowsAvx2, output::kWordLayoutsAvx2,
                                             output::WriteGreyIndicesAvx2>,
                             output::PackYuv422Sse2,
                             input::ConvertFromRgbAvx2,
                             input::ConvertFromPackedYuvSse2,
                             encode::ChangeFlags8x8Sse2,
                             finish::BlendBytesAvx2,
                             finish::BlendNibblesAvx2,
                             finish::SharpenRowAvx2,
                             finish::ZoomComponents2xAvx2,
                             encode::RefineFinest8x8Sse2,
                             finish::FillChromaByMapSse2,
                             finish::FillLumaByMapSse2,
                             encode::PredictionSad8x8Sse2,
                             encode::CountChangedRepresentativesSse2,
                             encode::PredictBlock8x8Sse2,
                             encode::RepresentativeChangesSse2,
                             finish::ZoomPackedYuv2xAvx2,
                             finish::ZoomNibbles2xAvx2,
                             finish::ZoomPlanar2xAvx2};
#endif

}  // namespace

const PixelKernels& KernelsFor(CpuLevel level) {
#if KVTC_X86
  if (level == CpuLevel::kAvx2) return kAvx2;
  if (level == CpuLevel::kSse2) return kSse2;
#endif
  (void)level;
  return kPlain;
}

const PixelKernels& ActiveKernels() {
  static const PixelKernels& kernels = KernelsFor(ActiveCpuLevel());
  return kernels;
}

}  // namespace kvtc::pixels
