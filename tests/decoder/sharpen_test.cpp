#include "decoder/sharpen.h"

#include <gtest/gtest.h>

#include "frame_fixture.h"

namespace kvtc::decoder {
namespace {

TEST(Sharpen, BrightSampleOnFlatBackgroundKeepsBordersAndChromaAndFillsLossyLumaFirst) {
  for (const bool losslessLuma : {true, false}) {
    WalkerFixture d(16, 16, 100);
    d.reference[6 * d.g.lumaStride + 6] = 200;
    if (!losslessLuma) d.reference[5 * d.g.lumaStride + 5] = 0;  // not carried: filled in
    ASSERT_TRUE(SharpenLuma(d.g, d.current, d.reference, losslessLuma, d.tables));
    EXPECT_EQ(d.Y(6, 6), 215);  // 1000 - 400 with lossless luma, 1000 - 600 without: clamped
    EXPECT_EQ(d.Y(3, 3), 100);  // flat stays flat
    // Above the bright sample: 500 - 200 - 300; or, after the fill, 5 * 125 - l, r, u, d.
    EXPECT_EQ(losslessLuma ? d.Y(5, 6) : d.Y(5, 5), losslessLuma ? 0 : 625 - 100 - 150 - 100 - 150);
    for (int i = 0; i <= 16; ++i) EXPECT_TRUE(d.Y(0, i) == 100 && d.Y(i, 16) == 100) << i;
    EXPECT_EQ(d.U(2, 2), 100);
  }
}

}  // namespace
}  // namespace kvtc::decoder
