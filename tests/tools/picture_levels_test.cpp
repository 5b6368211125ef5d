// Levels and picture quality through the tool's own conversions with the real codec, judged by
// ffmpeg: natural footage in every source range and depth and every input layout, black, grey
// and white through every output layout into every kind of file, every preset, and the cost of
// a still palettised picture.
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <sstream>

#include "tool_test_support.h"

namespace kvtc::tool {
namespace {

using testing::RunKvtcProgram;

class PictureLevels : public testing::ToolTest {
 protected:
  // Converts `from` (any file ffmpeg reads) into `name` with the given ffmpeg output options.
  std::string Ffmpeg(const std::string& from, const std::string& options, const std::string& name) {
    const auto r = testing::Run("ffmpeg -v error -y -i '" + from + "' " + options + " '" +
                                Scratch(name) + "'");
    EXPECT_EQ(r.status, 0) << name << ": " << r.err;
    return Scratch(name);
  }
};

TEST_F(PictureLevels, FootageInEveryRangeDepthAndInputLayoutComesBackClose) {
  const std::string footage = testing::Footage("cup.mp4");
  if (footage.empty()) GTEST_FAIL() << "cup.mp4 is missing: run scripts/install-deps --media";
  // One set of RGB pictures every source is made from, so that all hold the same frames.
  const std::string rgb =
      Ffmpeg(footage, "-frames:v 8 -vf scale=160:120,format=rgb24 -c:v rawvideo", "rgb.nut");
  const std::string reference = Ffmpeg(rgb, "-pix_fmt yuv420p", "ref.y4m");
  struct Case {
    const char* pixelFormat;  // the source's
    const char* layout;       // --input-format, or nullptr for the default
    double floorDb;
  };
  // 4:2:2, full-range and deep sources reached the codec at limited-range levels; YVU9 luma
  // was handed over unscaled; palettised input was dithered differently every frame. Six-bit
  // grey is not in the list: the codec takes it as a six-bit red field used unscaled as a
  // table index, so it decodes dark by design; the golden grid holds its bytes.
  const Case cases[] = {
      {"yuv420p", nullptr, 38},     {"yuyv422", nullptr, 38},  {"yuvj422p", nullptr, 38},
      {"yuv420p10le", nullptr, 38}, {"yuv444p12le", nullptr, 38}, {"gray", nullptr, 38},
      {"yuv420p", "rgb24", 38},     {"yuv420p", "rgb32", 38},  {"yuv420p", "rgb555", 36},
      {"yuv420p", "pal8", 30},      {"yuv420p", "gray4", 30},  {"yuv420p", "cyuv", 38},
      {"yuv420p", "yvu9", 38},
  };
  for (const Case& c : cases) {
    const std::string format = c.pixelFormat;
    // Y4M keeps the range of what it holds; packed 4:2:2 goes into NUT.
    const bool packed = format == "yuyv422" || format == "uyvy422";
    const std::string source = Ffmpeg(rgb, "-pix_fmt " + format + " -strict -1" +
                                               (packed ? " -c:v rawvideo" : ""),
                                      format + (packed ? ".nut" : ".y4m"));
    std::vector<std::string> args = {"encode", source, "-o", Scratch("c.avi"), "-q"};
    if (c.layout) args.insert(args.end(), {"--input-format", c.layout});
    ASSERT_EQ(RunKvtcProgram(args).status, 0) << format;
    ASSERT_EQ(RunKvtcProgram({"decode", Scratch("c.avi"), "-o", Scratch("c.y4m"), "-q"}).status,
              0);
    EXPECT_GE(testing::FfmpegPsnr(reference, Scratch("c.y4m")), c.floorDb)
        << format << " " << (c.layout ? c.layout : "");
  }
  // Output layouts, luma against the source: 8-bit grey came out a pixel off, and a zoomed
  // one zoom pixels off its grey RGB. The 256-colour layouts quantise too coarsely for a
  // floor worth having.
  const std::string avi = Scratch("r.avi");
  ASSERT_EQ(RunKvtcProgram({"encode", reference, "-o", avi, "-q"}).status, 0);
  const auto decode = [&](std::vector<std::string> options, const std::string& name) {
    options.insert(options.begin(), {"decode", avi, "-o", Scratch(name), "-q"});
    EXPECT_EQ(RunKvtcProgram(options).status, 0) << name;
    return Scratch(name);
  };
  for (const auto& [layout, floorDb] :
       {std::pair{"rgb555", 36.0}, {"yuy2", 38.0}, {"gray8", 38.0}, {"gray4", 30.0}}) {
    EXPECT_GE(testing::FfmpegPsnr(reference, decode({"--output-format", layout}, "o.y4m")),
              floorDb)
        << layout;
  }
  EXPECT_GE(testing::FfmpegPsnr(decode({"--show-gray", "--zoom", "4"}, "grey.y4m"),
                                decode({"--output-format", "gray8", "--zoom", "4"}, "g8.y4m")),
            40.0);
}

TEST_F(PictureLevels, BlackGreyAndWhiteKeepTheirLevelsThroughEveryOutputLayoutAndFile) {
  // Four bands, 16 pixels wide each: black, dark grey, mid grey and white.
  const std::string bands = testing::MakeClip(
      systemDir_.path(), "bands.y4m",
      "nullsrc=s=64x16:r=15,format=gray,geq=lum=if(lt(X\\,16)\\,0\\,if(lt(X\\,32)\\,64\\,"
      "if(lt(X\\,48)\\,128\\,255)))",
      2);
  ASSERT_EQ(RunKvtcProgram({"encode", bands, "-o", Scratch("b.avi"), "-q"}).status, 0);
  // Each layout into one kind of file, every kind at least twice: the levels a player shows
  // depend on both the layout and the range tag of the container.
  struct Layout {
    std::vector<std::string> options;
    const char* kind;
    int greyTolerance;  // what the layout's own quantisation allows at the greys; -1: none
    int endTolerance;   // at black and white
  };
  const Layout layouts[] = {
      {{"--output-format", "rgb24"}, "mp4", 2, 2},   {{"--output-format", "rgb555"}, "png", 6, 2},
      {{"--output-format", "yuy2"}, "mkv", 2, 2},    {{"--output-format", "gray8"}, "avi", 2, 2},
      {{"--show-gray"}, "y4m", 2, 2},                {{"--output-format", "gray4"}, "mp4", 3, 2},
      {{"--output-format", "yuy2"}, "avi", 2, 2},    {{"--output-format", "gray8"}, "mkv", 2, 2},
      {{"--output-format", "rgb24"}, "y4m", 2, 2},
      // 256-colour palettes: the codec's 3-3-2 white is (252, 252, 255), and the cube
      // dithers mid grey.
      {{"--output-format", "pal332"}, "png", -1, 4}, {{"--output-format", "cube"}, "mp4", -1, 2},
  };
  for (const Layout& l : layouts) {
    const std::string out = Scratch(std::string("o.") + l.kind);
    std::vector<std::string> args = {"decode", Scratch("b.avi"), "-o", out, "-q"};
    args.insert(args.end(), l.options.begin(), l.options.end());
    const std::string what = l.options.back() + " into ." + l.kind;
    ASSERT_EQ(RunKvtcProgram(args).status, 0) << what;
    // ffmpeg turns the file into RGB as a player would, honouring its range tag.
    const auto r = testing::Run("ffmpeg -v error -i '" + out +
                                "' -frames:v 1 -pix_fmt rgb24 -f rawvideo - | od -An -tu1 -v "
                                "-j 1536 -N 192");
    std::istringstream text(r.out);
    const std::vector<int> row{std::istream_iterator<int>(text), {}};
    ASSERT_EQ(row.size(), 192u) << what << r.out;
    // The green in the middle of each band, on row 8.
    EXPECT_NEAR(row[3 * 8 + 1], 0, l.endTolerance) << what << ": black";
    EXPECT_NEAR(row[3 * 56 + 1], 255, l.endTolerance) << what << ": white";
    if (l.greyTolerance >= 0) {
      EXPECT_NEAR(row[3 * 24 + 1], 64, l.greyTolerance) << what << ": dark grey";
      EXPECT_NEAR(row[3 * 40 + 1], 128, l.greyTolerance) << what << ": mid grey";
    }
  }
}

TEST_F(PictureLevels, EveryPresetDecodesCloseToTheSourceWithTheKeyFramesAskedFor) {
  const std::string clip =
      testing::MakeClip(systemDir_.path(), "src.y4m", "testsrc2=size=160x120:rate=15", 20);
  std::vector<bool> keys(20, false);
  keys[0] = keys[10] = true;
  for (const auto& [preset, floorDb] : {std::pair{"lan", 28.0}, {"isdn", 26.0}, {"modem", 24.0}}) {
    const std::string avi = Scratch(std::string(preset) + ".avi");
    ASSERT_EQ(RunKvtcProgram({"encode", clip, "-o", avi, "--preset", preset, "--keyint", "10",
                              "-q"}).status, 0);
    EXPECT_EQ(testing::ProbeVideo(avi, false, true).keys, keys) << preset;
    ASSERT_EQ(RunKvtcProgram({"decode", avi, "-o", Scratch("p.y4m"), "-q"}).status, 0);
    EXPECT_GE(testing::FfmpegPsnr(clip, Scratch("p.y4m")), floorDb) << preset;
  }
}

TEST_F(PictureLevels, AStillPalettisedPictureCostsAboutWhatItsRgbCosts) {
  const std::string bars = testing::MakeClip(systemDir_.path(), "bars.nut",
                                             "smptebars=size=160x120:rate=15", 10, "rgb24");
  std::uintmax_t bytes[2];
  for (int i : {0, 1}) {
    const std::string avi = Scratch(i ? "pal8.avi" : "rgb24.avi");
    ASSERT_EQ(RunKvtcProgram({"encode", bars, "-o", avi, "--input-format", i ? "pal8" : "rgb24",
                              "-q"}).status, 0);
    bytes[i] = std::filesystem::file_size(avi);
  }
  // After the first frame a still picture has nothing to code but the rolling refresh.
  EXPECT_LE(bytes[1], bytes[0] * 3 / 2);
}

}  // namespace
}  // namespace kvtc::tool
