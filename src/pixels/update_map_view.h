// A bounded view of the decoder's update map: one byte per luma position, row stride W+4,
// 8*BY+4 rows. The map is shorter than the picture when H is not a multiple of 8; positions
// outside it read as unmarked and are never written.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "stream/plane_geometry.h"

namespace kvtc::pixels {

struct UpdateMapView {
  std::uint8_t* bytes = nullptr;
  std::size_t stride = 0;
  std::size_t rows = 0;

  bool Marked(std::size_t x, std::size_t y) const {
    return x < stride && y < rows && bytes[y * stride + x] != 0;
  }
  void Mark(std::size_t x, std::size_t y) const {
    if (x < stride && y < rows) bytes[y * stride + x] = 1;
  }
};

inline UpdateMapView ViewUpdateMap(std::span<std::uint8_t> map, const stream::PlaneGeometry& g) {
  UpdateMapView view;
  if (g.mapStride == 0) return view;
  view.bytes = map.data();
  view.stride = g.mapStride;
  view.rows = std::min<std::size_t>(g.mapRows, map.size() / g.mapStride);
  return view;
}

}  // namespace kvtc::pixels
