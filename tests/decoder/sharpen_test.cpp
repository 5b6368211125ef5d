#include "decoder/sharpen.h"

#include <gtest/gtest.h>

#include "walker_fixture.h"

namespace kvtc::decoder {
namespace {

TEST(Sharpen, BrightSampleOnFlatBackgroundWithBordersAndChromaKept) {
  WalkerFixture d(16, 16, 100);
  d.reference[6 * d.g.lumaStride + 6] = 200;
  ASSERT_TRUE(SharpenLuma(d.g, d.current, d.reference, true, d.tables));
  EXPECT_EQ(d.Y(6, 6), 215);  // 5 * 200 - 4 * 100, clamped to the luma range
  EXPECT_EQ(d.Y(5, 6), 0);    // 500 - 200 - 300
  EXPECT_EQ(d.Y(3, 3), 100);  // flat stays flat
  for (int i = 0; i <= 16; ++i) {
    EXPECT_EQ(d.Y(0, i), 100);
    EXPECT_EQ(d.Y(i, 16), 100);
  }
  EXPECT_EQ(d.U(2, 2), 100);
}

TEST(Sharpen, LossyLumaIsFilledInBeforeSharpening) {
  WalkerFixture d(16, 16, 100);
  d.reference[6 * d.g.lumaStride + 6] = 200;
  d.reference[5 * d.g.lumaStride + 5] = 0;  // not carried by a lossy frame
  ASSERT_TRUE(SharpenLuma(d.g, d.current, d.reference, false, d.tables));
  EXPECT_EQ(d.RefY(5, 5), Avg(100, Avg(100, 200)));
  EXPECT_EQ(d.Y(5, 5), 5 * 125 - 100 - 150 - 100 - 150);  // left, right, up, down
}

}  // namespace
}  // namespace kvtc::decoder
