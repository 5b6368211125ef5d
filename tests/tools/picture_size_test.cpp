// Pictures of every size through the built program and the real codec: large ones coded
// decimated by default or built up over a few frames at full size, awkward and tiny ones padded
// to the codec's blocks, and every one decoded back at the source's size, judged by ffprobe and
// ffmpeg's psnr filter against the source.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "host/frame_inspection.h"
#include "kvtc/avi_reader.h"
#include "tool_test_support.h"

namespace kvtc::tool {
namespace {

using testing::RunKvtcProgram;

// The luma PSNR of each picture of `decoded` against `source`, as ffmpeg's psnr filter writes
// it into its stats file (inf where they are equal, counted as 99 dB).
std::vector<double> FramePsnrs(const std::string& source, const std::string& decoded,
                               const std::string& stats) {
  testing::Run("ffmpeg -v error -i '" + decoded + "' -i '" + source +
               "' -lavfi '[0][1]psnr=stats_file=" + stats + "' -f null -");
  std::vector<double> frames;
  std::ifstream in(stats);
  for (std::string line; std::getline(in, line);) {
    const auto at = line.find("psnr_y:");
    if (at == std::string::npos) continue;
    const std::string value = line.substr(at + 7, line.find(' ', at) - at - 7);
    frames.push_back(value.rfind("inf", 0) == 0 ? 99.0 : std::stod(value));
  }
  return frames;
}

std::string Size(testing::Probe probe) { return probe["width"] + "x" + probe["height"]; }

class PictureSizes : public testing::ToolTest {
 protected:
  // The footage scaled to `size` (WxH), `frames` pictures; a still picture when `still`.
  std::string Clip(const std::string& footage, const std::string& size, int frames, bool still,
                   const std::string& name) {
    std::string filter = "scale=" + size.substr(0, size.find('x')) + ":" +
                         size.substr(size.find('x') + 1) + ":flags=bicubic";
    if (still) filter = "select=eq(n\\,0)," + filter + ",loop=" + std::to_string(frames) + ":1:0";
    const std::string out = Scratch(name);
    EXPECT_EQ(testing::Run("ffmpeg -v error -y -i '" + footage + "' -vf '" + filter +
                           "' -frames:v " + std::to_string(frames) +
                           " -pix_fmt yuv420p '" + out + "'").status,
              0);
    return out;
  }

  // Every frame the AVI index marks key is a key frame by its own header, and every key frame
  // is so marked.
  void ExpectHonestIndex(const std::string& avi) {
    const AviReader r(avi);
    for (std::size_t i = 0; i < r.Frames().size(); ++i) {
      const bool key = host::InspectFrame(r.ReadFrame(i)).Key();
      EXPECT_EQ(r.Frames()[i].indexKey.value_or(false), key) << avi << " frame " << i;
    }
  }
};

// 1080p camera footage. By default the tool picks a decimation that brings the coded picture
// within 640x480 and says so; decoding zooms it back to the source's size. With --decimate 1,
// a still picture builds up at full size: within 1 dB of its final quality after the measured
// number of frames, and no frame claims to be key.
TEST_F(PictureSizes, LargeFootageComesBackAtTheSourceSize) {
  const std::string footage = testing::Footage("cup.mp4");
  if (footage.empty()) GTEST_SKIP() << "cup.mp4 is missing: run scripts/install-deps --media";
  const std::string size = "1920x1080";
  const int buildUpFrames = 6;
  const std::string moving = Clip(footage, size, 8, false, "moving.y4m");
  const auto encoded = RunKvtcProgram({"encode", moving, "-o", Scratch("d.avi")});
  ASSERT_EQ(encoded.status, 0) << encoded.err;
  EXPECT_NE(encoded.err.find("--decimate 1 keeps the full size"), std::string::npos);
  ASSERT_EQ(RunKvtcProgram({"decode", Scratch("d.avi"), "-o", Scratch("d.y4m"), "-q"}).status, 0);
  EXPECT_EQ(Size(testing::ProbeVideo(Scratch("d.y4m"))), size);
  EXPECT_GE(testing::FfmpegPsnr(moving, Scratch("d.y4m")), 30.0);
  ExpectHonestIndex(Scratch("d.avi"));

  const int frames = 10;
  const std::string still = Clip(footage, size, frames, true, "still.y4m");
  const auto full =
      RunKvtcProgram({"encode", still, "-o", Scratch("f.avi"), "--decimate", "1"});
  ASSERT_EQ(full.status, 0) << full.err;
  EXPECT_NE(full.err.find("larger than one frame can carry"), std::string::npos) << full.err;
  ASSERT_EQ(RunKvtcProgram({"decode", Scratch("f.avi"), "-o", Scratch("f.y4m"), "-q"}).status, 0);
  EXPECT_EQ(Size(testing::ProbeVideo(Scratch("f.y4m"))), size);
  const std::vector<double> psnr = FramePsnrs(still, Scratch("f.y4m"), Scratch("f.txt"));
  ASSERT_EQ(psnr.size(), static_cast<std::size_t>(frames));
  // A non-key frame shows only what it marks, and the picture's first row and column lie
  // in the planes' border, which only a key frame shows: at these sizes no key frame fits,
  // so they stay black and hold the whole picture to about 30 dB.
  EXPECT_GE(psnr.back(), 29.0);
  EXPECT_GE(psnr[buildUpFrames - 1], psnr.back() - 1.0);
  ExpectHonestIndex(Scratch("f.avi"));
}

// Sizes the block grid or the decimation cannot hold exactly are padded by repeating the
// edge and cropped back: each comes back at the source's size and close to it. The floors
// are the measured values less a margin (decimation by 4 and 8 and pictures a few pixels
// wide are inherently coarse). A --decimate 2 file remuxed with ffmpeg, and the same file
// without its stored codec state, still decode at the right coded size.
TEST_F(PictureSizes, AwkwardSizesComeBackAtTheSourceSize) {
  const std::string footage = testing::Footage("tree.avi");
  if (footage.empty()) GTEST_SKIP() << "tree.avi is missing: run scripts/install-deps --media";
  struct Case {
    const char* size;
    const char* decimate;  // empty: the default
    double floorDb;
  };
  const Case cases[] = {
      {"1919x1079", "", 29}, {"324x244", "", 35}, {"101x75", "", 34},  {"6x6", "", 19},
      {"320x6", "", 34},     {"320x240", "4", 21}, {"64x48", "8", 16}, {"14x14", "2", 17},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.size) + " decimate " + c.decimate);
    const std::string clip = Clip(footage, c.size, 4, false, "a.y4m");
    std::vector<std::string> args = {"encode", clip, "-o", Scratch("a.avi"), "-q"};
    if (*c.decimate) args.insert(args.end(), {"--decimate", c.decimate});
    ASSERT_EQ(RunKvtcProgram(args).status, 0);
    ASSERT_EQ(RunKvtcProgram({"decode", Scratch("a.avi"), "-o", Scratch("a_out.y4m"), "-q"}).status, 0);
    EXPECT_EQ(Size(testing::ProbeVideo(Scratch("a_out.y4m"))), c.size);
    EXPECT_GE(testing::FfmpegPsnr(clip, Scratch("a_out.y4m")), c.floorDb);
  }

  const std::string clip = Clip(footage, "320x240", 4, false, "r.y4m");
  ASSERT_EQ(RunKvtcProgram({"encode", clip, "-o", Scratch("r.avi"), "-q", "--decimate", "2"}).status, 0);
  ASSERT_EQ(testing::Run("ffmpeg -v error -y -i '" + Scratch("r.avi") + "' -c copy '" +
                         Scratch("remuxed.avi") + "'").status, 0);
  std::string bytes;
  {
    std::ifstream in(Scratch("r.avi"), std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
  }
  bytes.replace(bytes.find("strd"), 4, "JUNK");
  std::ofstream(Scratch("stateless.avi"), std::ios::binary) << bytes;
  const double original = [&] {
    EXPECT_EQ(RunKvtcProgram({"decode", Scratch("r.avi"), "-o", Scratch("r_out.y4m"), "-q"}).status, 0);
    return testing::FfmpegPsnr(clip, Scratch("r_out.y4m"));
  }();
  EXPECT_GE(original, 24.0);
  for (const char* name : {"remuxed.avi", "stateless.avi"}) {
    SCOPED_TRACE(name);
    ASSERT_EQ(RunKvtcProgram({"decode", Scratch(name), "-o", Scratch("x.y4m"), "-q"}).status, 0);
    EXPECT_EQ(Size(testing::ProbeVideo(Scratch("x.y4m"))), "320x240");
    EXPECT_NEAR(testing::FfmpegPsnr(clip, Scratch("x.y4m")), original, 0.01);
  }
}

}  // namespace
}  // namespace kvtc::tool
