// Pictures enlarged to the size the codec's block grid and decimation can hold exactly, by
// repeating the last column and row; the decoding side crops the extra away again.
#pragma once

#include <cstdint>

#include "kvtc/av_support.h"

namespace kvtc::tool {

// Copies `src` into the top-left of `dst` (same pixel format, at least as large) and fills
// the rest of `dst` by repeating src's last column to the right and its last row downwards.
// Packed layouts that share chroma between two pixels repeat their last pixel pair.
void PadByRepeatingEdges(const AVFrame& src, AVFrame& dst);

// The size a picture is padded to for decimation factor `factor` (1, 2, 4 or 8): each side a
// multiple of 8 * factor, at least one block.
int PaddedSide(int side, int factor);

// The decimation setting (0: none, 2, 4 or 8) the tool codes a picture of width x height with
// by default: the smallest that brings the coded picture within 640x480, the largest the
// codec's frames carry whole at its usual settings, and, on a link of `linkBytesPerSecond`
// (0: none), one whose whole picture at the coarsest threshold the link carries in a second.
std::uint8_t DefaultDecimation(int width, int height, double linkBytesPerSecond = 0);

}  // namespace kvtc::tool
