// Change detection: where a luma block of the current picture differs from the same block of
// another picture (the reference before motion search, the motion-compensated prediction
// after it), at the resolution of its 2x2 cells. Two samples differ when the change table,
// indexed by (a - b + 255), says so: |a - b| > T.
//
// The sampled variant (lossless luma off) looks at each cell's representative only, the
// samples such frames carry; the full variant looks at all four samples of every cell.
// Chroma is looked at only by the colour-aware step below, which the encoder runs when asked.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "pixels/pixel_kernels.h"
#include "stream/block_offsets.h"

namespace kvtc::encoder {

struct BlockChange {
  std::uint8_t block = 0;
  std::array<std::uint8_t, 4> quadrant{};
  std::array<std::uint8_t, 16> cell{};  // quadrant-major: quadrant q's cells at 4q to 4q+3
};

// Fills the 511-byte change table for threshold T: 0 at indices 255 - T to 255 + T, 1
// elsewhere.
void BuildChangeTable(std::span<std::uint8_t> table, std::uint32_t threshold);

// The 9x9 per-sample change flags of the block in hand, row-major by grid position.
constexpr int kSampleChangeMapSize = 81;
constexpr int MapIndex(int row, int col) { return row * 9 + col; }

// `current` and `other` point at the block's grid origin g(0, 0) in their planes, which share
// the stride the offsets were computed for.
//
// Both are for the change table of `threshold`, with the flags from the kernel table given.
//
// Sampled: a cell changed when its representative differs. The map receives the flag of each
// quadrant's bottom-right cell at the quadrant's corner; nothing else of it is written.
BlockChange DetectBlockChangeSampled(const std::uint8_t* current, const std::uint8_t* other,
                                     std::uint8_t* changeMap, std::uint32_t threshold,
                                     const stream::BlockOffsets& offsets,
                                     const pixels::PixelKernels& kernels);
// Full: a cell changed when any of its four samples differs. The map receives the flag of
// every one of the 64 samples.
BlockChange DetectBlockChangeFullAt(const std::uint8_t* current, const std::uint8_t* other,
                                    std::uint8_t* changeMap, std::uint32_t threshold,
                                    const stream::BlockOffsets& offsets,
                                    const pixels::PixelKernels& kernels);

// Colour-aware detection, run after the luma detection above: a quadrant whose 2x2 chroma cell
// differs in U or V (its representative, or with `full` all four samples) counts as changed
// with all four of its cells, so that a block whose colour changed is coded even where its
// luma did not, and every chroma sample of the cell is examined by the refinement (which,
// with lossless luma, follows the changed cells). `current` and `other` point at the block's
// chroma grid origin c(0, 0) in the U and V planes.
void AddChromaChange(const std::array<const std::uint8_t*, 2>& current,
                     const std::array<const std::uint8_t*, 2>& other,
                     const std::uint8_t* changeTable, const stream::BlockOffsets& offsets,
                     bool full, BlockChange& change);

}  // namespace kvtc::encoder
