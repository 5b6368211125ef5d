// The marks a non-key frame leaves in the update map while its blocks are decoded (and the
// encoder, when it mirrors the decoder's fill-in). A mark says that the sample at that luma
// position was set by this frame, or that its neighbourhood must be rebuilt; the map-guided
// fill-in and the partial output converters look only where marks are. Positions are in the
// block's map grid (see block_grid.h), which reaches g(10, 10).
#pragma once

#include "stream/block_grid.h"

namespace kvtc::stream {

// The whole block: with lossless luma its 64 samples g(1..8, 1..8); without it every even
// position g(0..10, 0..10), so the fill rebuilds the odd positions between this block's
// representatives and those of its upper, left, right and lower neighbours.
void MarkWholeBlock(const MapGrid& map, bool losslessLuma);

// One sample: a quadrant-corner literal or a sample step of the quadrant refinement.
inline void MarkSample(const MapGrid& map, GridPoint p) { map[p] = 1; }

// The 4x4 area g(2..5, 2..5) shifted to quadrant q, for a chroma-representative literal of
// the changed corners, whose fill-in reaches around that quadrant.
void MarkQuadrantArea(const MapGrid& map, int q);

// The 2x2 area whose top-left is the luma position of the refinement step that a lossless
// chroma literal follows.
void MarkChromaStepArea(const MapGrid& map, GridPoint lumaStep);

}  // namespace kvtc::stream
