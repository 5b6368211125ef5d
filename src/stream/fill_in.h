// Fill-in of the samples a lossy plane does not carry: with only representatives coded
// (even rows, even columns), every odd column of an even row becomes the rounded average of
// its left and right neighbours, and then every odd row the rounded average of the rows
// above and below it, all through the rounded-average table.
//
// The full fills rebuild a whole plane (key frames, grey pictures). The map-guided fills do
// the same only around the update map's marks and mark what they fill, so that a non-key
// frame touches only the neighbourhood of what it changed. Luma must be filled before chroma,
// and U before V: the chroma fill marks luma map positions that later fills read.
#pragma once

#include <cstdint>

#include "stream/plane_view.h"

namespace kvtc::stream {

// Fills a whole plane: luma, or either chroma plane.
//
// A plane with an odd last column (an odd coded width) has no right neighbour for that
// column; the column then repeats its left neighbour, as the picture's own last column is
// repeated past its edge, and nothing outside the plane is read. Odd rows run up to the last
// row below the plane's last row; an odd last row keeps its value.
void FillPlaneFull(const PlaneView& plane, const std::uint8_t* halfSum);

// Luma, guided by the map, with the kernel of the processor's level: an odd column x of an even row r is filled only when map (r, x-1)
// or (r, x+1) is marked, and then (r, x) is marked; a position (r, x) of an odd row is filled
// only when map (r-1, x) or (r+1, x) is marked, and then (r, x) is marked.
void FillLumaByMap(const PlaneView& luma, const MapView& map);

// One chroma plane, guided by the luma map read at twice the chroma coordinates, with the
// kernel of the processor's level (each filled sample the rounded mean of its two
// neighbours): chroma
// (r, x+1) of an even row when map (2r, 2x) or (2r, 2x+4) is marked, marking (2r, 2x+2);
// chroma (r, x) of an odd row when map (2r-2, 2x) or (2r+2, 2x) is marked.
void FillChromaByMap(const PlaneView& chroma, const MapView& map);

}  // namespace kvtc::stream
