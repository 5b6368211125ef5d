#include "decoder/block_walker.h"

#include <array>

#include "stream/bit_reader.h"
#include "stream/block_grid.h"
#include "stream/literal_reader.h"
#include "stream/motion_compensation.h"
#include "stream/update_map_marks.h"

namespace kvtc::decoder {

namespace {

using stream::ChromaGrid;
using stream::GridPoint;
using stream::LumaGrid;
using stream::MapGrid;
using stream::SplitStep;

using QuadrantFlags = std::array<bool, 4>;
using CellFlags = std::array<std::array<bool, 4>, 4>;

constexpr QuadrantFlags kAllQuadrants{true, true, true, true};
constexpr CellFlags kAllCells{kAllQuadrants, kAllQuadrants, kAllQuadrants, kAllQuadrants};

// A luma split step as plane offsets from the block's grid origin, and its target's offset in
// the map, so that the refinement loops index the planes directly.
struct PlaneStep {
  std::int32_t target, first, second, mark;
};
using StepTriple = std::array<PlaneStep, 3>;

struct StepTables {
  std::array<StepTriple, 4> quadrant;                // the quadrant-level split of each quadrant
  std::array<std::array<StepTriple, 4>, 4> cell;     // the finest split of each quadrant's cells
  std::array<std::array<std::int32_t, 3>, 4> chroma; // the chroma targets beside the quadrant's
};

constexpr GridPoint QuadrantStepTarget(int q, int j) {
  return stream::SplitSquare(stream::kQuadrantOrigins[q], 2)[j].target;
}

StepTriple PlaneSteps(const stream::BlockOffsets& o, GridPoint origin, int side) {
  StepTriple out{};
  const auto steps = stream::SplitSquare(origin, side);
  for (int j = 0; j < 3; ++j) {
    const SplitStep& s = steps[j];
    out[j] = {o.luma[s.target.row][s.target.col], o.luma[s.first.row][s.first.col],
              o.luma[s.second.row][s.second.col], o.map[s.target.row][s.target.col]};
  }
  return out;
}

StepTables MakeStepTables(const stream::BlockOffsets& o) {
  StepTables t{};
  for (int q = 0; q < 4; ++q) {
    const GridPoint origin = stream::kQuadrantOrigins[q];
    t.quadrant[q] = PlaneSteps(o, origin, 2);
    for (int k = 0; k < 4; ++k) t.cell[q][k] = PlaneSteps(o, origin + stream::kCellOrigins[k], 1);
    const auto chromaSteps = stream::SplitSquare(stream::kCellOrigins[q], 1);
    for (int j = 0; j < 3; ++j) {
      t.chroma[q][j] = o.chroma[chromaSteps[j].target.row][chromaSteps[j].target.col];
    }
  }
  return t;
}

struct FrameWalker {
  const BlockWalkInput& in;
  const stream::FrameHeader& h = in.header;
  const std::uint8_t* half = in.tables.halfSum.data();
  const bool losslessLuma = h.losslessLuma();
  const bool losslessChroma = h.losslessChroma();
  const bool grey = h.grey();
  const bool marking = in.makeMarks && !h.key();

  stream::BitReader blockBits{h.blockBits};
  stream::BitReader refinementBits{h.refinementBits};
  stream::LiteralReader literals{h.samples, h.packed()};
  const StepTables steps = MakeStepTables(in.offsets);

  // The block in hand.
  std::uint32_t bx = 0, by = 0;
  std::size_t lumaOrigin = 0, uOrigin = 0, vOrigin = 0;
  LumaGrid y{nullptr, nullptr};
  std::array<ChromaGrid, 2> chroma{ChromaGrid{nullptr, nullptr}, ChromaGrid{nullptr, nullptr}};
  MapGrid map{nullptr, nullptr};
  bool wholeBlockMarked = false;

  bool Overrun() const { return blockBits.overrun || refinementBits.overrun || literals.overrun; }

  void Mark(GridPoint p) {
    if (marking && !wholeBlockMarked) stream::MarkSample(map, p);
  }
  void MarkWholeBlock() {
    if (!marking) return;
    stream::MarkWholeBlock(map, losslessLuma);
    wholeBlockMarked = true;
  }

  // An R-bit; 1 replaces the sample with the next literal.
  template <int N>
  bool LiteralIfFlagged(const stream::Grid<N>& g, GridPoint p) {
    if (!refinementBits.ReadBit()) return false;
    g[p] = literals.Read();
    return true;
  }
  void StartBlock(std::uint32_t index) {
    const stream::PlaneGeometry& g = in.geometry;
    bx = index % g.blocksAcross;
    by = index / g.blocksAcross;
    lumaOrigin = stream::LumaBlockOrigin(g, bx, by);
    const std::uint32_t chromaOrigin = stream::ChromaBlockOrigin(g, bx, by);
    uOrigin = g.uOffset + chromaOrigin;
    vOrigin = g.vOffset + chromaOrigin;
    y = {in.current.data() + lumaOrigin, in.offsets.luma};
    chroma = {ChromaGrid{in.current.data() + uOrigin, in.offsets.chroma},
              ChromaGrid{in.current.data() + vOrigin, in.offsets.chroma}};
    if (marking) map = {in.updateMap.data() + stream::MapBlockOrigin(g, bx, by), in.offsets.map};
    wholeBlockMarked = false;
  }

  // Four corner literals; unless grey, per chroma plane the corner literal, the split of the
  // whole chroma block and the three flagged representatives, each followed (with lossless
  // chroma) by the split of its cell, the last by cells 2 and 3.
  void RefreshSamples() {
    for (int q = 0; q < 4; ++q) y[stream::QuadrantCorner(q)] = literals.Read();
    if (grey) return;
    for (const ChromaGrid& c : chroma) {
      c[{4, 4}] = literals.Read();
      stream::ApplySplit(c, {0, 0}, 2, half);
      for (const int cell : {0, 1, 2}) {
        LiteralIfFlagged(c, stream::ChromaCellRepresentative(cell));
        if (!losslessChroma) continue;
        stream::ApplySplit(c, stream::kCellOrigins[cell], 1, half);
        if (cell == 2) stream::ApplySplit(c, stream::kCellOrigins[3], 1, half);
      }
    }
  }

  void ChangedCorners(const QuadrantFlags& quadrants) {
    for (int q = 0; q < 4; ++q) {
      if (!quadrants[q]) continue;
      if (LiteralIfFlagged(y, stream::QuadrantCorner(q))) Mark(stream::QuadrantCorner(q));
      if (grey) continue;
      for (const ChromaGrid& c : chroma) {
        if (!LiteralIfFlagged(c, stream::ChromaCellRepresentative(q))) continue;
        if (losslessChroma) stream::ApplySplit(c, stream::kCellOrigins[q], 1, half);
        if (marking && !wholeBlockMarked) stream::MarkQuadrantArea(map, q);
      }
    }
  }

  // The quadrant-level and finest refinement of a block. The readers and pointers are held
  // in a local copy while it runs, so that the sample writes (which may alias anything) do
  // not force them back to memory at every step.
  struct Refinement {
    stream::BitReader bits;
    stream::BitReader blockBits;
    stream::LiteralReader literals;
    std::uint8_t* samples;
    std::uint8_t* marks;  // null when the steps make no new marks
    const std::uint8_t* half;

    void Mark(const PlaneStep& step) const {
      if (marks) marks[step.mark] = 1;
    }
    // An R-bit; 1 takes the next literal, 0 the step's average.
    void Refine(const PlaneStep& step) {
      samples[step.target] = bits.ReadBit() ? literals.Read()
                                            : half[samples[step.first] + samples[step.second]];
      Mark(step);
    }
    void Average(const PlaneStep& step) {
      samples[step.target] = half[samples[step.first] + samples[step.second]];
      Mark(step);
    }
  };

  void QuadrantRefinement(const QuadrantFlags& quadrants, const CellFlags& cells) {
    // A block marked whole already holds every mark a step makes.
    Refinement r{refinementBits, blockBits,  literals,
                 y.origin,       marking && !wholeBlockMarked ? map.origin : nullptr, half};
    for (int q = 0; q < 4; ++q) {
      if (!quadrants[q]) continue;
      for (int j = 0; j < 3; ++j) {
        if (losslessLuma && !cells[q][stream::kSplitStepCell[j]]) continue;
        r.Refine(steps.quadrant[q][j]);
        if (!losslessChroma) continue;
        for (const ChromaGrid& c : chroma) {
          if (!r.bits.ReadBit()) continue;
          c.origin[steps.chroma[q][j]] = r.literals.Read();
          if (losslessLuma && marking) stream::MarkChromaStepArea(map, QuadrantStepTarget(q, j));
        }
      }
      if (!losslessLuma) continue;
      // The cells' three finest samples: literals where flagged when the cell's detail flag is
      // set, averages otherwise.
      std::array<bool, 4> detail{};
      if (r.blockBits.ReadBit()) {
        for (int k = 0; k < 4; ++k) detail[k] = cells[q][k] && r.blockBits.ReadBit();
      }
      for (int k = 0; k < 4; ++k) {
        if (!cells[q][k]) continue;
        for (const PlaneStep& step : steps.cell[q][k]) {
          if (detail[k]) {
            r.Refine(step);
          } else {
            r.Average(step);
          }
        }
      }
    }
    refinementBits = r.bits;
    blockBits = r.blockBits;
    literals = r.literals;
  }

  // The motion code: 0; 1 0 and the vertical component; 1 1 0 and the horizontal component;
  // 1 1 1 and both, interleaved bit by bit. False when the block keeps its samples.
  bool ReadMotion(std::uint32_t& x, std::uint32_t& v) {
    const std::uint32_t k = h.motion.bits;
    x = v = h.motion.centre;
    if (!blockBits.ReadBit()) return false;
    if (!blockBits.ReadBit()) {
      v = blockBits.ReadBits(k);
    } else if (!blockBits.ReadBit()) {
      x = blockBits.ReadBits(k);
    } else {
      x = v = 0;
      for (std::uint32_t i = 0; i < k; ++i) {
        x |= std::uint32_t{blockBits.ReadBit()} << i;
        v |= std::uint32_t{blockBits.ReadBit()} << i;
      }
    }
    return true;
  }

  bool MoveBlock(std::uint32_t x, std::uint32_t v) {
    const std::uint32_t centre = h.motion.centre;
    if (!stream::MotionSourceInside(in.geometry, bx, by, x, v, centre, losslessLuma, grey)) {
      return false;
    }
    const auto compensate =
        losslessLuma ? stream::CompensateHalfSample : stream::CompensateWholeSample;
    std::uint8_t* current = in.current.data();
    const std::uint8_t* reference = in.reference.data();
    compensate(current + lumaOrigin, reference + lumaOrigin, stream::LumaDisplacement(x, v, centre),
               stream::BlockPlane::kLuma, in.offsets, in.tables);
    if (!grey) {
      const stream::MotionVector cv = stream::ChromaDisplacement(x, v, centre);
      for (const std::size_t origin : {uOrigin, vOrigin}) {
        compensate(current + origin, reference + origin, cv, stream::BlockPlane::kChroma,
                   in.offsets, in.tables);
      }
      MarkWholeBlock();
    }
    return true;
  }

  // A block that is not refreshed and whose update bit is set. False when its vector leaves
  // the reference planes.
  bool UpdateBlock() {
    if (h.searchRadius != 0) {
      std::uint32_t x = 0, v = 0;
      if (ReadMotion(x, v) && !MoveBlock(x, v)) return false;
      if (!blockBits.ReadBit()) return true;  // not coded
    } else if (losslessLuma) {
      MarkWholeBlock();
    }
    QuadrantFlags quadrants{};
    CellFlags cells{};
    for (int q = 0; q < 4; ++q) {
      quadrants[q] = blockBits.ReadBit();
      if (losslessLuma && quadrants[q]) {
        for (bool& cell : cells[q]) cell = blockBits.ReadBit();
      }
    }
    ChangedCorners(quadrants);
    QuadrantRefinement(quadrants, cells);
    return true;
  }

  void RefreshBlock() {
    MarkWholeBlock();
    RefreshSamples();
    QuadrantRefinement(kAllQuadrants, kAllCells);
  }

  // An unchanged block costs its update bit: nothing of it is located or touched.
  WalkResult Run() {
    std::uint32_t nextRefresh = h.refreshPhase;
    std::uint32_t touched = 0;
    const bool markRows = in.touchedRows.size() >= in.geometry.blocksDown;
    for (std::uint32_t index = 0; index < in.geometry.blockCount; ++index) {
      bool refresh = h.key();
      if (h.refreshPeriod != 0 && index == nextRefresh) {
        refresh = true;
        nextRefresh += h.refreshPeriod;
      }
      if (refresh) {
        StartBlock(index);
        RefreshBlock();
      } else if (blockBits.ReadBit()) {
        StartBlock(index);
        if (!UpdateBlock()) return WalkResult::kDamaged;
      } else {
        if (blockBits.overrun) return WalkResult::kDamaged;
        continue;
      }
      ++touched;
      if (markRows) in.touchedRows[by] = 1;
      if (Overrun()) return WalkResult::kDamaged;
    }
    if (in.touchedBlocks) *in.touchedBlocks = touched;
    return WalkResult::kDecoded;
  }
};

bool BuffersFit(const BlockWalkInput& in) {
  const stream::PlaneGeometry& g = in.geometry;
  return in.current.size() >= g.planeSetSize && in.reference.size() >= g.planeSetSize &&
         (!in.makeMarks || in.header.key() || in.updateMap.size() >= g.mapSize) &&
         in.tables.halfSum && in.tables.quarterSum;
}

}  // namespace

WalkResult DecodeBlocks(const BlockWalkInput& in) {
  if (!BuffersFit(in)) return WalkResult::kDamaged;
  if (in.geometry.blockCount == 0) return WalkResult::kDecoded;
  return FrameWalker{in}.Run();
}

}  // namespace kvtc::decoder
