// Motion search: what each variant finds, which of equal candidates it keeps, that it never
// leaves its window nor promises a perfect prediction it does not deliver, and the window.
#include "encoder/motion_search.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>
#include <tuple>
#include <vector>

#include "encoder/search_window.h"
#include "stream/motion_compensation.h"

namespace kvtc::encoder {
namespace {

// Block (5, 5) of a 96x96 picture; `half` selects the full search and half-sample vectors.
struct Scene {
  stream::PlaneGeometry g = stream::ComputePlaneGeometry(96, 96, 0);
  stream::BlockOffsets o = stream::ComputeBlockOffsets(g);
  stream::ArithmeticTables t;
  std::vector<std::uint8_t> reference, current;
  std::uint32_t threshold;
  bool half;
  std::size_t origin = stream::LumaBlockOrigin(g, 5, 5);

  Scene(std::uint32_t threshold, bool half, unsigned seed = 1)
      : reference(g.planeSetSize), current(g.planeSetSize), threshold(threshold), half(half) {
    stream::EnsureSumTables(t);
    std::mt19937 random(seed);
    for (auto& s : reference) s = static_cast<std::uint8_t>(random());
    for (auto& s : current) s = static_cast<std::uint8_t>(random());
  }
  // Compensates `into`'s block from the reference by v (half samples when `half`).
  void Predict(std::vector<std::uint8_t>& into, stream::MotionVector v) {
    (half ? stream::CompensateHalfSample : stream::CompensateWholeSample)(
        into.data() + origin, reference.data() + origin, v, stream::BlockPlane::kLuma, o, t);
  }
  // The result as a displacement in the variant's units.
  stream::MotionVector Search(std::uint32_t r, SearchWindow w, MotionSearchResult& m) {
    const auto search = half ? SearchMotionFull : SearchMotionSampled;
    m = search(&current[origin], &reference[origin], r, w, g.lumaStride, threshold, 2 * r,
               pixels::ActiveKernels());
    const int centre = static_cast<int>((half ? 4 : 2) * r);
    return {static_cast<int>(m.x) - centre, static_cast<int>(m.y) - centre};
  }
};

TEST(MotionSearch, EqualCostsKeepTheFirstCandidateOrTheZeroDisplacement) {
  // Columns repeating every 8: moved by 4, the block matches at -4 and +4; -4 comes first.
  Scene s(0, false);
  for (std::size_t i = 0; i < s.reference.size(); ++i) {
    s.reference[i] = static_cast<std::uint8_t>(17 * (i % s.g.lumaStride % 8) + 3 * (i / s.g.lumaStride));
  }
  s.Predict(s.current, {4, 0});
  MotionSearchResult m;
  EXPECT_EQ(s.Search(4, {-8, -8, 7, 7}, m).dx, -4);
  // Nothing matches better than anything else: no motion, residual needed.
  std::fill(s.reference.begin(), s.reference.end(), 100);
  std::fill(s.current.begin(), s.current.end(), 200);
  for (const bool half : {false, true}) {
    s.half = half;
    const stream::MotionVector v = s.Search(8, {-16, -16, 15, 15}, m);
    EXPECT_TRUE(v.dx == 0 && v.dy == 0 && m.residualNeeded);
  }
}

// Smooth pictures moved by small vectors, searched in random sub-windows of the nominal one.
TEST(MotionSearch, StaysInsideItsWindowAndKeepsItsPromises) {
  std::mt19937 random(11);
  int perfect = 0;
  for (int trial = 0; trial < 300; ++trial) {
    const int r = 1 + static_cast<int>(random() % 16);
    Scene s(random() % 3 == 0 ? 0 : 8 + random() % 20, trial % 2, trial);
    for (std::size_t i = 0; i < s.reference.size(); ++i) {
      const double x = static_cast<double>(i % s.g.lumaStride), y = static_cast<double>(i / s.g.lumaStride);
      s.reference[i] = static_cast<std::uint8_t>(110 + 60 * std::sin(x / 5.0 + trial) * std::cos(y / 7.0));
    }
    const auto extent = [&](int n) { return static_cast<int>(random() % (n + 1)); };
    const SearchWindow w{-extent(2 * r), -extent(2 * r), extent(2 * r - 1), extent(2 * r - 1)};
    s.Predict(s.current, {extent(8) - 4, extent(8) - 4});
    MotionSearchResult m;
    const stream::MotionVector v = s.Search(r, w, m);
    const int u = s.half ? 2 : 1;
    ASSERT_TRUE(v.dx >= u * w.xmin && v.dx <= u * w.xmax && v.dy >= u * w.ymin && v.dy <= u * w.ymax)
        << trial;
    if (m.residualNeeded) continue;
    ++perfect;
    std::vector<std::uint8_t> predicted = s.reference;
    s.Predict(predicted, v);
    const int step = s.half ? 1 : 2;  // every sample, or the representatives
    for (int row = step; row <= 8; row += step) {
      for (int col = step; col <= 8; col += step) {
        const std::size_t at = s.origin + s.o.luma[row][col];
        ASSERT_LE(std::abs(s.current[at] - predicted[at]), static_cast<int>(s.threshold)) << trial;
      }
    }
  }
  EXPECT_GT(perfect, 100);
}

// Every vector the search can produce inside its window is one the decoder accepts and the
// motion code can carry.
TEST(SearchWindow, EveryReachableVectorIsReadableAndFitsTheCode) {
  for (const auto& [w, h, decimation] : {std::tuple{64, 48, 0}, {84, 42, 0}, {8, 8, 0}, {176, 144, 2}}) {
    const stream::PlaneGeometry g = stream::ComputePlaneGeometry(w, h, static_cast<std::uint8_t>(decimation));
    for (std::uint32_t r = 1; r <= 16; ++r) {
      for (const bool lossless : {false, true}) {
        for (const bool grey : {false, true}) {
          const stream::MotionParameters motion = stream::ComputeMotionParameters(r, lossless);
          for (std::uint32_t index = 0; index < g.blockCount; ++index) {
            const std::uint32_t bx = index % g.blocksAcross, by = index / g.blocksAcross;
            const SearchWindow win = ClampSearchWindow({g, r, motion, lossless, grey}, bx, by);
            ASSERT_TRUE(win.Contains(0, 0));
            EXPECT_TRUE((bx != 0 || win.xmin == 0) && (by != 0 || win.ymin == 0));
            // Coded values, with the half steps the refinement adds inside the window: each
            // axis in full, the other at its ends and at zero.
            const int units = lossless ? 2 : 1, b = static_cast<int>(motion.centre);
            const int xs[] = {units * win.xmin + b, b, units * win.xmax + b};
            const int ys[] = {units * win.ymin + b, b, units * win.ymax + b};
            const auto check = [&](int x, int y) {
              ASSERT_TRUE(x >= 0 && y >= 0 && x < (1 << motion.bits) && y < (1 << motion.bits));
              ASSERT_TRUE(stream::MotionSourceInside(g, bx, by, x, y, motion.centre, lossless, grey))
                  << "block " << bx << "," << by << " R " << r << " vector " << x << "," << y;
            };
            for (int i = 0; i < 3; ++i) {
              for (int x = xs[0]; x <= xs[2]; ++x) check(x, ys[i]);
              for (int y = ys[0]; y <= ys[2]; ++y) check(xs[i], y);
            }
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace kvtc::encoder
