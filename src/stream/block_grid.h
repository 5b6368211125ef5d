// The vocabulary of a block: grid positions, quadrants, cells, representatives and the
// three-point split, shared by everything that codes, decodes or marks a block.
//
// A luma block is seen through a 9x9 grid g(r, c) whose origin g(0, 0) is the sample one row
// above and one column left of the block's first sample; g(1..8, 1..8) are its own samples,
// row 0 and column 0 its upper and left neighbours. A chroma block uses a 5x5 grid the same
// way, and the update map an 11x11 grid (marks reach two positions past the block).
//
// Quadrants 0..3 (top-left, top-right, bottom-left, bottom-right) are the 4x4 squares with
// origins (0,0), (0,4), (4,0), (4,4); each holds four 2x2 cells with origins (0,0), (0,2),
// (2,0), (2,2) relative to it, in the same order. A square's representative is its
// bottom-right sample; a chroma block's four cells are its quadrants.
#pragma once

#include <array>
#include <cstdint>

#include "stream/block_offsets.h"

namespace kvtc::stream {

struct GridPoint {
  int row = 0;
  int col = 0;
};
constexpr GridPoint operator+(GridPoint a, GridPoint b) { return {a.row + b.row, a.col + b.col}; }

inline constexpr std::array<GridPoint, 4> kQuadrantOrigins{{{0, 0}, {0, 4}, {4, 0}, {4, 4}}};
inline constexpr std::array<GridPoint, 4> kCellOrigins{{{0, 0}, {0, 2}, {2, 0}, {2, 2}}};

// Representative of the square of side 2s at origin o.
constexpr GridPoint Representative(GridPoint o, int s) { return o + GridPoint{2 * s, 2 * s}; }
// q(4, 4) of quadrant q: g(4,4), g(4,8), g(8,4), g(8,8); also cell 3's representative.
constexpr GridPoint QuadrantCorner(int q) { return Representative(kQuadrantOrigins[q], 2); }
// Representative of chroma cell q: c(2,2), c(2,4), c(4,2), c(4,4).
constexpr GridPoint ChromaCellRepresentative(int q) { return Representative(kCellOrigins[q], 1); }

// One point of the three-point split: target = avg(first, second).
struct SplitStep {
  GridPoint target;
  GridPoint first;
  GridPoint second;
};

// The three-point split of the square of side 2s at origin o, in its order: the above point
// A = o+(s,2s) from o+(0,2s) and the representative R, the left point L = o+(2s,s) from
// o+(2s,0) and R, then the diagonal point D = o+(s,s) from o+(0,s) and the new L. With s = 2
// on a quadrant these are q(2,4), q(4,2), q(2,2); with s = 1 on a cell k(1,2), k(2,1), k(1,1).
constexpr std::array<SplitStep, 3> SplitSquare(GridPoint o, int s) {
  const GridPoint r = Representative(o, s);
  const GridPoint left = o + GridPoint{2 * s, s};
  return {{{o + GridPoint{s, 2 * s}, o + GridPoint{0, 2 * s}, r},
           {left, o + GridPoint{2 * s, 0}, r},
           {o + GridPoint{s, s}, o + GridPoint{0, s}, left}}};
}

// The cell whose representative each quadrant-level split point is: A is cell 1's, L cell 2's,
// D cell 0's (cell 3's is the quadrant corner).
inline constexpr std::array<int, 3> kSplitStepCell{1, 2, 0};

// A block's samples (or map bytes) seen through its grid: origin plus a table offset.
template <int N>
struct Grid {
  std::uint8_t* origin;
  const std::int32_t (*offsets)[N];
  std::uint8_t& operator[](GridPoint p) const { return origin[offsets[p.row][p.col]]; }
};
using LumaGrid = Grid<9>;
using ChromaGrid = Grid<5>;
using MapGrid = Grid<11>;

// Applies one split step through the rounded-average table.
template <int N>
void ApplySplitStep(const Grid<N>& g, const SplitStep& step, const std::uint8_t* halfSum) {
  g[step.target] = halfSum[g[step.first] + g[step.second]];
}
template <int N>
void ApplySplit(const Grid<N>& g, GridPoint o, int s, const std::uint8_t* halfSum) {
  for (const SplitStep& step : SplitSquare(o, s)) ApplySplitStep(g, step, halfSum);
}

}  // namespace kvtc::stream
