// Motion search: what each variant finds, in which order it prefers candidates, and that it
// never leaves its window or promises a perfect prediction it does not deliver.
#include "encoder/motion_search.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>
#include <vector>

#include "encoder/change_detection.h"
#include "stream/motion_compensation.h"

namespace kvtc::encoder {
namespace {

using stream::MotionVector;

struct Scene {
  stream::PlaneGeometry g = stream::ComputePlaneGeometry(96, 96, 0);
  stream::BlockOffsets o = stream::ComputeBlockOffsets(g);
  stream::ArithmeticTables t;
  std::array<std::uint8_t, 511> change{};
  std::vector<std::uint8_t> reference = std::vector<std::uint8_t>(g.planeSetSize);
  std::vector<std::uint8_t> current = std::vector<std::uint8_t>(g.planeSetSize);
  std::uint32_t threshold;
  const std::uint32_t bx = 5, by = 5;  // well inside the picture

  explicit Scene(std::uint32_t threshold, unsigned seed = 1) : threshold(threshold) {
    stream::EnsureSumTables(t);
    BuildChangeTable(change, threshold);
    std::mt19937 random(seed);
    for (auto& s : reference) s = static_cast<std::uint8_t>(random());
    for (auto& s : current) s = static_cast<std::uint8_t>(random());
  }
  std::size_t Origin() const { return stream::LumaBlockOrigin(g, bx, by); }
  // The block of the current picture becomes the reference moved by v.
  void Move(MotionVector v, bool halfSample) {
    const auto compensate = halfSample ? stream::CompensateHalfSample : stream::CompensateWholeSample;
    compensate(current.data() + Origin(), reference.data() + Origin(), v,
               stream::BlockPlane::kLuma, o, t);
  }
  SearchTables Tables() const {
    return {change.data(), t.absDiff.data(), t.halfSum.data(), t.quarterSum.data()};
  }
  MotionSearchResult Sampled(std::uint32_t r, SearchWindow w) {
    return SearchMotionSampled(current.data() + Origin(), reference.data() + Origin(), r, w, o,
                               g.lumaStride, Tables(), 2 * r);
  }
  MotionSearchResult Full(std::uint32_t r, SearchWindow w) {
    return SearchMotionFull(current.data() + Origin(), reference.data() + Origin(), r, w, o,
                            g.lumaStride, Tables(), 2 * r, threshold);
  }
  // Whether the prediction by coded (x, y) is within T of the current block where the
  // variant looks: representatives, or every sample.
  bool PredictionWithinT(MotionSearchResult m, std::uint32_t centre, bool halfSample) {
    std::vector<std::uint8_t> predicted = reference;
    const MotionVector v{static_cast<int>(m.x) - static_cast<int>(centre),
                         static_cast<int>(m.y) - static_cast<int>(centre)};
    const auto compensate = halfSample ? stream::CompensateHalfSample : stream::CompensateWholeSample;
    compensate(predicted.data() + Origin(), reference.data() + Origin(), v,
               stream::BlockPlane::kLuma, o, t);
    const int step = halfSample ? 1 : 2;
    for (int r = step; r <= 8; r += step) {
      for (int c = step; c <= 8; c += step) {
        const std::size_t at = Origin() + o.luma[r][c];
        if (std::abs(current[at] - predicted[at]) > static_cast<int>(threshold)) return false;
      }
    }
    return true;
  }
};

constexpr SearchWindow Nominal(int r) { return {-2 * r, -2 * r, 2 * r - 1, 2 * r - 1}; }

TEST(MotionSearch, ExactMatchAtTheFirstLevelEndsTheSearchWithoutResidual) {
  for (const int r : {2, 4, 8, 16}) {
    for (const auto& [i, j] : {std::pair{-1, -1}, {0, -1}, {1, -1}, {-1, 0}, {1, 0}, {-1, 1},
                              {0, 1}, {1, 1}}) {
      const MotionVector v{i * r, j * r};
      Scene sampled(0);
      sampled.Move(v, false);
      const MotionSearchResult s = sampled.Sampled(r, {-2 * r, -2 * r, 2 * r, 2 * r});
      EXPECT_EQ(s.x, static_cast<std::uint32_t>(v.dx + 2 * r)) << r;
      EXPECT_EQ(s.y, static_cast<std::uint32_t>(v.dy + 2 * r)) << r;
      EXPECT_FALSE(s.residualNeeded);

      Scene full(0);
      full.Move({2 * v.dx, 2 * v.dy}, true);
      const MotionSearchResult f = full.Full(r, {-2 * r, -2 * r, 2 * r, 2 * r});
      EXPECT_EQ(f.x, static_cast<std::uint32_t>(2 * (v.dx + 2 * r)));
      EXPECT_EQ(f.y, static_cast<std::uint32_t>(2 * (v.dy + 2 * r)));
      EXPECT_FALSE(f.residualNeeded);
    }
  }
}

TEST(MotionSearch, RefinementFindsOddAndHalfSampleDisplacements) {
  for (const auto& [dx, dy] : {std::pair{1, 0}, {-1, 1}, {0, -1}, {1, 1}}) {
    // The step levels of the sampled search try only even displacements; a window of one
    // sample keeps them from wandering off on chance matches of the random picture.
    Scene sampled(0, 3);
    sampled.Move({dx, dy}, false);
    const MotionSearchResult s = sampled.Sampled(4, {-1, -1, 1, 1});
    EXPECT_EQ(s.x, static_cast<std::uint32_t>(8 + dx));
    EXPECT_EQ(s.y, static_cast<std::uint32_t>(8 + dy));
    EXPECT_FALSE(s.residualNeeded);

    Scene full(0, 4);
    full.Move({dx, dy}, true);  // half samples
    const MotionSearchResult f = full.Full(4, Nominal(4));
    EXPECT_EQ(f.x, static_cast<std::uint32_t>(16 + dx));
    EXPECT_EQ(f.y, static_cast<std::uint32_t>(16 + dy));
    EXPECT_FALSE(f.residualNeeded);
  }
}

TEST(MotionSearch, ZeroDisplacementStaysWhenNothingIsStrictlyBetter) {
  Scene s(0);
  std::fill(s.reference.begin(), s.reference.end(), 100);
  std::fill(s.current.begin(), s.current.end(), 200);
  const MotionSearchResult sampled = s.Sampled(8, Nominal(8));
  EXPECT_EQ(sampled.x, 16u);
  EXPECT_EQ(sampled.y, 16u);
  EXPECT_TRUE(sampled.residualNeeded);
  const MotionSearchResult full = s.Full(8, Nominal(8));
  EXPECT_EQ(full.x, 32u);
  EXPECT_EQ(full.y, 32u);
  EXPECT_TRUE(full.residualNeeded);
}

TEST(MotionSearch, FirstOfEqualCandidatesWins) {
  // A reference that repeats every 8 columns: moved by 4, the block matches at -4 and +4
  // alike, and -4 comes first in the order.
  Scene s(0);
  for (std::uint32_t y = 0; y < s.g.lumaRows; ++y) {
    for (std::uint32_t x = 0; x < s.g.lumaStride; ++x) {
      s.reference[y * s.g.lumaStride + x] = static_cast<std::uint8_t>(17 * (x % 8) + 3 * y);
    }
  }
  s.Move({4, 0}, false);
  const MotionSearchResult m = s.Sampled(4, Nominal(4));
  EXPECT_EQ(m.x, 8u - 4u);
  EXPECT_EQ(m.y, 8u);
  EXPECT_FALSE(m.residualNeeded);
}

TEST(MotionSearch, StaysInsideItsWindowAndKeepsItsPromises) {
  std::mt19937 random(11);
  for (int trial = 0; trial < 400; ++trial) {
    const std::uint32_t r = 1u + random() % 16;
    const std::uint32_t threshold = random() % 3 == 0 ? 0 : 8 + random() % 20;
    Scene s(threshold, trial);
    // Smooth pictures give the search gradients to follow; the window is any sub-window of
    // the nominal one that holds zero.
    for (std::uint32_t y = 0; y < s.g.lumaRows; ++y) {
      for (std::uint32_t x = 0; x < s.g.lumaStride; ++x) {
        s.reference[y * s.g.lumaStride + x] =
            static_cast<std::uint8_t>(110 + 60 * std::sin(x / 5.0 + trial) * std::cos(y / 7.0));
      }
    }
    const int n = static_cast<int>(r);
    const SearchWindow w{-static_cast<int>(random() % (2 * n + 1)), -static_cast<int>(random() % (2 * n + 1)),
                         static_cast<int>(random() % (2 * n)), static_cast<int>(random() % (2 * n))};
    const bool half = trial % 2;
    const MotionVector truth{static_cast<int>(random() % 9) - 4, static_cast<int>(random() % 9) - 4};
    s.Move(truth, half);
    const MotionSearchResult m = half ? s.Full(r, w) : s.Sampled(r, w);
    const int units = half ? 2 : 1;
    const int centre = units * 2 * n;
    const int hx = static_cast<int>(m.x) - centre, hy = static_cast<int>(m.y) - centre;
    EXPECT_GE(hx, units * w.xmin) << trial;
    EXPECT_LE(hx, units * w.xmax) << trial;
    EXPECT_GE(hy, units * w.ymin) << trial;
    EXPECT_LE(hy, units * w.ymax) << trial;
    if (!m.residualNeeded) {
      EXPECT_TRUE(s.PredictionWithinT(m, centre, half)) << trial;
    }
  }
}

}  // namespace
}  // namespace kvtc::encoder
