// Both compensation variants against a plain reading of their rules, and the source bounds
// check against the positions that reading actually touches.
#include "stream/motion_compensation.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <vector>

namespace kvtc::stream {
namespace {

int FloorHalf(int d) { return d >= 0 ? d / 2 : -((1 - d) / 2); }

// The rules read literally, sample by sample, noting the extent of the source they read.
struct PlainCompensation {
  const std::vector<std::uint8_t>& plane;
  int stride, rows;
  int minRow = INT_MAX, maxRow = INT_MIN, minCol = INT_MAX, maxCol = INT_MIN;

  int S(int row, int col) {
    minRow = std::min(minRow, row), maxRow = std::max(maxRow, row);
    minCol = std::min(minCol, col), maxCol = std::max(maxCol, col);
    return row >= 0 && row < rows && col >= 0 && col < stride ? plane[row * stride + col] : 0;
  }
  bool ReadInside() const { return minRow >= 0 && maxRow < rows && minCol >= 0 && maxCol < stride; }

  // Sample (r, c) of the block whose grid origin is plane (r0, c0).
  int Half(int r0, int c0, int r, int c, MotionVector v) {
    const int y = r0 + r + FloorHalf(v.dy), x = c0 + c + FloorHalf(v.dx);
    const int oddX = v.dx & 1, oddY = v.dy & 1;
    if (oddX && oddY) return (S(y, x) + S(y, x + 1) + S(y + 1, x) + S(y + 1, x + 1) + 2) / 4;
    if (oddX) return (S(y, x) + S(y, x + 1) + 1) / 2;
    if (oddY) return (S(y, x) + S(y + 1, x) + 1) / 2;
    return S(y, x);
  }
  int Whole(int r0, int c0, int r, int c, MotionVector v) {
    const int y = r0 + r + v.dy, x = c0 + c + v.dx;
    const int oddX = v.dx & 1, oddY = v.dy & 1;
    if (oddX && oddY)
      return (S(y - 1, x - 1) + S(y - 1, x + 1) + S(y + 1, x - 1) + S(y + 1, x + 1) + 2) / 4;
    if (oddX) return (S(y, x - 1) + S(y, x + 1) + 1) / 2;
    if (oddY) return (S(y - 1, x) + S(y + 1, x) + 1) / 2;
    return S(y, x);
  }
};

struct Tables {
  ArithmeticTables t;
  Tables() { EnsureSumTables(t); }
};

TEST(MotionCompensation, BothVariantsMatchThePlainRulesInAllFourCases) {
  Tables tables;
  const PlaneGeometry g = ComputePlaneGeometry(40, 40, 0);
  const BlockOffsets offsets = ComputeBlockOffsets(g);
  std::mt19937 random(7);
  std::vector<std::uint8_t> source(g.lumaStride * g.lumaRows);
  for (auto& s : source) s = static_cast<std::uint8_t>(random());

  for (const BlockPlane plane : {BlockPlane::kLuma, BlockPlane::kChroma}) {
    const int n = plane == BlockPlane::kLuma ? 8 : 4;
    const int stride = plane == BlockPlane::kLuma ? g.lumaStride : g.chromaStride;
    const int at = 2 * n, origin = at * stride + at;  // room for three samples of motion
    for (const bool half : {true, false}) {
      for (int dy = -3; dy <= 3; ++dy) {
        for (int dx = -3; dx <= 3; ++dx) {
          std::vector<std::uint8_t> dest(source.size(), 0xEE);
          const auto compensate = half ? CompensateHalfSample : CompensateWholeSample;
          compensate(dest.data() + origin, source.data() + origin, {dx, dy}, plane, offsets,
                     tables.t);
          PlainCompensation plain{source, stride, 40};
          for (int r = 0; r <= n; ++r) {
            for (int c = 0; c <= n; ++c) {
              const bool written = half ? r > 0 && c > 0 : r > 0 && c > 0 && r % 2 == 0 && c % 2 == 0;
              const int expected = !written ? 0xEE
                                   : half   ? plain.Half(at, at, r, c, {dx, dy})
                                            : plain.Whole(at, at, r, c, {dx, dy});
              ASSERT_EQ(dest[origin + r * stride + c], expected)
                  << "n " << n << " half " << half << " d " << dx << "," << dy << " at " << r
                  << "," << c;
            }
          }
        }
      }
    }
  }

  // The rule's own example: with (1, 1), g(2, 2) averages the reference's g(2,2), g(2,4),
  // g(4,2) and g(4,4).
  PlainCompensation plain{source, static_cast<int>(g.lumaStride), 41};
  const auto at = [&](int r, int c) { return source[(16 + r) * g.lumaStride + 16 + c]; };
  EXPECT_EQ(plain.Whole(16, 16, 2, 2, {1, 1}), (at(2, 2) + at(2, 4) + at(4, 2) + at(4, 4) + 2) / 4);
}

TEST(MotionCompensation, BoundsCheckAcceptsExactlyTheVectorsThatReadInsideThePlanes) {
  const PlaneGeometry g = ComputePlaneGeometry(24, 16, 0);  // 3 x 2 blocks
  const std::vector<std::uint8_t> luma(g.lumaStride * g.lumaRows), chroma(g.chromaStride * g.chromaRows);
  int accepted = 0, refused = 0;
  for (const bool half : {true, false}) {
    const MotionParameters m = ComputeMotionParameters(4, half);
    for (const bool grey : {true, false}) {
      for (std::uint32_t by = 0; by < g.blocksDown; ++by) {
        for (std::uint32_t bx = 0; bx < g.blocksAcross; ++bx) {
          for (std::uint32_t y = 0; y < (1u << m.bits); ++y) {
            for (std::uint32_t x = 0; x < (1u << m.bits); ++x) {
              PlainCompensation lumaReads{luma, int(g.lumaStride), int(g.lumaRows)};
              PlainCompensation chromaReads{chroma, int(g.chromaStride), int(g.chromaRows)};
              const MotionVector lv = LumaDisplacement(x, y, m.centre);
              const MotionVector cv = ChromaDisplacement(x, y, m.centre);
              for (int r = 1; r <= 8; ++r) {
                for (int c = 1; c <= 8; ++c) {
                  if (half) {
                    lumaReads.Half(8 * by, 8 * bx, r, c, lv);
                    if (r <= 4 && c <= 4) chromaReads.Half(4 * by, 4 * bx, r, c, cv);
                  } else if (r % 2 == 0 && c % 2 == 0) {
                    lumaReads.Whole(8 * by, 8 * bx, r, c, lv);
                    if (r <= 4 && c <= 4) chromaReads.Whole(4 * by, 4 * bx, r, c, cv);
                  }
                }
              }
              const bool inside = lumaReads.ReadInside() && (grey || chromaReads.ReadInside());
              ASSERT_EQ(MotionSourceInside(g, bx, by, x, y, m.centre, half, grey), inside)
                  << bx << "," << by << " vector " << x << "," << y << " half " << half;
              (inside ? accepted : refused)++;
            }
          }
        }
      }
    }
  }
  EXPECT_GT(accepted, 100);
  EXPECT_GT(refused, 100);
}

TEST(PlaneGeometry, SizesFollowDecimationAndOffsetsFollowEachStreamsStrides) {
  struct Case {
    std::uint32_t w, h;
    std::uint8_t decimation;
    std::uint32_t width, height, bx, by, planeSetSize;
  };
  const Case cases[] = {{160, 120, 0, 160, 120, 20, 15, 29685},
                        {176, 144, 2, 88, 72, 11, 9, 89 * 73 + 2 * 45 * 37 + 2 * 89},
                        {160, 120, 4, 40, 24, 5, 3, 41 * 25 + 2 * 21 * 13 + 2 * 41},
                        {13, 7, 0, 13, 7, 1, 0, 14 * 8 + 2 * 5 * 1 + 2 * 14}};
  for (const Case& c : cases) {
    const PlaneGeometry g = ComputePlaneGeometry(c.w, c.h, c.decimation);
    EXPECT_EQ(g.width, c.width);
    EXPECT_EQ(g.height, c.height);
    EXPECT_EQ(g.blocksAcross, c.bx);
    EXPECT_EQ(g.blocksDown, c.by);
    EXPECT_EQ(g.planeSetSize, c.planeSetSize) << c.w << "x" << c.h;
    const BlockOffsets o = ComputeBlockOffsets(g);
    EXPECT_EQ(o.luma[8][8], int(8 * (c.width + 1) + 8));
    EXPECT_EQ(o.chroma[4][4], int(4 * (4 * c.bx + 1) + 4));
    EXPECT_EQ(o.map[10][10], int(10 * (c.width + 4) + 10));
  }
}

}  // namespace
}  // namespace kvtc::stream
