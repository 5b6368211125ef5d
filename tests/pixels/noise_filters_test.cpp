// The median and smoothing filters on small luma planes.
#include "pixels/noise_filters.h"

#include <gtest/gtest.h>

#include "pixels/pixel_fixtures.h"

namespace kvtc::pixels {
namespace {

const std::uint8_t* QuarterSum() { return testing::SharedTables().arithmetic.quarterSum.data(); }

TEST(NoiseFilters, MedianRemovesDotsAndThinLinesButNotThickOnes) {
  struct Case {
    std::vector<std::pair<int, int>> bright;  // samples of 200 on a plane of 50
    bool survives;
  };
  const Case cases[] = {{{{4, 4}}, false},
                        {{{2, 4}, {3, 4}, {4, 4}, {5, 4}, {6, 4}}, false},
                        {{{4, 2}, {4, 3}, {4, 4}, {4, 5}, {4, 6}}, false},
                        {{{3, 4}, {4, 4}, {5, 4}, {3, 5}, {4, 5}, {5, 5}}, true}};
  for (const Case& c : cases) {
    std::vector<std::uint8_t> plane(81, 50);
    for (auto [x, y] : c.bright) plane[y * 9 + x] = 200;
    MedianFilter(plane.data(), 9, 9);
    EXPECT_EQ(plane[4 * 9 + 4], c.survives ? 200 : 50);
  }
}

TEST(NoiseFilters, MedianIsRecursiveAndKeepsEdgesAndShortPlanes) {
  // (2, 1) sees (1, 1) already filtered to 5; from the unfiltered 0 it would give 0.
  std::vector<std::uint8_t> plane = {9, 5, 5, 9, 0, 0, 9, 0, 9, 9, 0, 0};
  MedianFilter(plane.data(), 4, 3);
  EXPECT_EQ(plane, (std::vector<std::uint8_t>{9, 5, 5, 9, 0, 5, 5, 0, 9, 9, 0, 0}));
  std::vector<std::uint8_t> twoRows = {0, 0, 99, 0, 0, 0, 0, 0, 0, 0};
  MedianFilter(twoRows.data(), 5, 2);
  EXPECT_EQ(twoRows[2], 99);
}

TEST(NoiseFilters, SmoothingAveragesUnfilteredBlocksAndRepeatsTheMargins) {
  // A step from 10 to 100 between columns 3 and 4 moves half a sample left.
  std::vector<std::uint8_t> step(9 * 6);
  for (std::size_t i = 0; i < step.size(); ++i) step[i] = i % 9 < 4 ? 10 : 100;
  SmoothFilter(step.data(), 9, 6, 0, 1, QuarterSum());
  for (std::size_t y = 0; y < 6; ++y) {
    EXPECT_EQ(step[y * 9 + 2], 10);
    EXPECT_EQ(step[y * 9 + 3], 55);
    EXPECT_EQ(step[y * 9 + 8], step[y * 9 + 7]);
  }
  // One channel of two interleaved ones: every output the mean of unfiltered values.
  const auto noise = testing::NoiseBytes(7 * 5 * 2, 11);
  std::vector<std::uint8_t> mixed = noise;
  SmoothFilter(mixed.data(), 7, 5, 1, 2, QuarterSum());
  const auto at = [&](std::size_t x, std::size_t y) { return noise[(y * 7 + x) * 2 + 1]; };
  for (std::size_t y = 0; y < 4; ++y) {
    for (std::size_t x = 0; x < 6; ++x) {
      const int sum = at(x, y) + at(x + 1, y) + at(x, y + 1) + at(x + 1, y + 1);
      ASSERT_EQ(mixed[(y * 7 + x) * 2 + 1], (sum + 2) >> 2);
      ASSERT_EQ(mixed[(y * 7 + x) * 2], noise[(y * 7 + x) * 2]);  // the other channel
    }
  }
  for (std::size_t x = 0; x < 7; ++x) EXPECT_EQ(mixed[(28 + x) * 2 + 1], mixed[(21 + x) * 2 + 1]);
}

}  // namespace
}  // namespace kvtc::pixels
