// Change detection: the threshold test, and the samples each variant looks at.
#include "encoder/change_detection.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace kvtc::encoder {
namespace {

TEST(ChangeDetection, DiffersOnlyBeyondTheThreshold) {
  for (const int t : {0, 8, 30}) {
    std::array<std::uint8_t, 511> table{};
    BuildChangeTable(table, t);
    for (int d = -255; d <= 255; ++d) EXPECT_EQ(table[d + 255], std::abs(d) > t) << t << " " << d;
  }
}

// Block (1, 1) of a 16x16 picture changed at every sample of grid rows 1, 3, 5, 7 and columns
// 1, 3, 5, 7, none of which is a representative, or at a single sample.
TEST(ChangeDetection, SampledLooksAtRepresentativesOnlyFullAtEverySample) {
  const stream::PlaneGeometry g = stream::ComputePlaneGeometry(16, 16, 0);
  const stream::BlockOffsets o = stream::ComputeBlockOffsets(g);
  std::array<std::uint8_t, 511> table{};
  BuildChangeTable(table, 8);
  const std::size_t origin = stream::LumaBlockOrigin(g, 1, 1);
  const std::vector<std::uint8_t> other(g.planeSetSize, 100);
  std::array<std::uint8_t, kSampleChangeMapSize> map{};

  std::vector<std::uint8_t> current = other;
  for (int r = 1; r <= 8; ++r) {
    for (int c = 1; c <= 8; ++c) current[origin + o.luma[r][c]] = (r % 2 && c % 2) ? 180 : 100;
  }
  EXPECT_EQ(DetectBlockChangeSampled(&current[origin], &other[origin], map.data(), table.data(), o).block, 0);
  const BlockChange full = DetectBlockChangeFull(&current[origin], &other[origin], map.data(), table.data(), o);
  for (const std::uint8_t cell : full.cell) EXPECT_EQ(cell, 1);

  // One changed sample: its cell and quadrant, and in the full variant its map entry alone.
  current = other;
  current[origin + o.luma[6][7]] = 91;  // quadrant 3, cell 1
  const BlockChange one = DetectBlockChangeFull(&current[origin], &other[origin], map.data(), table.data(), o);
  EXPECT_EQ(one.quadrant, (std::array<std::uint8_t, 4>{0, 0, 0, 1}));
  for (int i = 0; i < 16; ++i) EXPECT_EQ(one.cell[i], i == 13);
  for (int r = 1; r <= 8; ++r) {
    for (int c = 1; c <= 8; ++c) EXPECT_EQ(map[MapIndex(r, c)], r == 6 && c == 7);
  }
}

}  // namespace
}  // namespace kvtc::encoder
