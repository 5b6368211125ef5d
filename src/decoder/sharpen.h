// Sharpening the luma for display: each inner sample becomes 5y - (left + right + up + down)
// of the decoded picture, clamped to the codec's luma range 0..215. It works from the
// reference plane set (a copy of the decoded picture) into the current plane set, which the
// decoder restores from the reference after conversion, so sharpening never feeds back into
// the next frame.
#pragma once

#include <cstdint>
#include <span>

#include "stream/arithmetic_tables.h"
#include "stream/plane_geometry.h"

namespace kvtc::decoder {

// Without lossless luma the reference luma is first filled in over the whole plane (the
// sharpen step takes the place of the luma fill-in). Rows 1..H-1 and columns 1..W-1 of the
// current luma are rewritten; the border rows and columns and the chroma planes keep their
// values. Builds the sharpen tables on first use; false (nothing sharpened) when they cannot
// be allocated or a plane set is smaller than the geometry needs.
bool SharpenLuma(const stream::PlaneGeometry& geometry, std::span<std::uint8_t> current,
                 std::span<std::uint8_t> reference, bool losslessLuma,
                 stream::ArithmeticTables& tables);

}  // namespace kvtc::decoder
