// The median and smoothing filters on small luma planes.
#include <gtest/gtest.h>

#include <vector>

#include "pixels/noise_filters.h"
#include "pixels/pixel_fixtures.h"

namespace kvtc::pixels {
namespace {

const std::uint8_t* QuarterSum() {
  static testing::Tables tables;
  return tables.arithmetic.quarterSum.data();
}

// A stride x rows plane filled with `value`.
struct Plane {
  std::size_t stride, rows;
  std::vector<std::uint8_t> s;
  Plane(std::size_t w, std::size_t h, std::uint8_t value) : stride(w), rows(h), s(w * h, value) {}
  std::uint8_t& at(std::size_t x, std::size_t y) { return s[y * stride + x]; }
};

TEST(NoiseFilters, MedianOf3x3TakesTheMedianOfRowMedians) {
  struct Case {
    std::array<std::uint8_t, 9> window;
    std::uint8_t median;
  };
  for (const Case& c : {Case{{1, 2, 3, 4, 5, 6, 7, 8, 9}, 5}, Case{{9, 8, 7, 6, 5, 4, 3, 2, 1}, 5},
                        Case{{0, 0, 255, 0, 255, 255, 255, 0, 0}, 0},
                        Case{{10, 200, 30, 50, 40, 60, 90, 80, 70}, 50}}) {
    EXPECT_EQ(MedianOf3x3(3, c.window.data()), c.median);
  }
}

TEST(NoiseFilters, MedianRemovesSpecksAndThinLinesButNotThickOnes) {
  struct Case {
    const char* name;
    std::vector<std::pair<int, int>> bright;  // positions set to 200 on a background of 50
    bool survives;
  };
  const std::vector<Case> cases = {
      {"speck", {{4, 4}}, false},
      {"horizontal line", {{2, 4}, {3, 4}, {4, 4}, {5, 4}, {6, 4}}, false},
      {"vertical line", {{4, 2}, {4, 3}, {4, 4}, {4, 5}, {4, 6}}, false},
      {"thick line", {{2, 4}, {3, 4}, {4, 4}, {5, 4}, {6, 4}, {2, 5}, {3, 5}, {4, 5}, {5, 5}, {6, 5}},
       true},
  };
  for (const Case& c : cases) {
    Plane p(9, 9, 50);
    for (auto [x, y] : c.bright) p.at(x, y) = 200;
    MedianFilter(p.s.data(), p.stride, p.rows);
    EXPECT_EQ(p.at(4, 4), c.survives ? 200 : 50) << c.name;
  }
}

TEST(NoiseFilters, MedianIsRecursiveAndLeavesTheEdgesAlone) {
  // The window of (2, 1) sees (1, 1) already filtered to 5; from the unfiltered 0 it would
  // give 0.
  std::vector<std::uint8_t> plane = {9, 5, 5, 9,  //
                                     0, 0, 9, 0,  //
                                     9, 9, 0, 0};
  MedianFilter(plane.data(), 4, 3);
  EXPECT_EQ(plane, (std::vector<std::uint8_t>{9, 5, 5, 9, 0, 5, 5, 0, 9, 9, 0, 0}));

  Plane twoRows(5, 2, 0);
  twoRows.at(2, 0) = 99;
  const auto before = twoRows.s;
  MedianFilter(twoRows.s.data(), twoRows.stride, twoRows.rows);
  EXPECT_EQ(twoRows.s, before);
}

TEST(NoiseFilters, ConstantPlanesAreUnchangedByBothFilters) {
  Plane p(9, 7, 123);
  MedianFilter(p.s.data(), p.stride, p.rows);
  SmoothFilter(p.s.data(), p.stride, p.rows, 0, 1, QuarterSum());
  for (const std::uint8_t v : p.s) ASSERT_EQ(v, 123);
}

TEST(NoiseFilters, SmoothingShiftsAStepHalfASampleAndFillsTheMargins) {
  // Columns 0..3 hold 10, columns 4..8 hold 100: column 3 becomes (10 + 100 + 1) >> 1.
  Plane p(9, 6, 10);
  for (std::size_t y = 0; y < 6; ++y) {
    for (std::size_t x = 4; x < 9; ++x) p.at(x, y) = 100;
  }
  p.at(8, 5) = 0;  // margin values are replaced
  SmoothFilter(p.s.data(), p.stride, p.rows, 0, 1, QuarterSum());
  for (std::size_t y = 0; y < 6; ++y) {
    EXPECT_EQ(p.at(2, y), 10);
    EXPECT_EQ(p.at(3, y), 55);
    EXPECT_EQ(p.at(4, y), 100);
    EXPECT_EQ(p.at(8, y), p.at(7, y));
  }
}

TEST(NoiseFilters, SmoothingUsesUnfilteredValuesAndCanFilterOneInterleavedChannel) {
  const auto noise = testing::NoiseBytes(7 * 5 * 2, 11);
  std::vector<std::uint8_t> interleaved = noise;
  SmoothFilter(interleaved.data(), 7, 5, 1, 2, QuarterSum());
  for (std::size_t y = 0; y < 4; ++y) {
    for (std::size_t x = 0; x < 6; ++x) {
      const auto at = [&](std::size_t xx, std::size_t yy) { return noise[(yy * 7 + xx) * 2 + 1]; };
      const int sum = at(x, y) + at(x + 1, y) + at(x, y + 1) + at(x + 1, y + 1);
      ASSERT_EQ(interleaved[(y * 7 + x) * 2 + 1], (sum + 2) >> 2);
    }
  }
  for (std::size_t i = 0; i < noise.size(); i += 2) ASSERT_EQ(interleaved[i], noise[i]);  // other channel
  for (std::size_t x = 0; x < 7; ++x) EXPECT_EQ(interleaved[(4 * 7 + x) * 2 + 1], interleaved[(3 * 7 + x) * 2 + 1]);
}

}  // namespace
}  // namespace kvtc::pixels
