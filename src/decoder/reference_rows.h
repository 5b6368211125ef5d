// Keeping the reference plane set equal to the current one after a frame, copying only what
// the frame can have changed.
//
// A non-key frame writes its blocks (motion compensation, literals, refinement), the fill-in
// around the marks those blocks made and the plane borders. The marks of a block row reach
// at most two plane rows into the next block row, and a fill reaches one row past a mark (two
// luma rows, one chroma row), so every sample the frame changes lies in a touched block row
// or in a row of the block rows either side of it, or in the border rows and columns. The
// border columns of an untouched row are rebuilt from its own samples, so they change only
// when the frame's lossless or grey state differs from the one the reference was built with.
#pragma once

#include <cstdint>
#include <span>

#include "stream/plane_geometry.h"

namespace kvtc::decoder {

// Copies `from` over `to` (plane sets of geometry `g`) in the rows of every block row whose
// flag in `touchedRows` (one a block row) is set, the block rows either side of them, the
// border rows of each plane (all rows past the block grid count as the last block row's),
// and the spare bytes after the planes.
void CopyTouchedRows(const stream::PlaneGeometry& g, std::span<std::uint8_t> to,
                     std::span<const std::uint8_t> from, std::span<const std::uint8_t> touchedRows);

}  // namespace kvtc::decoder
