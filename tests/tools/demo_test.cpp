// The demo's picture error against its formula, and the whole demo run through the stand-in
// codec: an AVI, a contact sheet and a table row per preset.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "kvtc/picture_metrics.h"
#include "tool_test_support.h"

namespace kvtc::tool {
namespace {

// An RGB24 picture with every byte `value`.
FramePtr Solid(int w, int h, std::uint8_t value) {
  FramePtr f = AllocFrame(w, h, AV_PIX_FMT_RGB24);
  for (int y = 0; y < h; ++y) std::memset(f->data[0] + y * f->linesize[0], value, 3 * w);
  return f;
}

TEST(PictureError, PsnrOfKnownDifferences) {
  FramePtr a = Solid(4, 2, 100);
  FramePtr b = Solid(4, 2, 100);
  PictureError same;
  same.Add(*a, *b);
  EXPECT_TRUE(std::isinf(same.PsnrY()));
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 4; ++x) b->data[0][y * b->linesize[0] + 3 * x] = 103;  // red off by 3
  }
  PictureError e;
  e.Add(*a, *b);
  EXPECT_NEAR(e.PsnrRgb(), 10 * std::log10(255.0 * 255.0 / 3.0), 1e-9);  // MSE 9 over 3 parts
  EXPECT_NEAR(e.PsnrY(), 10 * std::log10(255.0 * 255.0 / (0.897 * 0.897)), 1e-9);
}

class DemoRun : public testing::StandInCodecTest {};

TEST_F(DemoRun, WritesAnAviAndAContactSheetPerPresetAndTheTable) {
  const std::string dir = Scratch("demo");
  const auto r = testing::RunKvtcHere({"demo", "--output-dir", dir, "--frames", "6", "-q"});
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char* preset : {"lan", "isdn", "modem"}) {
    auto video = testing::ProbeVideo(dir + "/" + preset + ".avi");
    EXPECT_EQ(video["codec_tag_string"], "Kvt1");
    EXPECT_EQ(video["nb_frames"], "6");
    auto sheet = testing::ProbeVideo(dir + "/" + preset + ".png");
    EXPECT_EQ(sheet["width"], std::to_string(2 * 320 + 18)) << preset;
    EXPECT_EQ(sheet["height"], std::to_string(5 * 246 + 6)) << preset;
  }
  std::ifstream results(dir + "/results.md");
  std::stringstream text;
  text << results.rdbuf();
  for (const char* row : {"| LAN | 6 | 7 | 0.8 |", "| ISDN | 6 |", "| Modem | 6 |"}) {
    EXPECT_NE(text.str().find(row), std::string::npos) << row << "\n" << text.str();
    EXPECT_NE(r.out.find(row), std::string::npos) << r.out;
  }
}

}  // namespace
}  // namespace kvtc::tool
