// The tool's encode and decode pipelines end to end, with a stand-in answering the frame
// messages: every input source, every output layout, zoom and interpolation, every output
// kind at every frame rate, damaged frames, and the demo's AVIs, contact sheets and table.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "kvtc/avi_reader.h"
#include "kvtc/input_conversion.h"
#include "kvtc/media_reader.h"
#include "kvtc/progress.h"
#include "tool_test_support.h"

namespace kvtc::tool {
namespace {

using testing::RunKvtcHere;
using testing::StandInCodecTest;

class ToolPipeline : public StandInCodecTest {
 protected:
  void SetUp() override {
    StandInCodecTest::SetUp();
    clip_ = testing::MakeClip(systemDir_.path(), "clip.y4m", "testsrc2=size=160x120:rate=15", 12);
  }
  // Encodes the clip (with extra options) and returns the AVI.
  std::string Encode(std::vector<std::string> extra = {}, const std::string& name = "out.avi") {
    std::vector<std::string> args = {"encode", clip_, "-o", Scratch(name), "-q"};
    args.insert(args.end(), extra.begin(), extra.end());
    const auto r = RunKvtcHere(args);
    EXPECT_EQ(r.status, 0) << r.err;
    return Scratch(name);
  }
  std::string clip_;
};

// A source that skips frame times (an AVI with empty frames: pictures at 0, 1, 2, 8, 9, 10)
// keeps them as held frames, unless --rate re-times it.
TEST_F(ToolPipeline, ImageSequencesStandardInputAndGapsInTimeAreRead) {
  const std::string dir = systemDir_.path();
  ASSERT_EQ(testing::Run("ffmpeg -v error -f lavfi -i testsrc=size=64x48:rate=5 -frames:v 4 '" +
                         dir + "/img%04d.png'").status, 0);
  ASSERT_EQ(testing::Run("ffmpeg -v error -f lavfi -i testsrc=size=160x120:rate=10 -frames:v 6 "
                         "-vf \"setpts='if(lt(N,3),N,N+5)/(10*TB)'\" -fps_mode passthrough "
                         "-c:v rawvideo '" + dir + "/gap.avi'").status, 0);
  struct Case {
    std::vector<std::string> args;
    std::string stdinPath;
    std::size_t frames;
    int width;
    std::size_t held = 0;
  };
  const Case cases[] = {
      {{"encode", dir + "/img%04d.png", "--rate", "5"}, "", 4, 64},
      {{"encode", "-"}, clip_, 12, 160},
      {{"encode", dir + "/gap.avi"}, "", 11, 160, 5},
      {{"encode", dir + "/gap.avi", "--rate", "10"}, "", 6, 160},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"-o", Scratch("in.avi"), "-q"});
    const auto r = RunKvtcHere(args, c.stdinPath);
    ASSERT_EQ(r.status, 0) << r.err;
    const AviReader avi(Scratch("in.avi"));
    EXPECT_EQ(avi.Frames().size(), c.frames) << c.args[1];
    EXPECT_EQ(avi.Video().format.header().biWidth, c.width);
    std::size_t held = 0;
    for (std::size_t f = 0; f < avi.Frames().size(); ++f) held += avi.Frames()[f].size == 0;
    EXPECT_EQ(held, c.held) << c.args[1];
    if (c.held) {
      EXPECT_EQ(avi.Frames()[3].size + avi.Frames()[7].size, 0u);
    }
  }
}

TEST_F(ToolPipeline, AnEncodeThatFailsHalfWayLeavesNoAviAndAPartialRawFrameIsLeftOut) {
  // A sequence whose third picture is damaged cannot be encoded past it.
  ASSERT_EQ(RunKvtcHere({"decode", Encode(), "-o", Scratch("p%02d.png"), "-q"}).status, 0);
  std::ofstream(Scratch("p03.png"), std::ios::binary) << "not a picture";
  auto r = RunKvtcHere({"encode", Scratch("p%02d.png"), "-o", Scratch("half.avi"), "-q"});
  EXPECT_EQ(r.status, 2);
  for (const auto& entry : std::filesystem::directory_iterator(systemDir_.path())) {
    EXPECT_EQ(entry.path().string().find("half"), std::string::npos) << entry.path();
  }
  // Two and a half raw frames: the two whole ones are the video.
  std::ofstream(Scratch("short.raw"), std::ios::binary) << std::string(64 * 48 * 5 / 2, 'x');
  r = RunKvtcHere({"encode", Scratch("short.raw"), "--size", "64x48", "--pix-fmt", "gray", "-o",
                   Scratch("two.avi"), "-q"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(AviReader(Scratch("two.avi")).Frames().size(), 2u);
  EXPECT_NE(r.err.find("ends with 1536 bytes, less than a whole frame (3072 bytes)"),
            std::string::npos) << r.err;
  // info tells the noise filter the stream was made with, the median one included.
  for (const std::string filter : {"none", "median", "smooth"}) {
    r = RunKvtcHere({"info", Encode({"--filter", filter, "--frames", "2"}), "--summary"});
    EXPECT_NE(r.out.find("  filter             " + filter + "\n"), std::string::npos) << r.out;
  }
}

// Every layout's pictures are held byte for byte by the golden grid; here the tool writes them
// out whole, the widest and the narrowest layout, zoomed and interpolated.
TEST_F(ToolPipeline, RawOutputHoldsEveryPictureWholeZoomedAndInterpolated) {
  const std::string avi = Encode({"--frames", "5"});
  struct Case {
    std::vector<std::string> options;
    std::size_t pictureBytes;
    std::size_t pictures;
  };
  const Case cases[] = {
      {{"--output-format", "rgb32"}, 160 * 120 * 4, 5},
      {{"--output-format", "gray4"}, 80 * 120, 5},
      {{"--zoom", "2"}, 320 * 240 * 3, 5},
      {{"--zoom", "4", "--output-format", "cube"}, 640 * 480, 5},
      {{"--interp", "2"}, 160 * 120 * 3, 10},
      {{"--interp", "4", "--sharpen"}, 160 * 120 * 3, 20},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"decode", avi, "--raw", "-o", Scratch("out.raw"), "-q"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const auto r = RunKvtcHere(args);
    ASSERT_EQ(r.status, 0) << r.err;
    const auto raw = kvtc::testing::ReadFileBytes(Scratch("out.raw"));
    ASSERT_EQ(raw.size(), c.pictureBytes * c.pictures) << c.options[0] << " " << c.options[1];
    // The stand-in fills each frame's pictures with the frame number; the first frame holds
    // through all its pictures.
    const std::size_t perFrame = c.pictures / 5;
    for (std::size_t p = 0; p < c.pictures; ++p) {
      EXPECT_EQ(raw[p * c.pictureBytes], p / perFrame) << p;
    }
  }
}

TEST_F(ToolPipeline, EveryFrameReachesEveryKindOfOutputAtEveryRate) {
  // Containers that keep time by edit lists (.mp4, .mov) once lost the last picture at
  // rates such as 10, 25 or 1/2 frames a second.
  const std::pair<const char*, const char*> cases[] = {
      {"30000/1001", "o.y4m"}, {"15", "o.avi"},  {"25", "o.mp4"},        {"1/2", "o.mp4"},
      {"25", "o.mov"},         {"1/2", "o.mov"}, {"25", "o.mkv"},        {"1/2", "o%04d.png"},
      {"1/2", "-"},
  };
  for (const auto& [rate, name] : cases) {
    const std::string avi = Encode({"--frames", "6", "--rate", rate});
    const std::string output = *name == '-' ? name : Scratch(name);
    const auto r = RunKvtcHere({"decode", avi, "-o", output, "-q"});
    ASSERT_EQ(r.status, 0) << name << ": " << r.err;
    std::string probe = output;
    if (*name == '-') std::ofstream(probe = Scratch("stdout.y4m"), std::ios::binary) << r.out;
    auto video = testing::ProbeVideo(probe, true);
    EXPECT_EQ(video["width"] + "x" + video["height"], "160x120") << name;
    EXPECT_EQ(video["nb_read_frames"], "6") << name << " at " << rate;
    if (name == std::string("o.y4m") || *name == '-') {
      const AVRational expected = ParseRate(rate);
      EXPECT_EQ(video["r_frame_rate"], std::to_string(expected.num) + "/" +
                                           std::to_string(expected.den));
    }
  }
  // An odd-sized picture reaches the encoders that take 4:2:0 at even sizes only.
  const std::string odd = testing::MakeClip(systemDir_.path(), "odd.y4m",
                                            "testsrc2=size=160x120:rate=15,scale=161:121", 3);
  ASSERT_EQ(RunKvtcHere({"encode", odd, "-o", Scratch("odd.avi"), "-q"}).status, 0);
  for (const char* name : {"odd.mp4", "odd.mkv"}) {
    const auto r = RunKvtcHere({"decode", Scratch("odd.avi"), "-o", Scratch(name), "-q"});
    ASSERT_EQ(r.status, 0) << name << ": " << r.err;
    auto video = testing::ProbeVideo(Scratch(name), true);
    EXPECT_EQ(video["width"] + "x" + video["height"] + " " + video["nb_read_frames"], "161x121 3")
        << name;
  }
  // Interpolation doubles the frame rate of the output.
  const std::string avi = Encode({"--frames", "6"});
  ASSERT_EQ(RunKvtcHere({"decode", avi, "--interp", "2", "-o", Scratch("i.mp4"), "-q"}).status, 0);
  auto doubled = testing::ProbeVideo(Scratch("i.mp4"), true);
  EXPECT_EQ(doubled["r_frame_rate"], "30/1");
  EXPECT_EQ(doubled["nb_read_frames"], "12");
}

TEST_F(ToolPipeline, ADamagedFrameIsReportedAndTheRestDecodes) {
  const std::string avi = Encode({"--frames", "8"});
  // Spoil frame 3's checksum byte in place.
  std::uint64_t at;
  {
    const AviReader r(avi);
    at = r.Frames()[3].offset + r.Frames()[3].size - 1;
  }
  std::fstream f(avi, std::ios::in | std::ios::out | std::ios::binary);
  f.seekp(static_cast<std::streamoff>(at));
  f.put('\x55');
  f.close();

  const auto r = RunKvtcHere({"decode", avi, "--raw", "-o", Scratch("d.raw"), "-q"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find(avi + ": frame 3: checksum failed"), std::string::npos) << r.err;
  const auto raw = kvtc::testing::ReadFileBytes(Scratch("d.raw"));
  const std::size_t picture = 160 * 120 * 3;
  ASSERT_EQ(raw.size(), 8 * picture);
  const std::uint8_t shown[] = {0, 1, 2, 2, 4, 5, 6, 7};  // frame 2's picture stands in
  for (int i = 0; i < 8; ++i) EXPECT_EQ(raw[i * picture], shown[i]) << i;
  // The frame was still handed over, so that the codec logs it.
  EXPECT_EQ(DecompressCalls(), 8);
}

TEST_F(ToolPipeline, TheDemoWritesAnAviAndAContactSheetPerPresetAndTheTable) {
  const std::string dir = Scratch("demo");
  const auto r = RunKvtcHere({"demo", "--output-dir", dir, "--frames", "6", "-q"});
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

TEST(ProgressLine, ShowsFramesRateBitRateAndTimeLeft) {
  EXPECT_EQ(Progress::Line(30, 60, 2.0, 247.46), "frame 30/60  15.0 fps  247.5 kbit/s  0:02 left");
  EXPECT_EQ(Progress::Line(30, 0, 2.0, 12.0), "frame 30  15.0 fps  12.0 kbit/s");
  EXPECT_EQ(Progress::Line(60, 60, 4.0, 12.0), "frame 60/60  15.0 fps  12.0 kbit/s");
}

}  // namespace
}  // namespace kvtc::tool
