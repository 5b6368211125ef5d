// The window of displacements the motion search may try for one block.
//
// The nominal window is -2R to +2R on each axis. It is narrowed three ways:
// - every coded component must fit the K bits of the motion code: the largest coded value is
//   2 * (max + 2R) with lossless luma (the half-sample refinement never steps past the
//   window) or max + 2R without, the smallest 2 * (min + 2R) or min + 2R, which must lie in
//   0 .. 2^K - 1 (radii that are no power of two, R = 1 without lossless luma for one, would
//   otherwise overflow);
// - blocks of the first block row or column get no negative displacement on that axis;
// - every reference sample that scoring a candidate, refining it or compensating the block
//   with it reads, luma and (unless the frame is grey) both chroma planes with the chroma
//   vector, lies inside the reference planes. This is the same test the decoder applies to the
//   vectors it reads (stream::MotionSourceInside), so every vector we send is one it accepts.
//   The samples a vector reads move monotonically with each component and the axes are
//   independent, so testing the four extreme displacements on the axes is enough.
#pragma once

#include <cstdint>

#include "encoder/motion_search.h"
#include "stream/motion_vector.h"
#include "stream/plane_geometry.h"

namespace kvtc::encoder {

struct WindowQuery {
  const stream::PlaneGeometry& geometry;
  std::uint32_t radius = 0;  // R, not 0
  stream::MotionParameters motion;
  bool losslessLuma = false;
  bool grey = false;
};

// The window for block (blockX, blockY). It always holds the zero displacement.
SearchWindow ClampSearchWindow(const WindowQuery& query, std::uint32_t blockX,
                               std::uint32_t blockY);

// The coded component of a whole-sample displacement: d + B, or 2d + B in half samples.
std::uint32_t CodedComponent(int displacement, std::uint32_t centre, bool losslessLuma);

}  // namespace kvtc::encoder
