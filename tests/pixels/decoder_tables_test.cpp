// The decoder's conversion tables: gamma, its key, the dither matrix and the cube.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "pixels/decoder_tables.h"
#include "pixels/pixel_fixtures.h"

namespace kvtc::pixels {
namespace {

TEST(DecoderTables, GammaOneIsTheIdentityAndGammaTwoLiftsTheMidtones) {
  testing::Tables t(1.0);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(t.decoder.gamma[i], i);
  EXPECT_EQ(t.decoder.gammaKey, 1.0);

  ASSERT_TRUE(EnsureGammaTables(t.decoder, 2.0));
  EXPECT_EQ(t.decoder.gammaKey, 2.0);
  EXPECT_EQ(t.decoder.gamma[128], 181);
  EXPECT_EQ(t.decoder.gamma[0], 0);
  EXPECT_EQ(t.decoder.gamma[255], 255);
  // Every gamma-dependent table follows the new gamma.
  EXPECT_EQ(t.decoder.red555[128], (181 >> 3) << 10);
  EXPECT_EQ(t.decoder.grey555[128], (22 << 10) | (22 << 5) | 22);
  EXPECT_EQ(t.decoder.green332[128], 6 << 2);  // (181 + 16) >> 5
  EXPECT_EQ(t.decoder.plainGreen332[128], 4 << 2);  // the plain forms do not
  ASSERT_TRUE(EnsureGammaTables(t.decoder, 0.5));
  EXPECT_EQ(t.decoder.gamma[128], 64);
}

TEST(DecoderTables, UnusableGammasAreTakenAsOne) {
  for (const double gamma : {0.0, -2.0, std::numeric_limits<double>::quiet_NaN(),
                             std::numeric_limits<double>::infinity()}) {
    EXPECT_EQ(UsableGamma(gamma), 1.0);
    testing::Tables t(gamma);
    EXPECT_EQ(t.decoder.gammaKey, 1.0);
    EXPECT_EQ(t.decoder.gamma[77], 77);
  }
  testing::Tables tiny(1e-300);  // 1/gamma overflows: tables stay inside the byte range
  EXPECT_EQ(tiny.decoder.gamma[254], 0);
  EXPECT_EQ(tiny.decoder.gamma[255], 255);
}

TEST(DecoderTables, DitherMatrixAndColourCube) {
  testing::Tables t;
  const int firstRow[16] = {0, 44, 9, 41, 3, 46, 12, 43, 1, 44, 10, 41, 3, 46, 12, 43};
  const int firstColumn[16] = {0, 34, 38, 22, 2, 37, 40, 24, 2, 37, 40, 24, 1, 36, 39, 23};
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(t.decoder.dither[0][i], firstRow[i]);
    EXPECT_EQ(t.decoder.dither[i][0], firstColumn[i]);
  }
  for (int r = 0; r < 16; ++r) {
    for (int c = 0; c < 16; ++c) {
      ASSERT_GE(t.decoder.dither[r][c], 0);
      ASSERT_LE(t.decoder.dither[r][c], 50);
    }
  }
  EXPECT_EQ(t.decoder.cubeLevel[255], 5);
  EXPECT_EQ(t.decoder.cubeResidue[255], 0);
  EXPECT_EQ(t.decoder.cubeLevel[101], 1);
  EXPECT_EQ(t.decoder.cubeResidue[101], 50);
  // Index 26 + r + 6g + 36b stands for components 51r, 51g, 51b.
  EXPECT_EQ(t.decoder.cubeRed[26 + 4 + 6 * 2 + 36 * 5], 204);
  EXPECT_EQ(t.decoder.cubeGreen[26 + 4 + 6 * 2 + 36 * 5], 102);
  EXPECT_EQ(t.decoder.cubeBlue[26 + 4 + 6 * 2 + 36 * 5], 255);
  EXPECT_EQ(t.decoder.columnPhase[17], 1);
  EXPECT_EQ(t.decoder.columnPhase.size(), 641u);
}

TEST(DecoderTables, CoefficientsRoundHalfAwayFromZero) {
  testing::Tables t;
  EXPECT_EQ(t.decoder.lumaScale[215], 255);
  EXPECT_EQ(t.decoder.redFromV[0], -173);
  EXPECT_EQ(t.decoder.blueFromU[255], 306);
  EXPECT_EQ(t.decoder.blueFromU[0], -308);
  EXPECT_EQ(t.decoder.greenFromU[129], 0);  // -0.469 rounds to 0
  EXPECT_EQ(t.decoder.greenFromV[130], -1);  // -1.378
  EXPECT_EQ(t.decoder.sumClamp[kSumClampOffset - 308], 0);
  EXPECT_EQ(t.decoder.sumClamp[kSumClampOffset + 608], 255);
  EXPECT_EQ(t.decoder.sumClamp[kSumClampOffset + 77], 77);
}

}  // namespace
}  // namespace kvtc::pixels
