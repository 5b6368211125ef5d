// The built program with the real codec: ffmpeg's test sources and real camera footage
// through every preset, output layout and display option. These wait (skip) until the codec
// compresses frames.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "kvtc/avi_reader.h"
#include "tool_test_support.h"

namespace kvtc::tool {
namespace {

using testing::RunKvtcProgram;
using testing::ToolTest;

class CodecEndToEnd : public ToolTest {
 protected:
  void SetUp() override { KVTC_SKIP_UNLESS_CODEC_COMPRESSES(); }
};

TEST_F(CodecEndToEnd, EveryPresetDecodesCloseToTheSource) {
  const std::string clip =
      testing::MakeClip(systemDir_.path(), "src.y4m", "testsrc2=size=160x120:rate=15", 30);
  // Floors well below what a working codec gives: they catch broken pictures (wrong rows,
  // colours or frames), and are to be raised to the measured values less a margin.
  struct Case {
    const char* preset;
    double floorDb;
  };
  for (const Case& c : {Case{"lan", 28.0}, Case{"isdn", 26.0}, Case{"modem", 24.0}}) {
    const std::string avi = Scratch(std::string(c.preset) + ".avi");
    const std::string out = Scratch(std::string(c.preset) + ".y4m");
    ASSERT_EQ(RunKvtcProgram({"encode", clip, "-o", avi, "--preset", c.preset, "--keyint", "10",
                              "-q"}).status, 0);
    EXPECT_EQ(testing::ProbeVideo(avi, false, true).keys,
              (std::vector<bool>{true, false, false, false, false, false, false, false, false,
                                 false, true, false, false, false, false, false, false, false,
                                 false, false, true, false, false, false, false, false, false,
                                 false, false, false}));
    ASSERT_EQ(RunKvtcProgram({"decode", avi, "-o", out, "-q"}).status, 0);
    EXPECT_GE(testing::FfmpegPsnr(clip, out), c.floorDb) << c.preset;
  }
}

TEST_F(CodecEndToEnd, RealCameraFootageEncodesAndDecodes) {
  for (const char* name : {"cup.mp4", "tree.avi"}) {
    const std::string footage = testing::Footage(name);
    if (footage.empty()) {
      ADD_FAILURE() << name << " is missing: run scripts/install-deps --media as root";
      continue;
    }
    const std::string avi = Scratch(std::string(name) + ".kvt.avi");
    ASSERT_EQ(RunKvtcProgram({"encode", footage, "-o", avi, "--frames", "15", "-q"}).status, 0);
    auto video = testing::ProbeVideo(avi);
    EXPECT_EQ(video["codec_tag_string"], "Kvt1") << name;
    EXPECT_EQ(video["nb_frames"], "15") << name;
    const std::string out = Scratch(std::string(name) + ".y4m");
    ASSERT_EQ(RunKvtcProgram({"decode", avi, "-o", out, "-q"}).status, 0);
    EXPECT_EQ(testing::ProbeVideo(out, true)["nb_read_frames"], "15") << name;
  }
}

TEST_F(CodecEndToEnd, EveryLayoutAndDisplayOptionGivesPicturesOfTheRightSizeAndCount) {
  const std::string clip =
      testing::MakeClip(systemDir_.path(), "src.y4m", "testsrc2=size=160x120:rate=15", 6);
  const std::string avi = Scratch("e.avi");
  ASSERT_EQ(RunKvtcProgram({"encode", clip, "-o", avi, "-q"}).status, 0);
  struct Case {
    std::vector<std::string> options;
    std::size_t pictureBytes, pictures;
  };
  const Case cases[] = {
      {{"--output-format", "rgb32"}, 160 * 120 * 4, 6},
      {{"--output-format", "rgb555"}, 160 * 120 * 2, 6},
      {{"--output-format", "yuy2"}, 160 * 120 * 2, 6},
      {{"--output-format", "gray8", "--show-gray"}, 160 * 120, 6},
      {{"--output-format", "pal332"}, 160 * 120, 6},
      {{"--output-format", "cube", "--gamma", "1.5"}, 160 * 120, 6},
      {{"--output-format", "gray4"}, 80 * 120, 6},
      {{"--zoom", "2"}, 320 * 240 * 3, 6},
      {{"--zoom", "8", "--output-format", "gray8"}, 1280 * 960, 6},
      {{"--interp", "2"}, 160 * 120 * 3, 12},
      {{"--interp", "4", "--sharpen"}, 160 * 120 * 3, 24},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"decode", avi, "--raw", "-o", Scratch("o.raw"), "-q"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    ASSERT_EQ(RunKvtcProgram(args).status, 0) << c.options[0] << " " << c.options[1];
    EXPECT_EQ(std::filesystem::file_size(Scratch("o.raw")), c.pictureBytes * c.pictures)
        << c.options[0] << " " << c.options[1];
  }
}

TEST_F(CodecEndToEnd, ACorruptedFrameIsLoggedByTheCodecAndTheRestDecodes) {
  const std::string clip =
      testing::MakeClip(systemDir_.path(), "src.y4m", "testsrc2=size=160x120:rate=15", 8);
  const std::string avi = Scratch("c.avi");
  ASSERT_EQ(RunKvtcProgram({"encode", clip, "-o", avi, "-q"}).status, 0);
  std::uint64_t at;
  {
    const AviReader r(avi);
    at = r.Frames()[4].offset + r.Frames()[4].size - 1;
  }
  std::fstream f(avi, std::ios::in | std::ios::out | std::ios::binary);
  f.seekg(static_cast<std::streamoff>(at));
  const char checksum = static_cast<char>(f.get());
  f.seekp(static_cast<std::streamoff>(at));
  f.put(static_cast<char>(checksum ^ 0x5A));
  f.close();

  const auto r = RunKvtcProgram({"decode", avi, "-o", Scratch("c.y4m")});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("frame 4: checksum failed"), std::string::npos) << r.err;
  EXPECT_EQ(testing::ProbeVideo(Scratch("c.y4m"), true)["nb_read_frames"], "8");
  std::ifstream log(systemDir_.File("KVTC.err"));
  const std::string text{std::istreambuf_iterator<char>(log), {}};
  EXPECT_NE(text.find("ERROR: failed to pass checksum for frame 4"), std::string::npos) << text;
}

}  // namespace
}  // namespace kvtc::tool
