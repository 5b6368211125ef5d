// The margins of a plane set: the column to the right of and the row below the picture repeat
// the picture's last column and row, so that every 2x2 neighbourhood the coder and the filters
// read holds picture samples.
#pragma once

#include <cstdint>

#include "pixels/plane_set_view.h"

namespace kvtc::pixels {

// Luma: column W of rows 0..H-1 takes column W-1, then row H takes row H-1 (all W+1 bytes).
void FinishLumaMargins(const PlaneSet& planes);

// Chroma, both planes: the first `cols` x `rows` samples hold picture chroma. Every later
// column of those rows repeats column cols-1, then every later row repeats row rows-1, up to
// the end of the planes. Nothing happens when either count is 0.
void FinishChromaMargins(const PlaneSet& planes, std::uint32_t cols, std::uint32_t rows);

}  // namespace kvtc::pixels
