// Fill-in of the samples a lossy plane does not carry: with only representatives coded
// (even rows, even columns), every odd column of an even row becomes the rounded average of
// its left and right neighbours, and then every odd row the rounded average of the rows
// above and below it; each average is (a + b + 1) / 2.
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

// Luma and one chroma plane guided by the map, by the map fill kernels of the processor's
// level (pixels/map_fill.h says which samples they fill and mark).
void FillLumaByMap(const PlaneView& luma, const MapView& map);
void FillChromaByMap(const PlaneView& chroma, const MapView& map);

}  // namespace kvtc::stream
