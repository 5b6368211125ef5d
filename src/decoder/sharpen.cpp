#include "decoder/sharpen.h"

#include "pixels/pixel_kernels.h"
#include "stream/fill_in.h"
#include "stream/plane_view.h"

namespace kvtc::decoder {

bool SharpenLuma(const stream::PlaneGeometry& g, std::span<std::uint8_t> current,
                 std::span<std::uint8_t> reference, bool losslessLuma,
                 stream::ArithmeticTables& tables) {
  if (current.size() < g.planeSetSize || reference.size() < g.planeSetSize) return false;
  if (!stream::EnsureSumTables(tables) || !stream::EnsureSharpenTables(tables)) return false;
  const stream::PlaneView source = stream::LumaPlane(g, reference);
  const stream::PlaneView target = stream::LumaPlane(g, current);
  if (!losslessLuma) stream::FillPlaneFull(source, tables.halfSum.data());

  const auto sharpenRow = pixels::ActiveKernels().sharpenRow;
  for (std::uint32_t r = 1; r < g.height; ++r) {
    sharpenRow(source.Row(r - 1), source.Row(r), source.Row(r + 1), target.Row(r), 1, g.width,
               tables);
  }
  return true;
}

}  // namespace kvtc::decoder
