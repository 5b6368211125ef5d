// The map-guided fill-in that a non-key frame runs around what it changed, as pixel kernels.
//
// Chroma: in an even row, sample x + 1 (x even) becomes the rounded mean (a + b + 1) / 2 of
// samples x and x + 2 where the luma map is marked at column 2x or 2x + 4 of row 2r, and then
// column 2x + 2 is marked; in an odd row, a sample becomes the mean of those above and below it
// where either of their map rows is marked at twice its column.
//
// Luma (lossless luma off): in an even row, odd column x becomes the mean of x - 1 and x + 1
// (the last column, when odd, repeats its left neighbour) where map (r, x-1) or (r, x+1) is
// marked, and then (r, x) is marked; in an odd row, a sample becomes the mean of those above and
// below where map (r-1, x) or (r+1, x) is marked, and then (r, x) is marked.
//
// The plain kernels are the reference.
#pragma once

#include "stream/plane_view.h"

namespace kvtc::pixels {

void FillChromaByMap(const stream::PlaneView& chroma, const stream::MapView& map);
void FillLumaByMap(const stream::PlaneView& luma, const stream::MapView& map);

// The odd rows of the luma fill, which every level shares (the compiler takes them in whole
// vectors).
void FillLumaOddRows(const stream::PlaneView& luma, const stream::MapView& map);

namespace finish {
void FillChromaByMapSse2(const stream::PlaneView& chroma, const stream::MapView& map);
void FillLumaByMapSse2(const stream::PlaneView& luma, const stream::MapView& map);
}  // namespace finish

}  // namespace kvtc::pixels
