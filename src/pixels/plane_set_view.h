// A view of one picture inside a plane set, addressed with the coder's geometry.
//
//   luma    (W+1) x (H+1), row stride W+1; column W and row H are the margins
//   U, V    (CW+1) x (CH+1) each, row stride CW+1, with CW = 4*BX and CH = 4*BY
//
// Chroma sample (x, y) stands for the 2x2 luma block whose top-left sample is (2x, 2y). When W
// and H are multiples of 8 the picture has exactly CW x CH blocks and the last chroma column
// and row are margins. Otherwise the picture's (W+1)/2 x (H+1)/2 blocks and the chroma planes
// disagree: the planes keep the coder's size, blocks to the right of or below the last stored
// chroma sample share it, and nothing is ever written outside the plane set.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "stream/plane_geometry.h"

namespace kvtc::pixels {

template <class Byte>
struct PlaneSetView {
  Byte* luma = nullptr;
  Byte* u = nullptr;
  Byte* v = nullptr;
  std::uint32_t width = 0;            // W
  std::uint32_t height = 0;           // H
  std::size_t lumaStride = 0;         // W + 1
  std::size_t chromaStride = 0;       // CW + 1
  std::uint32_t chromaPlaneCols = 0;  // CW + 1
  std::uint32_t chromaPlaneRows = 0;  // CH + 1
  std::uint32_t chromaCols = 0;       // blocks across that have a chroma sample of their own
  std::uint32_t chromaRows = 0;       // blocks down that have one

  explicit operator bool() const { return luma != nullptr; }
  Byte* LumaRow(std::uint32_t y) const { return luma + y * lumaStride; }
  // Offset in a chroma plane of the sample that serves block (bx, by).
  std::size_t ChromaAt(std::uint32_t bx, std::uint32_t by) const {
    return std::min(by, chromaRows - 1) * chromaStride + std::min(bx, chromaCols - 1);
  }
};

using PlaneSet = PlaneSetView<std::uint8_t>;
using ConstPlaneSet = PlaneSetView<const std::uint8_t>;

// The picture of `g` inside `planes`. Empty (false) when the picture has no pixels or the
// buffer is smaller than the geometry's plane set, so that callers convert nothing.
template <class Byte>
PlaneSetView<Byte> ViewPlaneSet(std::span<Byte> planes, const stream::PlaneGeometry& g) {
  PlaneSetView<Byte> view;
  if (g.width == 0 || g.height == 0 || g.lumaStride != g.width + 1 || g.lumaRows != g.height + 1 ||
      planes.size() < g.planeSetSize) {
    return view;
  }
  view.luma = planes.data();
  view.u = planes.data() + g.uOffset;
  view.v = planes.data() + g.vOffset;
  view.width = g.width;
  view.height = g.height;
  view.lumaStride = g.lumaStride;
  view.chromaStride = g.chromaStride;
  view.chromaPlaneCols = g.chromaStride;
  view.chromaPlaneRows = g.chromaRows;
  view.chromaCols = std::min((g.width + 1) / 2, g.chromaStride);
  view.chromaRows = std::min((g.height + 1) / 2, g.chromaRows);
  return view;
}

}  // namespace kvtc::pixels
