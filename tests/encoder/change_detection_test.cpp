// Change detection: which cells of a block differ by more than T, in the sampled and the full
// variant, and what each leaves in the sample-change map.
#include "encoder/change_detection.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "stream/plane_geometry.h"

namespace kvtc::encoder {
namespace {

struct BlockPair {
  stream::PlaneGeometry g = stream::ComputePlaneGeometry(16, 16, 0);
  stream::BlockOffsets o = stream::ComputeBlockOffsets(g);
  std::vector<std::uint8_t> current = std::vector<std::uint8_t>(g.planeSetSize, 100);
  std::vector<std::uint8_t> other = std::vector<std::uint8_t>(g.planeSetSize, 100);
  std::array<std::uint8_t, 511> table{};
  std::array<std::uint8_t, kSampleChangeMapSize> map{};

  explicit BlockPair(std::uint32_t threshold) { BuildChangeTable(table, threshold); }
  // Grid position (r, c) of the block whose origin is plane (8, 8).
  std::uint8_t& At(int r, int c) { return current[o.luma[r][c] + 8 * g.lumaStride + 8]; }
  BlockChange Sampled() {
    return DetectBlockChangeSampled(&At(0, 0), &other[8 * g.lumaStride + 8], map.data(),
                                    table.data(), o);
  }
  BlockChange Full() {
    return DetectBlockChangeFull(&At(0, 0), &other[8 * g.lumaStride + 8], map.data(),
                                 table.data(), o);
  }
};

TEST(ChangeTable, DiffersOnlyBeyondTheThreshold) {
  for (const std::uint32_t t : {0u, 8u, 30u}) {
    std::array<std::uint8_t, 511> table{};
    BuildChangeTable(table, t);
    for (int a : {0, 100, 255}) {
      for (int d = -40; d <= 40; ++d) {
        const int b = a + d;
        if (b < 0 || b > 255) continue;
        EXPECT_EQ(table[a - b + 255], std::abs(d) > static_cast<int>(t) ? 1 : 0)
            << "T " << t << " a " << a << " b " << b;
      }
    }
  }
}

TEST(ChangeDetection, SampledIgnoresSamplesThatAreNoRepresentative) {
  BlockPair p(0);
  for (int r = 1; r <= 8; ++r) {
    for (int c = 1; c <= 8; ++c) {
      if (r % 2 == 1 || c % 2 == 1) p.At(r, c) = 250;
    }
  }
  EXPECT_EQ(p.Sampled().block, 0);
  EXPECT_EQ(p.Full().block, 1);
}

TEST(ChangeDetection, EachRepresentativeFlagsItsOwnCellAndQuadrant) {
  for (int cell = 0; cell < 16; ++cell) {
    BlockPair p(8);
    const int q = cell / 4, k = cell % 4;
    const int r = 2 + 4 * (q / 2) + 2 * (k / 2), c = 2 + 4 * (q % 2) + 2 * (k % 2);
    p.At(r, c) = 109;  // 9 > T
    const BlockChange change = p.Sampled();
    EXPECT_EQ(change.block, 1);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(change.cell[i], i == cell) << cell;
    for (int i = 0; i < 4; ++i) EXPECT_EQ(change.quadrant[i], i == q) << cell;
    // Only the bottom-right cells reach the map, at their quadrant's corner.
    for (int i = 0; i < 4; ++i) {
      const int corner = MapIndex(4 + 4 * (i / 2), 4 + 4 * (i % 2));
      EXPECT_EQ(p.map[corner], i == q && k == 3) << cell;
    }
  }
}

TEST(ChangeDetection, FullFlagsEverySampleOfItsCell) {
  for (int r = 1; r <= 8; ++r) {
    for (int c = 1; c <= 8; ++c) {
      BlockPair p(8);
      p.map.fill(7);  // whatever an earlier block left
      p.At(r, c) = 91;
      const BlockChange change = p.Full();
      const int q = 2 * ((r - 1) / 4) + (c - 1) / 4;
      const int k = 2 * (((r - 1) % 4) / 2) + ((c - 1) % 4) / 2;
      for (int i = 0; i < 16; ++i) EXPECT_EQ(change.cell[i], i == 4 * q + k);
      EXPECT_EQ(change.quadrant[q], 1);
      for (int mr = 1; mr <= 8; ++mr) {
        for (int mc = 1; mc <= 8; ++mc) {
          EXPECT_EQ(p.map[MapIndex(mr, mc)], mr == r && mc == c) << r << "," << c;
        }
      }
      EXPECT_EQ(p.map[MapIndex(0, 0)], 7);  // the grid's border row and column are not written
    }
  }
}

TEST(ChangeDetection, WithinThresholdIsNoChange) {
  BlockPair p(30);
  for (int r = 1; r <= 8; ++r) {
    for (int c = 1; c <= 8; ++c) p.At(r, c) = static_cast<std::uint8_t>(70 + (r * c) % 61);
  }
  EXPECT_EQ(p.Sampled().block, 0);
  EXPECT_EQ(p.Full().block, 0);
}

}  // namespace
}  // namespace kvtc::encoder
