// The finest level of a lossless-luma block's refinement, over the whole 8x8 block at once.
//
// The grid g(0..8, 0..8) holds the block's upper and left neighbours in row 0 and column 0,
// and every sample at an even row and even column already final. Within each flagged 2x2 cell
// (cell (i, j) covers g(2i+1..2i+2, 2j+1..2j+2)) three samples are set from their neighbours:
// A = g(2i+1, 2j+2) from the samples above and below it, L = g(2i+2, 2j+1) from those left and
// right of it, then D = g(2i+1, 2j+1) from those above and below it (the upper one is the L of
// the cell above, or row 0). Each takes the rounded average (a + b + 1) >> 1, unless the
// current sample differs from that by more than T: then it takes the current sample, which
// is sent. The As and Ls read only final samples, and each D reads only Ls, so every cell can
// be done at once.
#pragma once

#include <cstdint>

namespace kvtc::pixels {

// `rec` and `cur` point at g(0, 0) of the reconstruction and of the current picture, rows
// `stride` apart; `cells` holds the 4x4 cell flags row by row. Writes the flagged cells' A, L
// and D into `rec` and returns the samples sent, bit 8(r - 1) + (c - 1) for g(r, c).
std::uint64_t RefineFinest8x8(std::uint8_t* rec, const std::uint8_t* cur, std::int32_t stride,
                              std::uint32_t threshold, const std::uint8_t* cells);

namespace encode {
std::uint64_t RefineFinest8x8Sse2(std::uint8_t* rec, const std::uint8_t* cur, std::int32_t stride,
                                  std::uint32_t threshold, const std::uint8_t* cells);
}  // namespace encode

}  // namespace kvtc::pixels
