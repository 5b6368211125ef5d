// Packed 4:2:2 output: the decoded planes repacked as Y0 U Y1 V.
#include "pixels/output_converters.h"

namespace kvtc::pixels {

void PackYuv422(const ConstPlaneSet& p, std::uint8_t* out, bool grey) {
  if (!p) return;
  constexpr std::uint8_t kNeutral = 128;
  const std::size_t rowBytes = 2 * std::size_t{p.width};
  for (std::uint32_t y = 0; y < p.height; ++y) {
    const std::uint8_t* luma = p.LumaRow(y);
    std::uint8_t* row = out + y * rowBytes;
    for (std::uint32_t x = 0; x < p.width; x += 2) {
      const std::size_t at = p.ChromaAt(x / 2, y / 2);
      std::uint8_t* pair = row + 2 * x;
      pair[0] = luma[x];
      pair[1] = grey ? kNeutral : p.u[at];
      if (x + 1 < p.width) {
        pair[2] = luma[x + 1];
        pair[3] = grey ? kNeutral : p.v[at];
      }
    }
  }
}

}  // namespace kvtc::pixels
