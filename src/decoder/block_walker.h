// Decoding one frame's blocks: the block syntax walked in raster order over the current plane
// set, with motion compensation from the reference plane set and the update-map marks made
// as the samples change.
//
// Bad input. The frame format checks nothing but its checksum, so the walker bounds everything
// itself: each of the three sections is read through its own cursor that never passes the
// section's end, and no block is moved by a vector whose source would leave the reference
// planes. A frame that asks for more bits or literals than its sections hold, or carries such a
// vector, is damaged: the walker stops and says so. The current planes and the map then hold
// a partly decoded frame; the caller copies the reference plane set back over the current one
// and neither finishes, converts nor keeps the frame, so the picture stays the last good one
// and the next frame is decoded against it.
#pragma once

#include <cstdint>
#include <span>

#include "stream/arithmetic_tables.h"
#include "stream/block_offsets.h"
#include "stream/frame_format.h"
#include "stream/plane_geometry.h"

namespace kvtc::decoder {

enum class WalkResult {
  kDecoded,
  kDamaged,  // a section ran out, a vector left the planes, or the buffers do not fit
};

struct BlockWalkInput {
  const stream::FrameHeader& header;
  const stream::PlaneGeometry& geometry;
  const stream::BlockOffsets& offsets;      // computed from this geometry's strides
  const stream::ArithmeticTables& tables;   // halfSum and quarterSum
  std::span<std::uint8_t> current;          // plane set being decoded, planeSetSize bytes
  std::span<const std::uint8_t> reference;  // the last decoded picture, planeSetSize bytes
  std::span<std::uint8_t> updateMap;        // mapSize bytes when marks are made
  // Whether to make update-map marks. Key frames never make them, whatever this says: they
  // are filled in and converted in full, and the map is not cleared for them.
  bool makeMarks = true;
  // When given, set to the number of blocks the frame refreshes or updates (every block but
  // those it leaves unchanged).
  std::uint32_t* touchedBlocks = nullptr;
  // When it holds a byte a block row, a row's byte is set to 1 when the frame refreshes or
  // updates one of its blocks; the caller clears it.
  std::span<std::uint8_t> touchedRows = {};
};

// Decodes every block of the frame into `current`. The marks follow the frame's own grey
// flags (a grey display switch takes effect only after the blocks). With lossless luma the
// finest refinement samples of a cell are marked too, literal or average, so a partial output
// converter never leaves one of them stale.
WalkResult DecodeBlocks(const BlockWalkInput& in);

}  // namespace kvtc::decoder
