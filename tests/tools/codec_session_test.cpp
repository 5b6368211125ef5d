// The host sessions' own mappings: frame quality to threshold, the tool's choices into the
// codec's state block, and the stream variant FOURCCs.
#include <gtest/gtest.h>

#include <cstdlib>

#include "host/codec_settings.h"
#include "host/compressor.h"
#include "host/decompressor.h"
#include "kvtc/input_conversion.h"
#include "tool_test_support.h"

namespace kvtc::tool {
namespace {

using settings::SettingsRecord;
using testing::ToolTest;

TEST(QualityMapping, FrameQualityRoundTripsEveryThreshold) {
  EXPECT_EQ(host::ThresholdForFrameQuality(10000), 0);
  EXPECT_EQ(host::ThresholdForFrameQuality(7500), 7);
  EXPECT_EQ(host::ThresholdForFrameQuality(0), 30);
  EXPECT_EQ(host::ThresholdForFrameQuality(ICQUALITY_DEFAULT), 30);
  for (int t = 0; t <= 30; ++t) {
    const DWORD q = host::FrameQualityForThreshold(static_cast<BYTE>(t));
    EXPECT_EQ(host::ThresholdForFrameQuality(q), t);
    if (q < 10000) {
      EXPECT_NE(host::ThresholdForFrameQuality(q + 1), t);  // the best such quality
    }
  }
  EXPECT_EQ(host::FrameQualityForThreshold(8), 7333u);  // what ICM_GETQUALITY reads for LAN
}

TEST_F(ToolTest, CompressorCarriesTheChoicesThroughTheStateBlock) {
  SettingsRecord wanted = settings::PresetRecord(settings::Preset::Lan);
  host::CompressorChoices choices;
  choices.preset = settings::Preset::Modem;
  choices.refreshPeriod = 17;
  choices.losslessChroma = true;
  choices.sendGray = true;
  choices.filter = host::NoiseFilter::Smooth;
  choices.decimation = 2;
  host::ApplyCompressorChoices(choices, wanted);
  wanted.bKeyInterval = 9;
  const std::string dirBefore = std::getenv("KVTC_SYSTEM_DIR");
  {
    InputConverter input(InputFormat::Gray8, 160, 120);
    host::Compressor c(input.Header(), wanted, input.RequiredInputCode(), 6000);
    const host::StateBlock s = c.State();
    EXPECT_EQ(s[21], 12);  // the Modem threshold
    EXPECT_EQ(s[22], 0);   // key frames are the tool's to ask for
    EXPECT_EQ(s[23], 17);
    EXPECT_EQ(s[24], 1);
    EXPECT_EQ(s[25], 1);
    EXPECT_EQ(s[26], 1);   // grey sending
    EXPECT_EQ(s[27], 16);
    EXPECT_EQ(s[28], 2);
    EXPECT_EQ(s[29], 11);  // 8-bit grey input
    EXPECT_EQ(s[32], settings::SF_SMOOTH);
    const BITMAPINFOHEADER& out = c.OutputFormat().header();
    EXPECT_EQ(out.biCompression, MakeFourcc("Kvt1"));
    EXPECT_EQ(out.biWidth, 160);
    EXPECT_EQ(c.Handler(), MakeFourcc("KVTC"));
    EXPECT_EQ(c.Name(), "KVT Codec");
  }
  // The session's own system directory is gone again, and the saved settings untouched.
  EXPECT_EQ(std::getenv("KVTC_SYSTEM_DIR"), dirBefore);
  EXPECT_TRUE(kvtc::testing::ReadFileBytes(systemDir_.File("KVTC.cfg")).empty());
}

TEST(StreamVariants, InterpolationAndSharpeningPickTheFourcc) {
  EXPECT_EQ(host::FourccText(host::VariantFourcc(2, false)), "KvtB");
  EXPECT_EQ(host::FourccText(host::VariantFourcc(4, true)), "Kvtc");
  for (const char* f : {"Kvt1", "KvtA", "KvtB", "KvtC", "Kvta", "Kvtb", "Kvtc"}) {
    const auto variant = host::VariantOf(MakeFourcc(f[0], f[1], f[2], f[3]));
    EXPECT_EQ(host::VariantOf(host::VariantFourcc(variant.first, variant.second)), variant) << f;
  }
}

}  // namespace
}  // namespace kvtc::tool
