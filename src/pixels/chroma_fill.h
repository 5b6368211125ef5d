// The map-guided fill-in of a chroma plane, the one fill every non-key frame runs: in an even
// row, sample x + 1 (x even) becomes the rounded mean (a + b + 1) / 2 of samples x and x + 2
// where the luma map is marked at column 2x or 2x + 4 of row 2r, and then column 2x + 2 is
// marked; in an odd row, a sample becomes the mean of those above and below it where either
// of their map rows is marked at twice its column. The plain kernel is the reference.
#pragma once

#include "stream/plane_view.h"

namespace kvtc::pixels {

void FillChromaByMap(const stream::PlaneView& chroma, const stream::MapView& map);

namespace finish {
void FillChromaByMapSse2(const stream::PlaneView& chroma, const stream::MapView& map);
}  // namespace finish

}  // namespace kvtc::pixels
