// Block coding: every syntax element of one block chosen and written in stream order (B-bits
// to the block-bit section, R-bits to the refinement-bit section, literals to the sample
// section), with the reconstruction updated exactly as the decoder will update its picture,
// update-map marks included.
//
// The rule for every tested sample is the same: it goes out as a literal (R-bit 1) when it
// differs by more than T from the value the decoder would otherwise give that position;
// otherwise the R-bit is 0 and the decoder's value stands in the reconstruction too.
#pragma once

#include <cstdint>
#include <span>

#include "encoder/literal_writer.h"
#include "stream/arithmetic_tables.h"
#include "stream/bit_writer.h"
#include "stream/block_offsets.h"
#include "stream/motion_vector.h"
#include "stream/plane_geometry.h"

namespace kvtc::encoder {

// The frame in hand, as every one of its blocks is coded.
struct FrameCoder {
  const stream::PlaneGeometry& geometry;
  const stream::BlockOffsets& offsets;  // for the geometry's strides
  const stream::ArithmeticTables& tables;
  const std::uint8_t* changeTable;         // |a - b| > T at (a - b + 255)
  std::uint32_t threshold;                 // T
  std::span<std::uint8_t> current;         // the converted, filtered input; only read
  std::span<const std::uint8_t> reference; // the previous picture
  std::span<std::uint8_t> reconstruction;  // the decoder's picture of this frame
  std::span<std::uint8_t> updateMap;       // marked as the decoder marks its map
  std::uint8_t* sampleChangeMap;           // 81 bytes
  bool key;
  bool losslessLuma;
  bool losslessChroma;  // as it takes effect: never on a grey frame
  bool grey;
  std::uint32_t radius;  // R; 0: no motion search
  stream::MotionParameters motion;
  stream::BitWriter& blockBits;
  stream::BitWriter& refinementBits;
  LiteralWriter& literals;
  bool chromaChange = false;  // change detection also compares chroma (never on a grey frame)
};

// Codes block (blockX, blockY). A refresh block is coded without reference to the previous
// picture; any other block is compared with it, searched for motion when R is not 0, and
// re-sent where it still differs.
void CodeBlock(const FrameCoder& frame, std::uint32_t blockX, std::uint32_t blockY, bool refresh);

// Sends the block as unchanged: a single B-bit 0. Its reconstruction keeps the previous
// picture.
void SkipBlock(const FrameCoder& frame);

// The motion code of coded components (x, y): 0 for no motion; 1 0 and y; 1 1 0 and x; or
// 1 1 1 and both interleaved bit by bit, each in K bits least significant first.
void WriteMotionCode(stream::BitWriter& bits, std::uint32_t x, std::uint32_t y,
                     const stream::MotionParameters& motion);

}  // namespace kvtc::encoder
