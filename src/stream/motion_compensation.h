// Motion-compensated prediction of one block from the previous picture, identical on the
// encoding and the decoding side.
//
// Both kernels address a block by its grid origin g(0, 0) in the destination (current) and
// the source (reference) plane, which share a stride, and read the source around the
// displaced block without checking where it lies: a caller proves every read inside the
// reference plane with MotionSourceInside first (the decoder rejects vectors that fail it,
// the encoder never searches outside them).
#pragma once

#include <cstdint>

#include "stream/arithmetic_tables.h"
#include "stream/block_offsets.h"
#include "stream/motion_vector.h"
#include "stream/plane_geometry.h"

namespace kvtc::stream {

enum class BlockPlane { kLuma, kChroma };  // an 8x8 luma block or a 4x4 chroma block

// Half-sample variant (frames with lossless luma; its chroma too): every sample g(1..n, 1..n)
// of the destination takes the source at the displacement in half samples: the sample
// itself, or the rounded average of the two or four samples around a half position.
void CompensateHalfSample(std::uint8_t* dest, const std::uint8_t* source, MotionVector v,
                          BlockPlane plane, const BlockOffsets& offsets,
                          const ArithmeticTables& tables);

// Whole-sample variant (lossy luma): only the representatives g(2..n step 2, 2..n step 2) are
// written, from the source at the displacement in whole samples; an odd component averages
// the two representatives one sample either side of the displaced position on that axis.
void CompensateWholeSample(std::uint8_t* dest, const std::uint8_t* source, MotionVector v,
                           BlockPlane plane, const BlockOffsets& offsets,
                           const ArithmeticTables& tables);

// The first and last source row (or column) one axis of a compensation reads, relative to the
// grid origin, for a block of n samples and a displacement d along that axis.
struct SourceSpan {
  std::int32_t first = 0;
  std::int32_t last = 0;
};
SourceSpan CompensationSourceSpan(std::int32_t d, std::int32_t n, bool halfSample);

// Whether the block at (blockX, blockY) with coded components (x, y) and centre B keeps every
// source sample its compensation reads inside the reference planes: rows 0..H and columns
// 0..W of luma and, unless the frame is grey, rows 0..CH and columns 0..CW of both chroma
// planes with the chroma vector. halfSample is the frame's lossless-luma flag.
bool MotionSourceInside(const PlaneGeometry& geometry, std::uint32_t blockX, std::uint32_t blockY,
                        std::uint32_t x, std::uint32_t y, std::uint32_t centre, bool halfSample,
                        bool grey);

}  // namespace kvtc::stream
