#include "encoder/block_coding.h"

#include <array>
#include <cstdlib>
#include <cstring>

#include "encoder/change_detection.h"
#include "encoder/motion_search.h"
#include "encoder/search_window.h"
#include "stream/block_grid.h"
#include "stream/motion_compensation.h"
#include "stream/update_map_marks.h"

namespace kvtc::encoder {

namespace {

using stream::ChromaGrid;
using stream::GridPoint;
using stream::LumaGrid;
using stream::MapGrid;
using stream::SplitStep;

struct BlockCoder {
  const FrameCoder& f;
  const std::uint8_t* change = f.changeTable;
  const std::uint8_t* half = f.tables.halfSum.data();
  const pixels::PixelKernels& kernels = pixels::ActiveKernels();
  // The decoder makes no marks on key frames: they are filled in and converted in full.
  const bool marking = !f.key;

  std::uint32_t bx = 0, by = 0;
  std::size_t lumaOrigin = 0;
  std::array<std::size_t, 2> chromaOrigins{};
  LumaGrid cur{nullptr, nullptr};
  LumaGrid rec{nullptr, nullptr};
  std::array<ChromaGrid, 2> curChroma{ChromaGrid{nullptr, nullptr}, ChromaGrid{nullptr, nullptr}};
  std::array<ChromaGrid, 2> recChroma{ChromaGrid{nullptr, nullptr}, ChromaGrid{nullptr, nullptr}};
  MapGrid map{nullptr, nullptr};
  bool wholeBlockMarked = false;
  bool lumaMarked = false;  // every luma sample g(1..8, 1..8) of the block is marked

  BlockCoder(const FrameCoder& frame, std::uint32_t blockX, std::uint32_t blockY)
      : f(frame), bx(blockX), by(blockY) {
    const stream::PlaneGeometry& g = f.geometry;
    lumaOrigin = stream::LumaBlockOrigin(g, bx, by);
    const std::uint32_t chromaOrigin = stream::ChromaBlockOrigin(g, bx, by);
    chromaOrigins = {g.uOffset + chromaOrigin, g.vOffset + chromaOrigin};
    cur = {f.current.data() + lumaOrigin, f.offsets.luma};
    rec = {f.reconstruction.data() + lumaOrigin, f.offsets.luma};
    for (int p = 0; p < 2; ++p) {
      curChroma[p] = {f.current.data() + chromaOrigins[p], f.offsets.chroma};
      recChroma[p] = {f.reconstruction.data() + chromaOrigins[p], f.offsets.chroma};
    }
    if (marking) map = {f.updateMap.data() + stream::MapBlockOrigin(g, bx, by), f.offsets.map};
  }

  // Marks a luma sample the block sets; a block whose luma was marked whole needs no more.
  void Mark(GridPoint p) {
    if (marking && !lumaMarked) stream::MarkSample(map, p);
  }
  void MarkWholeBlock() {
    if (!marking) return;
    stream::MarkWholeBlock(map, f.losslessLuma);
    wholeBlockMarked = true;
    lumaMarked = f.losslessLuma;
  }

  // Sends the current sample at p as a literal; the reconstruction takes what the decoder
  // will read.
  template <int N>
  void SendLiteral(const stream::Grid<N>& current, const stream::Grid<N>& picture, GridPoint p) {
    picture[p] = f.literals.Put(current[p]);
  }
  // Tests p against the value the reconstruction holds there: R-bit 1 and a literal when they
  // differ by more than T. Returns the R-bit.
  template <int N>
  bool Test(const stream::Grid<N>& current, const stream::Grid<N>& picture, GridPoint p) {
    std::uint8_t& value = picture[p];
    const std::uint8_t sample = current[p];
    const bool differs = change[sample - value + 255];
    f.refinementBits.WriteBit(differs);
    value = f.literals.PutIf(differs, sample, value);
    return differs;
  }

  // The four luma corners as literals; unless grey, per chroma plane the corner literal, the
  // split of the whole chroma block and the three tested representatives, each followed (with
  // lossless chroma) by the split of its cell, whether sent or not; the last also splits cell 3.
  void RefreshSamples() {
    for (int q = 0; q < 4; ++q) SendLiteral(cur, rec, stream::QuadrantCorner(q));
    if (f.grey) return;
    for (int p = 0; p < 2; ++p) {
      const ChromaGrid& c = curChroma[p];
      const ChromaGrid& r = recChroma[p];
      SendLiteral(c, r, {4, 4});
      stream::ApplySplit(r, {0, 0}, 2, half);
      for (const int cell : {0, 1, 2}) {
        Test(c, r, stream::ChromaCellRepresentative(cell));
        if (!f.losslessChroma) continue;
        stream::ApplySplit(r, stream::kCellOrigins[cell], 1, half);
        if (cell == 2) stream::ApplySplit(r, stream::kCellOrigins[3], 1, half);
      }
    }
  }

  // The literals and R-bits of one stretch of the block (the changed corners, or one
  // quadrant's refinement), gathered in locals in stream order and handed to the writers at
  // its end: the byte stores into the pictures then cannot make the writers' state be read
  // again after every sample. Each slot may be written whether or not it is kept.
  struct Pending {
    std::array<std::uint8_t, 32> literals;  // at most 21 a quadrant: 15 luma, 6 chroma
    std::uint32_t literalCount = 0;
    std::uint32_t bits = 0;  // R-bits, the first in bit 0
    std::uint32_t bitCount = 0;

    // The literal `value` when `send`, and its R-bit.
    void Put(bool send, std::uint8_t value) {
      literals[literalCount] = value;
      literalCount += send;
      bits |= std::uint32_t{send} << bitCount;
      ++bitCount;
    }
  };
  void Flush(const Pending& pending) {
    f.refinementBits.WriteBits(pending.bits, pending.bitCount);
    f.literals.Append(pending.literals, pending.literalCount);
  }
  // Test, into `pending`.
  template <int N>
  bool TestInto(Pending& pending, const stream::Grid<N>& current, const stream::Grid<N>& picture,
                GridPoint p) {
    std::uint8_t& value = picture[p];
    const std::uint8_t sample = current[p];
    const bool differs = change[sample - value + 255];
    const std::uint8_t level = f.literals.Level(sample);
    pending.Put(differs, level);
    value = differs ? level : value;
    return differs;
  }

  // For each changed quadrant: the corner's R-bit is its flag in the sample-change map (from
  // the last change detection), then the chroma representative of the quadrant's chroma cell
  // is tested in U and V, and split with lossless chroma only when it was sent.
  void ChangedCorners(const std::array<std::uint8_t, 4>& quadrants) {
    Pending pending;
    // What follows a sent chroma literal: its cell's split, the marks around the quadrant.
    const bool followUp = f.losslessChroma || (marking && !wholeBlockMarked);
    for (int q = 0; q < 4; ++q) {
      if (!quadrants[q]) continue;
      const GridPoint corner = stream::QuadrantCorner(q);
      const bool send = f.sampleChangeMap[MapIndex(corner.row, corner.col)];
      const std::uint8_t level = f.literals.Level(cur[corner]);
      pending.Put(send, level);
      if (send) {
        rec[corner] = level;
        Mark(corner);
      }
      if (f.grey) continue;
      for (int p = 0; p < 2; ++p) {
        const bool sent =
            TestInto(pending, curChroma[p], recChroma[p], stream::ChromaCellRepresentative(q));
        if (!followUp || !sent) continue;
        if (f.losslessChroma) stream::ApplySplit(recChroma[p], stream::kCellOrigins[q], 1, half);
        if (marking && !wholeBlockMarked) stream::MarkQuadrantArea(map, q);
      }
    }
    Flush(pending);
  }

  // The block's luma grid g(0..8, 0..8) of the reconstruction and of the current picture,
  // held in locals while its refinement runs: each step averages what the steps before it
  // set, so the samples stay out of memory until the block is done.
  struct Window {
    std::array<std::array<std::uint8_t, 9>, 9> rec;
    std::array<std::array<std::uint8_t, 9>, 9> cur;
    // The frame's constants the steps read, out of reach of the byte stores.
    std::uint32_t threshold;
    bool packed;
    bool marks;  // each luma sample set is marked
    bool losslessLuma;
    bool losslessChroma;
  };
  // Split step S (in block grid positions): the decoder's average, then the test against it;
  // returns the R-bit.
  template <SplitStep S>
  bool WindowStep(Window& w, Pending& pending) {
    const int average =
        (w.rec[S.first.row][S.first.col] + w.rec[S.second.row][S.second.col] + 1) >> 1;
    const std::uint8_t sample = w.cur[S.target.row][S.target.col];
    const bool send = static_cast<std::uint32_t>(std::abs(sample - average)) > w.threshold;
    const std::uint8_t level = w.packed ? static_cast<std::uint8_t>(sample / 17 * 17) : sample;
    pending.literals[pending.literalCount] = level;
    pending.literalCount += send;
    w.rec[S.target.row][S.target.col] = send ? level : static_cast<std::uint8_t>(average);
    if (w.marks) stream::MarkSample(map, S.target);
    return send;
  }
  static constexpr SplitStep Moved(SplitStep step, GridPoint o) {
    return {o + step.target, o + step.first, o + step.second};
  }

  // Quadrant-level step J of quadrant Q, taken with lossless luma only where the cell it
  // represents changed, and with lossless chroma followed by the chroma step at its place.
  template <int Q, int J>
  void QuadrantStep(Window& w, Pending& pending, const std::uint8_t* cells) {
    constexpr GridPoint o = stream::kQuadrantOrigins[Q];
    constexpr SplitStep luma = Moved(stream::SplitSquare({0, 0}, 2)[J], o);
    constexpr GridPoint chroma = stream::SplitSquare(stream::kCellOrigins[Q], 1)[J].target;
    if (w.losslessLuma && !cells[stream::kSplitStepCell[J]]) return;
    const bool sent = WindowStep<luma>(w, pending);
    pending.bits |= std::uint32_t{sent} << pending.bitCount;
    ++pending.bitCount;
    if (!w.losslessChroma) return;
    for (int p = 0; p < 2; ++p) {
      if (TestInto(pending, curChroma[p], recChroma[p], chroma) && f.losslessLuma && marking) {
        stream::MarkChromaStepArea(map, luma.target);
      }
    }
  }
  template <int Q>
  void QuadrantSteps(Window& w, Pending& pending, const std::uint8_t* cells) {
    QuadrantStep<Q, 0>(w, pending, cells);
    QuadrantStep<Q, 1>(w, pending, cells);
    QuadrantStep<Q, 2>(w, pending, cells);
  }

  // The finest level of a lossless-luma quadrant. Each changed cell's three samples (A, L, D)
  // are tested against their averages; the cell's detail flag is 1 when any fails, and then
  // all three R-bits go out (0 for a sample that passed, which keeps its average, as the
  // decoder computes it). The block-bit section gets the detail bit (the OR of the flags) and,
  // when it is 1, the flag of every changed cell; the two sections are separate streams, so
  // the R-bits can follow the flags that announce them.
  struct FinestBits {
    std::uint32_t detail = 0;  // detail flags of the changed cells, the first in bit 0
    std::uint32_t changed = 0;
  };
  // A changed cell whose R-bits (A in bit 0) are `sent`.
  static void AddCell(Pending& pending, FinestBits& out, std::uint32_t sent) {
    const bool detail = sent != 0;
    pending.bits |= sent << pending.bitCount;
    pending.bitCount += detail ? 3 : 0;
    out.detail |= std::uint32_t{detail} << out.changed;
    ++out.changed;
  }
  // The block-bit section's share of the finest level, gathered for the whole block: at most
  // five bits a quadrant.
  struct DetailBits {
    std::uint32_t bits = 0;
    std::uint32_t count = 0;
  };
  static void AddDetail(DetailBits& out, const FinestBits& bits) {
    const bool detail = bits.detail != 0;
    out.bits |= (detail ? 1 | bits.detail << 1 : 0) << out.count;
    out.count += detail ? 1 + bits.changed : 1;
  }
  // The steps one at a time: for packed literals, whose value is not the sample tested.
  template <int Q, int K>
  void RefineCellInSteps(Window& w, Pending& pending, FinestBits& bits) {
    constexpr GridPoint o = stream::kQuadrantOrigins[Q];
    constexpr auto steps = stream::SplitSquare(stream::kCellOrigins[K], 1);
    std::uint32_t sent = WindowStep<Moved(steps[0], o)>(w, pending);
    sent |= std::uint32_t{WindowStep<Moved(steps[1], o)>(w, pending)} << 1;
    sent |= std::uint32_t{WindowStep<Moved(steps[2], o)>(w, pending)} << 2;
    AddCell(pending, bits, sent);
  }
  template <int Q>
  void RefineFinestInSteps(Window& w, Pending& pending, const std::uint8_t* cells,
                           DetailBits& detail) {
    FinestBits bits;
    if (cells[0]) RefineCellInSteps<Q, 0>(w, pending, bits);
    if (cells[1]) RefineCellInSteps<Q, 1>(w, pending, bits);
    if (cells[2]) RefineCellInSteps<Q, 2>(w, pending, bits);
    if (cells[3]) RefineCellInSteps<Q, 3>(w, pending, bits);
    AddDetail(detail, bits);
  }
  // Where the finest steps of quadrant Q are, in stream order (cell by cell, A, L, D): the bit
  // of RefineFinest8x8's result and the index in the window.
  struct FinestTarget {
    std::uint8_t bit;
    std::uint8_t index;
  };
  template <int Q>
  static constexpr std::array<FinestTarget, 12> kFinestTargets = [] {
    std::array<FinestTarget, 12> targets{};
    for (int k = 0; k < 4; ++k) {
      const auto steps =
          stream::SplitSquare(stream::kQuadrantOrigins[Q] + stream::kCellOrigins[k], 1);
      for (int s = 0; s < 3; ++s) {
        const GridPoint p = steps[s].target;
        targets[3 * k + s] = {static_cast<std::uint8_t>(8 * (p.row - 1) + p.col - 1),
                              static_cast<std::uint8_t>(9 * p.row + p.col)};
      }
    }
    return targets;
  }();
  // The bits and literals of the steps RefineFinest8x8 took for the whole block, `sent` its
  // result; a cell that did not change sent nothing.
  template <int Q>
  void EmitFinest(const Window& w, Pending& pending, const std::uint8_t* cells, std::uint64_t sent,
                  DetailBits& detail) {
    FinestBits bits;
    const std::uint8_t* current = &w.cur[0][0];
#pragma GCC unroll 4
    for (int k = 0; k < 4; ++k) {
      std::uint32_t cell = 0;
#pragma GCC unroll 3
      for (int s = 0; s < 3; ++s) {
        const FinestTarget t = kFinestTargets<Q>[3 * k + s];
        const auto bit = static_cast<std::uint32_t>(sent >> t.bit) & 1;
        pending.literals[pending.literalCount] = current[t.index];
        pending.literalCount += bit;
        cell |= bit << s;
        if (w.marks && cells[k]) stream::MarkSample(map, {t.index / 9, t.index % 9});
      }
      const bool detail = cell != 0;
      pending.bits |= cell << pending.bitCount;
      pending.bitCount += detail ? 3 : 0;
      bits.detail |= std::uint32_t{detail} << bits.changed;
      bits.changed += cells[k];
    }
    AddDetail(detail, bits);
  }
  template <int Q>
  void FinishQuadrant(Window& w, Pending& pending, const std::uint8_t* cells,
                      std::uint64_t sent, bool whole, DetailBits& detail) {
    if (whole) {
      EmitFinest<Q>(w, pending, cells, sent, detail);
    } else if (f.losslessLuma) {
      RefineFinestInSteps<Q>(w, pending, cells, detail);
    }
    Flush(pending);
  }

  // Every changed quadrant in order. The quadrant-level steps of all of them come first: they
  // read only corners, neighbours and each other, never the finest level, which can then be
  // taken for the whole block at once. Each quadrant's bits and literals still go out in turn.
  void QuadrantRefinement(const std::array<std::uint8_t, 4>& quadrants,
                          const std::array<std::uint8_t, 16>& cells) {
    Window w;
    w.threshold = f.threshold;
    w.packed = f.literals.packed;
    w.marks = marking && !lumaMarked;
    w.losslessLuma = f.losslessLuma;
    w.losslessChroma = f.losslessChroma;
    for (int r = 0; r < 9; ++r) {
      std::memcpy(w.rec[r].data(), &rec[{r, 0}], 9);
      std::memcpy(w.cur[r].data(), &cur[{r, 0}], 9);
    }
    std::array<Pending, 4> pending;
    if (quadrants[0]) QuadrantSteps<0>(w, pending[0], &cells[0]);
    if (quadrants[1]) QuadrantSteps<1>(w, pending[1], &cells[4]);
    if (quadrants[2]) QuadrantSteps<2>(w, pending[2], &cells[8]);
    if (quadrants[3]) QuadrantSteps<3>(w, pending[3], &cells[12]);
    const bool whole = w.losslessLuma && !w.packed;
    std::uint64_t sent = 0;
    if (whole) {
      // The changed cells of the changed quadrants, as the block's 4x4 cell rows.
      std::array<std::uint8_t, 16> grid;
      for (int q = 0; q < 4; ++q) {
        for (int k = 0; k < 4; ++k) {
          grid[8 * (q >> 1) + 4 * (k >> 1) + 2 * (q & 1) + (k & 1)] =
              quadrants[q] & cells[4 * q + k];
        }
      }
      sent = kernels.refineFinest8x8(&w.rec[0][0], &w.cur[0][0], 9, w.threshold, grid.data());
    }
    DetailBits detail;
    if (quadrants[0]) FinishQuadrant<0>(w, pending[0], &cells[0], sent, whole, detail);
    if (quadrants[1]) FinishQuadrant<1>(w, pending[1], &cells[4], sent, whole, detail);
    if (quadrants[2]) FinishQuadrant<2>(w, pending[2], &cells[8], sent, whole, detail);
    if (quadrants[3]) FinishQuadrant<3>(w, pending[3], &cells[12], sent, whole, detail);
    f.blockBits.WriteBits(detail.bits, detail.count);
    for (int r = 1; r < 9; ++r) std::memcpy(&rec[{r, 1}], &w.rec[r][1], 8);
  }

  BlockChange Detect(const std::uint8_t* other) {
    const std::uint8_t* current = f.current.data() + lumaOrigin;
    BlockChange found =
        f.losslessLuma ? DetectBlockChangeFullAt(current, other + lumaOrigin, f.sampleChangeMap,
                                                 f.threshold, f.offsets, kernels)
                       : DetectBlockChangeSampled(current, other + lumaOrigin, f.sampleChangeMap,
                                                  f.threshold, f.offsets, kernels);
    if (f.chromaChange) {
      AddChromaChange({curChroma[0].origin, curChroma[1].origin},
                      {other + chromaOrigins[0], other + chromaOrigins[1]}, change, f.offsets,
                      f.losslessChroma, found);
    }
    return found;
  }

  MotionSearchResult Search() {
    const WindowQuery query{f.geometry, f.radius, f.motion, f.losslessLuma, f.grey};
    const SearchWindow window = ClampSearchWindow(query, bx, by);
    const std::uint8_t* current = f.current.data() + lumaOrigin;
    const std::uint8_t* reference = f.reference.data() + lumaOrigin;
    if (f.losslessLuma) {
      return SearchMotionFull(current, reference, f.radius, window, f.geometry.lumaStride,
                              f.threshold, 2 * f.radius, kernels);
    }
    return SearchMotionSampled(current, reference, f.radius, window, f.geometry.lumaStride,
                               f.threshold, 2 * f.radius, kernels);
  }

  // Moves the block from the reference picture into the reconstruction; unless grey, the
  // chroma blocks too, with the chroma vector.
  void Compensate(std::uint32_t x, std::uint32_t y) {
    const auto compensate =
        f.losslessLuma ? stream::CompensateHalfSample : stream::CompensateWholeSample;
    const std::uint32_t centre = f.motion.centre;
    compensate(f.reconstruction.data() + lumaOrigin, f.reference.data() + lumaOrigin,
               stream::LumaDisplacement(x, y, centre), stream::BlockPlane::kLuma, f.offsets,
               f.tables);
    if (f.grey) return;
    const stream::MotionVector chroma = stream::ChromaDisplacement(x, y, centre);
    for (const std::size_t origin : chromaOrigins) {
      compensate(f.reconstruction.data() + origin, f.reference.data() + origin, chroma,
                 stream::BlockPlane::kChroma, f.offsets, f.tables);
    }
    MarkWholeBlock();
  }

  void CodeRefreshBlock() {
    MarkWholeBlock();
    RefreshSamples();
    std::array<std::uint8_t, 4> quadrants;
    std::array<std::uint8_t, 16> cells;
    quadrants.fill(1);
    cells.fill(1);
    QuadrantRefinement(quadrants, cells);
  }

  void CodeUpdatedBlock() {
    // The reconstruction's rows a cache line ahead, for the blocks the refinement will write.
    for (int r = 0; r <= 8; ++r) __builtin_prefetch(&rec[GridPoint{r, 0}] + 64, 1);
    BlockChange detected = Detect(f.reference.data());
    f.blockBits.WriteBit(detected.block);
    if (!detected.block) return;
    if (f.radius != 0) {
      const MotionSearchResult motion = Search();
      WriteMotionCode(f.blockBits, motion.x, motion.y, f.motion);
      const bool moved = motion.x != f.motion.centre || motion.y != f.motion.centre;
      if (moved) Compensate(motion.x, motion.y);
      // What is left to send is where the block differs from the prediction. A perfect luma
      // match leaves nothing unless colour-aware detection finds the chroma still differs.
      if (moved && (motion.residualNeeded || f.chromaChange)) {
        detected = Detect(f.reconstruction.data());
      }
      const bool residual = motion.residualNeeded || (f.chromaChange && detected.block);
      f.blockBits.WriteBit(residual);
      if (!residual) return;
    } else if (f.losslessLuma) {
      MarkWholeBlock();
    }
    // Each quadrant's flag, followed with lossless luma by its cells' flags when it changed.
    std::uint32_t flags = 0, count = 0;
    for (int q = 0; q < 4; ++q) {
      const std::uint8_t* cells = &detected.cell[4 * q];
      const std::uint32_t quadrant = detected.quadrant[q];
      const std::uint32_t nibble = cells[0] | cells[1] << 1 | cells[2] << 2 | cells[3] << 3;
      const bool withCells = f.losslessLuma && quadrant;
      flags |= (quadrant | (withCells ? nibble << 1 : 0)) << count;
      count += withCells ? 5 : 1;
    }
    f.blockBits.WriteBits(flags, count);
    ChangedCorners(detected.quadrant);
    QuadrantRefinement(detected.quadrant, detected.cell);
  }
};

}  // namespace

void WriteMotionCode(stream::BitWriter& bits, std::uint32_t x, std::uint32_t y,
                     const stream::MotionParameters& motion) {
  const std::uint32_t b = motion.centre;
  if (x == b && y == b) {
    bits.WriteBit(false);
  } else if (x == b) {
    bits.WriteBits(0b01, 2);
    bits.WriteBits(y, motion.bits);
  } else if (y == b) {
    bits.WriteBits(0b011, 3);
    bits.WriteBits(x, motion.bits);
  } else {
    bits.WriteBits(0b111, 3);
    for (std::uint32_t i = 0; i < motion.bits; ++i) {
      bits.WriteBit((x >> i) & 1);
      bits.WriteBit((y >> i) & 1);
    }
  }
}

void CodeBlock(const FrameCoder& frame, std::uint32_t blockX, std::uint32_t blockY, bool refresh) {
  BlockCoder coder(frame, blockX, blockY);
  if (refresh) {
    coder.CodeRefreshBlock();
  } else {
    coder.CodeUpdatedBlock();
  }
}

void SkipBlock(const FrameCoder& frame) { frame.blockBits.WriteBit(false); }

}  // namespace kvtc::encoder
