// Keeping the reference plane set equal to the current one after a frame, copying only what
// the frame can have changed.
//
// A non-key frame writes its blocks (motion compensation, literals, refinement), the fill-in
// around the marks those blocks made and the plane borders. The marks of a block row reach
// at most two plane rows into the next block row and one into the one before, and a fill
// reaches one row past a mark (two luma rows, one chroma row), so every sample the blocks and
// the fill-in change lies in a touched block row or in a block row either side of it. The
// borders (rows 0 and 1, columns 0 and 1 of each plane) are rebuilt whole before the fill-in,
// so a border column can lag behind the samples a fill wrote beside it and catch up a frame
// later in a row no block of that frame touched: the border rows and columns are copied
// whole every frame.
#pragma once

#include <cstdint>
#include <span>

#include "stream/plane_geometry.h"

namespace kvtc::decoder {

// Copies `from` over `to` (plane sets of geometry `g`) in the rows of every block row whose
// flag in `touchedRows` (one a block row) is set and of the block rows either side of them
// (all rows past the block grid count as the last block row's), in the two border rows and
// the two border columns of each plane, and in the spare bytes after the planes.
void CopyTouchedRows(const stream::PlaneGeometry& g, std::span<std::uint8_t> to,
                     std::span<const std::uint8_t> from, std::span<const std::uint8_t> touchedRows);

}  // namespace kvtc::decoder
