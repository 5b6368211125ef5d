// The host sessions' own mappings: frame quality to threshold, the tool's choices into the
// codec's state block, the stream variant FOURCCs, and what frame inspection trusts.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "host/codec_settings.h"
#include "host/compressor.h"
#include "host/decompressor.h"
#include "host/frame_inspection.h"
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

// Sessions on several threads at once, as a host with several pipelines runs them. The median
// filter and the display gamma reach the codec only through each session's own settings
// file, so every thread's frames and pictures must be byte for byte those the same session
// makes alone.
TEST_F(ToolTest, SessionsOnSeveralThreadsCodeAsEachDoesAlone) {
  struct Job {
    settings::Preset preset;
    host::NoiseFilter filter;
    BYTE decimation;
    float gamma;
  };
  const Job jobs[] = {{settings::Preset::Lan, host::NoiseFilter::Median, 0, 1.0f},
                      {settings::Preset::Modem, host::NoiseFilter::None, 2, 0.6f},
                      {settings::Preset::Isdn, host::NoiseFilter::Smooth, 0, 1.8f},
                      {settings::Preset::Lan, host::NoiseFilter::None, 0, 1.3f}};
  const auto run = [](const Job& job) {
    SettingsRecord record = settings::PresetRecord(settings::Preset::Lan);
    host::CompressorChoices choices;
    choices.preset = job.preset;
    choices.filter = job.filter;
    choices.decimation = job.decimation;
    host::ApplyCompressorChoices(choices, record);
    host::BitmapInfo input;
    input.header() = {sizeof(BITMAPINFOHEADER), 64, 48, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    host::Compressor c(input, record, std::nullopt, 7000);
    host::DisplayChoices display;
    display.gamma = job.gamma;
    host::Decompressor d(c.OutputFormat(), job.decimation, display, record);
    std::vector<std::uint8_t> made, bits(64 * 48 * 3);
    for (int n = 0; n < 2; ++n) {
      for (std::size_t i = 0; i < bits.size(); ++i) bits[i] = (i * 7 + n * 29 + i * i % 13) & 255;
      const host::CompressedFrame f = c.Compress(bits, n == 0);
      made.insert(made.end(), f.bytes.begin(), f.bytes.end());
      d.Decode(f.bytes, [&](std::span<const std::uint8_t> p) {
        made.insert(made.end(), p.begin(), p.end());
      });
    }
    return made;
  };
  std::vector<std::vector<std::uint8_t>> alone;
  for (const Job& job : jobs) alone.push_back(run(job));
  std::atomic<int> differing{0};
  std::vector<std::thread> threads;
  for (std::size_t t = 0; t < std::size(jobs); ++t) {
    threads.emplace_back([&, t] {
      for (int session = 0; session < 40; ++session) differing += run(jobs[t]) != alone[t];
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(differing, 0);
}

TEST(StreamVariants, InterpolationAndSharpeningPickTheFourcc) {
  EXPECT_EQ(host::FourccText(host::VariantFourcc(2, false)), "KvtB");
  EXPECT_EQ(host::FourccText(host::VariantFourcc(4, true)), "Kvtc");
  for (const char* f : {"Kvt1", "KvtA", "KvtB", "KvtC", "Kvta", "Kvtb", "Kvtc"}) {
    const auto variant = host::VariantOf(MakeFourcc(f[0], f[1], f[2], f[3]));
    EXPECT_EQ(host::VariantOf(host::VariantFourcc(variant.first, variant.second)), variant) << f;
  }
}

// What `kvtc info` and the decoder sessions trust of a frame, and the problems they name. The
// header parsing and the checksum under it are the stream's own, and tested there.
TEST(FrameInspection, OnlyWholeFramesThatPassTheChecksumAreTrusted) {
  using Bytes = std::vector<std::uint8_t>;
  Bytes good = testing::MakeKvtFrame({0x13, 7, 2}, {1, 2, 3, 4}, {5, 6}, {7});
  ASSERT_TRUE(host::InspectFrame(good).Decodable());
  EXPECT_EQ(host::InspectFrame({}).problem, "empty frame");
  // Cut inside the phase byte, the sample length, the samples and the block bits.
  for (std::size_t cut : {2u, 5u, 8u, 12u}) {
    const host::FrameInspection f = host::InspectFrame(Bytes(good.begin(), good.begin() + cut));
    EXPECT_FALSE(f.WellFormed()) << cut;
    EXPECT_EQ(f.problem, "shorter than its header and section lengths announce") << cut;
  }
  good[good.size() - 2] ^= 0x01;  // the refinement byte
  const host::FrameInspection f = host::InspectFrame(good);
  EXPECT_TRUE(f.WellFormed());
  EXPECT_FALSE(f.checksumOk);
  EXPECT_FALSE(f.Decodable());
  // Large lossless pictures need more refinement bytes than a 16-bit length could count.
  const Bytes large = testing::MakeKvtFrame({0x03}, {}, {}, Bytes(70000, 1));
  EXPECT_EQ(host::InspectFrame(large).refinementBytes, 70000u);
}

}  // namespace
}  // namespace kvtc::tool
