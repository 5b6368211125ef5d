// Offsets of the block-grid positions for one stream's strides, so that no sample position
// inside a block is multiplied out in the coding loops: every access is the block's grid
// origin g(0, 0) plus a table entry.
#pragma once

#include <cstdint>

#include "stream/plane_geometry.h"

namespace kvtc::stream {

struct BlockOffsets {
  std::int32_t luma[9][9] = {};     // g(r, c): r * lumaStride + c
  std::int32_t chroma[5][5] = {};   // c(r, c): r * chromaStride + c
  std::int32_t map[11][11] = {};    // map grid (r, c): r * mapStride + c
};

BlockOffsets ComputeBlockOffsets(const PlaneGeometry& geometry);

// Plane offset of the grid origin g(0, 0) of block (bx, by): one row above and one column
// left of its first sample. For the chroma planes, relative to the plane's start.
inline std::uint32_t LumaBlockOrigin(const PlaneGeometry& g, std::uint32_t bx, std::uint32_t by) {
  return 8 * by * g.lumaStride + 8 * bx;
}
inline std::uint32_t ChromaBlockOrigin(const PlaneGeometry& g, std::uint32_t bx,
                                       std::uint32_t by) {
  return 4 * by * g.chromaStride + 4 * bx;
}
inline std::uint32_t MapBlockOrigin(const PlaneGeometry& g, std::uint32_t bx, std::uint32_t by) {
  return 8 * by * g.mapStride + 8 * bx;
}

}  // namespace kvtc::stream
