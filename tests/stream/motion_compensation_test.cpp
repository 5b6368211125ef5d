// Both compensation variants against a plain reading of their rules, the source bounds check
// against the positions that reading touches, and the plane geometry they work in.
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
  bool Inside() const { return minRow >= 0 && maxRow < rows && minCol >= 0 && maxCol < stride; }

  // Sample (r, c) of the block whose grid origin is plane (r0, c0).
  int At(bool half, int r0, int c0, int r, int c, MotionVector v) {
    const int oddX = v.dx & 1, oddY = v.dy & 1;
    if (half) {
      const int y = r0 + r + FloorHalf(v.dy), x = c0 + c + FloorHalf(v.dx);
      return (S(y, x) + S(y, x + oddX) + S(y + oddY, x) + S(y + oddY, x + oddX) + 2) / 4;
    }
    const int y = r0 + r + v.dy, x = c0 + c + v.dx;
    return (S(y - oddY, x - oddX) + S(y - oddY, x + oddX) + S(y + oddY, x - oddX) +
            S(y + oddY, x + oddX) + 2) /
           4;
  }
};

TEST(MotionCompensation, BothVariantsMatchThePlainRulesInAllFourCases) {
  ArithmeticTables tables;
  EnsureSumTables(tables);
  const PlaneGeometry g = ComputePlaneGeometry(40, 40, 0);
  const BlockOffsets offsets = ComputeBlockOffsets(g);
  std::mt19937 random(7);
  std::vector<std::uint8_t> source(g.lumaStride * g.lumaRows);
  for (auto& s : source) s = static_cast<std::uint8_t>(random());
  for (const BlockPlane plane : {BlockPlane::kLuma, BlockPlane::kChroma}) {
    const int n = plane == BlockPlane::kLuma ? 8 : 4;
    const int stride = n == 8 ? g.lumaStride : g.chromaStride, at = 2 * n;
    for (const bool half : {true, false}) {
      for (int dy = -3; dy <= 3; ++dy) {
        for (int dx = -3; dx <= 3; ++dx) {
          std::vector<std::uint8_t> dest(source.size(), 0xEE);
          (half ? CompensateHalfSample : CompensateWholeSample)(dest.data() + at * stride + at,
                                                                source.data() + at * stride + at,
                                                                {dx, dy}, plane, offsets, tables);
          PlainCompensation plain{source, stride, 40};
          for (int r = 0; r <= n; ++r) {
            for (int c = 0; c <= n; ++c) {
              const bool written = r > 0 && c > 0 && (half || (r % 2 == 0 && c % 2 == 0));
              ASSERT_EQ(dest[(at + r) * stride + at + c],
                        written ? plain.At(half, at, at, r, c, {dx, dy}) : 0xEE)
                  << n << " half " << half << " d " << dx << "," << dy << " at " << r << "," << c;
            }
          }
        }
      }
    }
  }
}

TEST(MotionCompensation, BoundsCheckAcceptsExactlyTheVectorsThatReadInsideThePlanes) {
  const PlaneGeometry g = ComputePlaneGeometry(24, 16, 0);  // 3 x 2 blocks
  const std::vector<std::uint8_t> luma(g.planeSetSize), chroma(g.planeSetSize);
  int accepted = 0, refused = 0;
  for (const bool half : {true, false}) {
    const MotionParameters m = ComputeMotionParameters(4, half);
    for (std::uint32_t block = 0; block < 6; ++block) {
      const int bx = block % 3, by = block / 3;
      for (std::uint32_t y = 0; y < (1u << m.bits); ++y) {
        for (std::uint32_t x = 0; x < (1u << m.bits); ++x) {
          PlainCompensation lumaReads{luma, int(g.lumaStride), int(g.lumaRows)};
          PlainCompensation chromaReads{chroma, int(g.chromaStride), int(g.chromaRows)};
          for (int r = 2 - half; r <= 8; r += 2 - half) {
            for (int c = 2 - half; c <= 8; c += 2 - half) {
              lumaReads.At(half, 8 * by, 8 * bx, r, c, LumaDisplacement(x, y, m.centre));
              if (r <= 4 && c <= 4)
                chromaReads.At(half, 4 * by, 4 * bx, r, c, ChromaDisplacement(x, y, m.centre));
            }
          }
          for (const bool grey : {true, false}) {
            const bool inside = lumaReads.Inside() && (grey || chromaReads.Inside());
            ASSERT_EQ(MotionSourceInside(g, bx, by, x, y, m.centre, half, grey), inside)
                << bx << "," << by << " vector " << x << "," << y << " half " << half;
            (inside ? accepted : refused)++;
          }
        }
      }
    }
  }
  EXPECT_GT(accepted, 100);
  EXPECT_GT(refused, 100);
}

TEST(PlaneGeometry, SizesFollowDecimation) {
  // w, h, decimation, W, H, BX, BY, plane-set size
  const std::uint32_t cases[][8] = {{160, 120, 0, 160, 120, 20, 15, 29685},
                                    {176, 144, 2, 88, 72, 11, 9, 89 * 73 + 2 * 45 * 37 + 2 * 89},
                                    {160, 120, 4, 40, 24, 5, 3, 41 * 25 + 2 * 21 * 13 + 2 * 41}};
  for (const auto& c : cases) {
    const PlaneGeometry g = ComputePlaneGeometry(c[0], c[1], static_cast<std::uint8_t>(c[2]));
    EXPECT_EQ(g.width, c[3]);
    EXPECT_EQ(g.height, c[4]);
    EXPECT_EQ(g.blocksAcross, c[5]);
    EXPECT_EQ(g.blocksDown, c[6]);
    EXPECT_EQ(g.planeSetSize, c[7]);
  }
}

}  // namespace
}  // namespace kvtc::stream
