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

#include <cstdint>

#include "stream/plane_view.h"

namespace kvtc::pixels {

void FillChromaByMap(const stream::PlaneView& chroma, const stream::MapView& map);
void FillLumaByMap(const stream::PlaneView& luma, const stream::MapView& map);

namespace finish {
void FillChromaByMapSse2(const stream::PlaneView& chroma, const stream::MapView& map);
void FillLumaByMapSse2(const stream::PlaneView& luma, const stream::MapView& map);
}  // namespace finish

// The rows of the fills, from column x on, and the walks over a plane's rows that every level
// shares: a level brings its own row functions, which take what they can in whole vectors and
// hand the rest to the plain ones.
namespace fill {

// Even chroma row, the pairs from x (even) on; `last` is the plane's last column.
void ChromaEvenRow(std::uint8_t* row, std::uint8_t* marks, std::uint32_t x, std::uint32_t last);
// Odd chroma row, columns x .. last.
void ChromaOddRow(std::uint8_t* row, const std::uint8_t* above, const std::uint8_t* below,
                  const std::uint8_t* marksAbove, const std::uint8_t* marksBelow, std::uint32_t x,
                  std::uint32_t last);
// Even luma row, the odd columns from x on.
void LumaEvenRow(std::uint8_t* row, std::uint8_t* marks, std::uint32_t x, std::uint32_t last);

using EvenRow = void (*)(std::uint8_t* row, std::uint8_t* marks, std::uint32_t x,
                         std::uint32_t last);
using OddRow = void (*)(std::uint8_t* row, const std::uint8_t* above, const std::uint8_t* below,
                        const std::uint8_t* marksAbove, const std::uint8_t* marksBelow,
                        std::uint32_t x, std::uint32_t last);
void FillChroma(const stream::PlaneView& chroma, const stream::MapView& map, EvenRow even,
                OddRow odd);
void FillLuma(const stream::PlaneView& luma, const stream::MapView& map, EvenRow even);

}  // namespace fill

}  // namespace kvtc::pixels
