#include "decoder/sharpen.h"

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

  // The clamp table is indexed at 1024 + 5y - l - r - u - d, which lies in 4..2299.
  const std::uint8_t* clamp = tables.sharpenClamp.data() + 1024;
  const std::uint32_t* five = tables.quintuple.data();
  for (std::uint32_t r = 1; r < g.height; ++r) {
    const std::uint8_t* above = source.Row(r - 1);
    const std::uint8_t* row = source.Row(r);
    const std::uint8_t* below = source.Row(r + 1);
    std::uint8_t* out = target.Row(r);
    for (std::uint32_t c = 1; c < g.width; ++c) {
      const int value =
          static_cast<int>(five[row[c]]) - row[c - 1] - row[c + 1] - above[c] - below[c];
      out[c] = clamp[value];
    }
  }
  return true;
}

}  // namespace kvtc::decoder
