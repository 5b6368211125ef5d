// One plane of a plane set (or the update map) as rows of samples: the finishing steps work
// on planes, not on blocks, and the same code serves luma and both chroma planes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "stream/plane_geometry.h"

namespace kvtc::stream {

struct PlaneView {
  std::uint8_t* samples = nullptr;
  std::uint32_t stride = 0;   // samples per row; the last column is stride - 1 (W or CW)
  std::uint32_t lastRow = 0;  // H or CH

  std::uint8_t* Row(std::uint32_t r) const { return samples + std::size_t{r} * stride; }
  std::uint32_t lastColumn() const { return stride - 1; }
};

// The three planes of a plane set of the given geometry. The caller has checked that the
// set holds geometry.planeSetSize bytes.
inline PlaneView LumaPlane(const PlaneGeometry& g, std::span<std::uint8_t> set) {
  return {set.data(), g.lumaStride, g.height};
}
inline PlaneView UPlane(const PlaneGeometry& g, std::span<std::uint8_t> set) {
  return {set.data() + g.uOffset, g.chromaStride, g.chromaHeight};
}
inline PlaneView VPlane(const PlaneGeometry& g, std::span<std::uint8_t> set) {
  return {set.data() + g.vOffset, g.chromaStride, g.chromaHeight};
}

// The update map: one byte per luma plane position, rows of W + 4 bytes. Rows past the map
// (a picture height that is not a multiple of 8 leaves plane rows below it) read as unmarked.
// Whether any of `count` map bytes from `row` is marked: 32 bytes at a time, so that the rows
// an unchanged picture leaves unmarked cost little to pass over.
inline bool AnyMarked(const std::uint8_t* row, std::size_t count) {
  std::size_t i = 0;
  for (; i + 32 <= count; i += 32) {
    std::uint64_t words[4];
    std::memcpy(words, row + i, 32);
    if ((words[0] | words[1] | words[2] | words[3]) != 0) return true;
  }
  for (; i < count; ++i) {
    if (row[i]) return true;
  }
  return false;
}

struct MapView {
  std::uint8_t* bytes = nullptr;
  std::uint32_t stride = 0;
  std::uint32_t rows = 0;

  std::uint8_t* Row(std::uint32_t r) const {
    return r < rows ? bytes + std::size_t{r} * stride : nullptr;
  }
};

inline MapView UpdateMap(const PlaneGeometry& g, std::span<std::uint8_t> map) {
  return {map.data(), g.mapStride, g.mapRows};
}

}  // namespace kvtc::stream
