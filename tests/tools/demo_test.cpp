// The demo's parts: the synthetic clip, the picture error, the contact sheet, and the whole
// demo run through the stand-in codec.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "kvtc/contact_sheet.h"
#include "kvtc/picture_metrics.h"
#include "kvtc/synthetic_clip.h"
#include "tool_test_support.h"

namespace kvtc::tool {
namespace {

double MeanAbsDifference(const AVFrame& a, const AVFrame& b) {
  double sum = 0;
  for (int y = 0; y < a.height; ++y) {
    for (int x = 0; x < 3 * a.width; ++x) {
      sum += std::abs(a.data[0][y * a.linesize[0] + x] - b.data[0][y * b.linesize[0] + x]);
    }
  }
  return sum / (3.0 * a.width * a.height);
}

// An RGB24 picture with every byte `value`.
FramePtr Solid(int w, int h, std::uint8_t value) {
  FramePtr f = AllocFrame(w, h, AV_PIX_FMT_RGB24);
  for (int y = 0; y < h; ++y) std::memset(f->data[0] + y * f->linesize[0], value, 3 * w);
  return f;
}

FramePtr Copy(const AVFrame* f) {
  FramePtr c(av_frame_clone(f));
  av_frame_make_writable(c.get());
  return c;
}

TEST(SyntheticClip, MovesSlowlyWithinASceneAndJumpsAtTheCut) {
  SyntheticClip clip(30);
  SyntheticClip again(30);
  EXPECT_EQ(clip.SceneCut(), 18);
  std::vector<FramePtr> frames;
  while (const AVFrame* f = clip.Next()) {
    const AVFrame* g = again.Next();
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(MeanAbsDifference(*f, *g), 0.0);  // the same clip on every run
    frames.push_back(Copy(f));
  }
  ASSERT_EQ(frames.size(), 30u);
  EXPECT_EQ(frames[0]->width, 320);
  EXPECT_EQ(frames[0]->height, 240);
  const double cut = MeanAbsDifference(*frames[17], *frames[18]);
  for (int t : {1, 9, 16, 20, 28}) {
    const double step = MeanAbsDifference(*frames[t], *frames[t + 1]);
    EXPECT_GT(step, 1.0) << t;  // motion and noise: never a still frame
    EXPECT_GT(cut, 4 * step) << t;
  }
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

TEST(ContactSheet, OriginalsLeftDecodedRight) {
  FramePtr left = Solid(8, 4, 200);
  FramePtr right = Solid(8, 4, 50);
  ContactSheet sheet(8, 4, 2);
  sheet.SetRow(1, *left, *right);
  const AVFrame& s = sheet.Picture();
  EXPECT_EQ(s.width, 2 * 8 + 3 * 6);
  EXPECT_EQ(s.height, 2 * (4 + 6) + 6);
  const int top = 6 + 4 + 6;
  EXPECT_EQ(s.data[0][top * s.linesize[0] + 3 * 6], 200);
  EXPECT_EQ(s.data[0][top * s.linesize[0] + 3 * (6 + 8 + 6)], 50);
  EXPECT_EQ(s.data[0][6 * s.linesize[0] + 3 * 6], 32);  // row 0 left empty
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
