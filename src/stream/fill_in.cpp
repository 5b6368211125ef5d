#include "stream/fill_in.h"

#include "pixels/pixel_kernels.h"

namespace kvtc::stream {

void FillPlaneFull(const PlaneView& p, const std::uint8_t* half) {
  const std::uint32_t last = p.lastColumn();
  for (std::uint32_t r = 0; r <= p.lastRow; r += 2) {
    std::uint8_t* row = p.Row(r);
    for (std::uint32_t x = 1; x < last; x += 2) row[x] = half[row[x - 1] + row[x + 1]];
    if (last & 1) row[last] = row[last - 1];
  }
  for (std::uint32_t r = 1; r < p.lastRow; r += 2) {
    const std::uint8_t* above = p.Row(r - 1);
    const std::uint8_t* below = p.Row(r + 1);
    std::uint8_t* row = p.Row(r);
    for (std::uint32_t x = 0; x <= last; ++x) row[x] = half[above[x] + below[x]];
  }
}

void FillLumaByMap(const PlaneView& p, const MapView& map) {
  pixels::ActiveKernels().fillLumaByMap(p, map);
}

void FillChromaByMap(const PlaneView& p, const MapView& map) {
  pixels::ActiveKernels().fillChromaByMap(p, map);
}

}  // namespace kvtc::stream
