#include "pixels/plane_margins.h"

#include <algorithm>
#include <cstring>

namespace kvtc::pixels {

void FinishLumaMargins(const PlaneSet& p) {
  if (!p) return;
  for (std::uint32_t y = 0; y < p.height; ++y) {
    std::uint8_t* row = p.LumaRow(y);
    row[p.width] = row[p.width - 1];
  }
  std::memcpy(p.LumaRow(p.height), p.LumaRow(p.height - 1), p.lumaStride);
}

void FinishChromaMargins(const PlaneSet& p, std::uint32_t cols, std::uint32_t rows) {
  if (!p) return;
  cols = std::min(cols, p.chromaPlaneCols);
  rows = std::min(rows, p.chromaPlaneRows);
  if (cols == 0 || rows == 0) return;
  for (std::uint8_t* plane : {p.u, p.v}) {
    for (std::uint32_t y = 0; y < rows; ++y) {
      std::uint8_t* row = plane + y * p.chromaStride;
      std::fill(row + cols, row + p.chromaPlaneCols, row[cols - 1]);
    }
    const std::uint8_t* last = plane + (rows - 1) * p.chromaStride;
    for (std::uint32_t y = rows; y < p.chromaPlaneRows; ++y) {
      std::memcpy(plane + y * p.chromaStride, last, p.chromaStride);
    }
  }
}

}  // namespace kvtc::pixels
