// The room a frame has: the caller's output buffer, which was promised 12 bits per pixel, and
// the format's 16-bit section lengths. A frame that does not fit either is never emitted:
// EncodeFrame codes it again with a higher threshold and at last as an ordinary frame whose
// blocks are coded only while the budget still holds a block at its worst case (see
// encode_frame.h).
#pragma once

#include <cstddef>

namespace kvtc::encoder {

// The longest section a 16-bit length (or the 16-bit remainder that stands for the
// refinement-bit section's length) can describe.
constexpr std::size_t kMaxSectionBytes = 65535;

// The most one block can put into each section: 96 literals and 96 R-bits (every luma and
// chroma sample), and fewer than 64 B-bits (changed, motion code with two components of at
// most 7 bits, coded, four quadrant flags, sixteen cell flags, four detail bits and sixteen
// detail flags).
constexpr std::size_t kWorstBlockLiterals = 96;
constexpr std::size_t kWorstBlockBits = 64;
constexpr std::size_t kWorstBlockRefinementBits = 96;

struct FrameSize {
  std::size_t headerBytes = 0;  // flags and optional bytes
  std::size_t literals = 0;     // literal samples (two share a byte when packed)
  bool packed = false;
  std::size_t blockBits = 0;
  std::size_t refinementBits = 0;

  std::size_t SampleBytes() const { return packed ? (literals + 1) / 2 : literals; }
  std::size_t BlockBytes() const { return (blockBits + 7) / 8; }
  std::size_t RefinementBytes() const { return (refinementBits + 7) / 8; }
  // Header, L1, samples, L2, block bits, refinement bits and the checksum.
  std::size_t TotalBytes() const {
    return headerBytes + 2 + SampleBytes() + 2 + BlockBytes() + RefinementBytes() + 1;
  }
  // Whether the frame fits `capacity` bytes with every section within its length field.
  bool FitsIn(std::size_t capacity) const {
    return SampleBytes() <= kMaxSectionBytes && BlockBytes() <= kMaxSectionBytes &&
           RefinementBytes() <= kMaxSectionBytes && TotalBytes() <= capacity;
  }
  // Whether one more block at its worst case, followed by `blocksAfter` blocks of which
  // `refreshAfter` are refresh blocks (at their worst case too) and the rest are sent as
  // unchanged (one B-bit each), still fits.
  bool RoomForBlock(std::size_t blocksAfter, std::size_t capacity,
                    std::size_t refreshAfter = 0) const {
    FrameSize worst = *this;
    const std::size_t coded = 1 + refreshAfter;
    worst.literals += coded * kWorstBlockLiterals;
    worst.blockBits += coded * kWorstBlockBits + (blocksAfter - refreshAfter);
    worst.refinementBits += coded * kWorstBlockRefinementBits;
    return worst.FitsIn(capacity);
  }
};

}  // namespace kvtc::encoder
