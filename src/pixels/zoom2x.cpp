#include "pixels/zoom2x.h"

namespace kvtc::pixels {

void ZoomComponents2x(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t w,
                      std::uint32_t h, std::uint32_t p, std::uint32_t components,
                      const std::uint8_t* halfSum) {
  const std::size_t srcRow = std::size_t{w} * p;
  for (std::uint32_t k = 0; k < components; ++k) {
    Zoom2x(ByteSamples<const std::uint8_t>{src, srcRow, p, k, w, h},
           ByteSamples<std::uint8_t>{dst, 2 * srcRow, p, k, 2 * w, 2 * h}, w, h, halfSum);
  }
}

}  // namespace kvtc::pixels
