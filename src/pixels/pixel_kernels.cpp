#include "pixels/pixel_kernels.h"

#include "pixels/output_rgb_rows.h"
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

#if KVTC_X86
template <const output::RgbRowKernels& kRows>
void ConvertRgbRows(OutputVariant variant, const ConstPlaneSet& p, std::uint8_t* out,
                    UpdateMapView map, RgbChannels ch, const DecoderTables& t,
                    const stream::ArithmeticTables& a) {
  output::ConvertRgbByRows(variant, p, out, map, ch, t, a, kRows);
}
#endif

constexpr PixelKernels kPlain{CpuLevel::kC, ConvertRgbPlain, PackYuv422, ConvertFromRgb,
                              ConvertFromPackedYuv, ChangeFlags8x8};
#if KVTC_X86
constexpr PixelKernels kSse2{CpuLevel::kSse2, ConvertRgbRows<output::kRgbRowsSse2>,
                             output::PackYuv422Sse2, input::ConvertFromRgbSse2,
                             input::ConvertFromPackedYuvSse2, encode::ChangeFlags8x8Sse2};
constexpr PixelKernels kAvx2{CpuLevel::kAvx2, ConvertRgbRows<output::kRgbRowsAvx2>,
                             output::PackYuv422Sse2, input::ConvertFromRgbAvx2,
                             input::ConvertFromPackedYuvSse2, encode::ChangeFlags8x8Sse2};
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
