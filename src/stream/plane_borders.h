// Rebuilding row 0 and column 0 of each plane after a frame's last block: no block codes
// them, but the next frame's first block row and column use them as upper and left
// neighbours, so they must hold the same values on the encoding and the decoding side.
//
// A plane that carries only representatives (even rows and columns) first copies row 2 into
// row 1 and column 2 into column 1, so that the border repeats coded samples; then row 0 and
// column 0 repeat row 1 and column 1. The steps run in a fixed order (rows before columns) and
// skip rows or columns that a plane too small for blocks does not have.
#pragma once

#include <cstdint>
#include <span>

#include "stream/plane_geometry.h"
#include "stream/plane_view.h"

namespace kvtc::stream {

// Luma: without lossless luma row 1 (columns 2..W) takes row 2 and column 1 (rows 1..H)
// column 2; then row 0 (columns 1..W) takes row 1 and column 0 (rows 0..H) column 1.
void RebuildLumaBorder(const PlaneView& luma, bool losslessLuma);

// One chroma plane. With lossless chroma row 0 (columns 1..CW) takes row 1 and column 0
// (rows 0..CH) column 1. Without it row 1 and then row 0 (columns 2..CW) take row 2 and row 1,
// and columns 0 and 1 (rows 0..CH) take column 2.
void RebuildChromaBorder(const PlaneView& chroma, bool losslessChroma);

// All three planes of a plane set, luma then U then V. A grey picture leaves its chroma
// borders alone, whatever the lossless-chroma flag says.
void RebuildBorders(const PlaneGeometry& geometry, std::span<std::uint8_t> planeSet,
                    bool losslessLuma, bool losslessChroma, bool grey);

}  // namespace kvtc::stream
