// The decoder's conversion tables: gamma and its key, the gamma curve, the dither matrix.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "pixels/gamma_power.h"
#include "pixels/pixel_fixtures.h"

namespace kvtc::pixels {
namespace {

TEST(DecoderTables, GammaTablesFollowTheKey) {
  testing::Tables t(1.0);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(t.decoder.gamma[i], i);
  ASSERT_TRUE(EnsureGammaTables(t.decoder, 2.0));
  EXPECT_EQ(t.decoder.gammaKey, 2.0);
  EXPECT_EQ(t.decoder.gamma[128], 181);
  EXPECT_EQ(t.decoder.red555[128], (181 >> 3) << 10);  // every gamma-dependent table follows
  EXPECT_EQ(t.decoder.green332[128], 6 << 2);
  EXPECT_EQ(t.decoder.plainGreen332[128], 4 << 2);  // the plain forms do not
  // A gamma a settings record can hold but no display wants is taken as 1.0.
  for (const double bad : {0.0, -2.0, std::numeric_limits<double>::quiet_NaN()}) {
    ASSERT_TRUE(EnsureGammaTables(t.decoder, bad));
    EXPECT_EQ(t.decoder.gammaKey, 1.0);
    EXPECT_EQ(t.decoder.gamma[77], 77);
  }
}

// The curve is computed without the C library (whose pow differs between runtimes) yet gives
// the bytes the library's pow gives, at the dialog's gammas (0.50..2.00 by 0.01) and in steps
// of 1/1024 over that range, and agrees with it to a few units in the last place.
TEST(DecoderTables, GammaCurveGivesTheBytesOfTheLibraryPow) {
  std::vector<double> gammas;
  for (int position = 0; position <= 150; ++position) {
    gammas.push_back(static_cast<float>(position * 0.01 + 0.5));
  }
  for (int step = 0; step <= 1536; ++step) gammas.push_back(0.5 + step / 1024.0);
  for (const double gamma : gammas) {
    const double exponent = 1.0 / gamma;
    for (int i = 0; i < 256; ++i) {
      const double x = i * 0.00392156862745098;
      const double library = std::pow(x, exponent);
      ASSERT_NEAR(GammaPower(x, exponent), library, library * 4e-15) << gamma << " " << i;
      ASSERT_EQ(std::trunc(GammaLevel(i, exponent)), std::trunc(255.0 * library + 0.5))
          << gamma << " " << i;
    }
  }
}

}  // namespace
}  // namespace kvtc::pixels
