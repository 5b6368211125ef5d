// Packed 4:2:2 output: the decoded planes repacked as Y0 U Y1 V.
#include "pixels/output_converters.h"
#include "pixels/pixel_kernels.h"

namespace kvtc::pixels {

namespace output {

void PackYuv422Tail(const ConstPlaneSet& p, std::uint32_t y, std::uint32_t x, std::uint8_t* row,
                    bool grey) {
  const std::uint8_t* luma = p.LumaRow(y);
  for (; x < p.width; x += 2) {
    const std::size_t at = p.ChromaAt(x / 2, y / 2);
    std::uint8_t* pair = row + 2 * x;
    pair[0] = luma[x];
    pair[1] = grey ? kNeutralChroma : p.u[at];
    if (x + 1 < p.width) {
      pair[2] = luma[x + 1];
      pair[3] = grey ? kNeutralChroma : p.v[at];
    }
  }
}

}  // namespace output

void PackYuv422(const ConstPlaneSet& p, std::uint8_t* out, bool grey) {
  if (!p) return;
  const std::size_t rowBytes = 2 * std::size_t{p.width};
  for (std::uint32_t y = 0; y < p.height; ++y)
    output::PackYuv422Tail(p, y, 0, out + y * rowBytes, grey);
}

}  // namespace kvtc::pixels
