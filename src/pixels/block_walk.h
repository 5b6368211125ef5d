// Walks a W x H picture in 2x2 blocks, raster order. In a picture of odd width or height the
// last block's missing column or row repeats the picture's last one, so every block has four
// pixels and no position outside the picture is touched.
#pragma once

#include <algorithm>
#include <cstdint>

namespace kvtc::pixels {

struct Block {
  std::uint32_t bx, by;  // block column and row
  std::uint32_t x0, x1;  // its pixel columns (equal at an odd right edge)
  std::uint32_t y0, y1;  // its pixel rows (equal at an odd bottom edge)
};

template <class Visit>
void ForEachBlock(std::uint32_t width, std::uint32_t height, Visit&& visit) {
  if (width == 0 || height == 0) return;
  for (std::uint32_t by = 0; by < (height + 1) / 2; ++by) {
    const std::uint32_t y0 = 2 * by;
    const std::uint32_t y1 = std::min(y0 + 1, height - 1);
    for (std::uint32_t bx = 0; bx < (width + 1) / 2; ++bx) {
      const std::uint32_t x0 = 2 * bx;
      visit(Block{bx, by, x0, std::min(x0 + 1, width - 1), y0, y1});
    }
  }
}

}  // namespace kvtc::pixels
