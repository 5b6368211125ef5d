// The kvtc commands as a user runs them: help, usage errors (exit 1), input and output errors
// (exit 2) with one message naming the file, `info`, and `config`. The tables run the tool in
// this process; a few cases run the built program to show it behaves the same.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "kvtc/settings_dialogs.h"
#include "settings/settings_record.h"
#include "tool_test_support.h"

namespace kvtc::tool {
namespace {

using testing::RunKvtcHere;
using testing::RunKvtcProgram;
using testing::ToolTest;

TEST_F(ToolTest, HelpForTheToolAndEveryCommand) {
  for (const char* command : {"", "encode", "decode", "info", "config", "demo"}) {
    const auto r = *command ? RunKvtcProgram({command, "--help"}) : RunKvtcProgram({"--help"});
    EXPECT_EQ(r.status, 0) << command;
    EXPECT_EQ(r.out.rfind(std::string("Usage: kvtc ") + (*command ? command : "COMMAND"), 0), 0u)
        << r.out;
    EXPECT_TRUE(r.err.empty()) << r.err;
  }
}

TEST_F(ToolTest, UsageErrorsExitOneWithOneMessage) {
  const std::string y4m = Scratch("in.y4m");
  std::ofstream(y4m) << "YUV4MPEG2 W64 H48 F15:1 Ip A1:1 C420jpeg\n";
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const Case cases[] = {
      {{}, "Usage: kvtc COMMAND"},
      {{"frobnicate"}, "kvtc: unknown command 'frobnicate'"},
      {{"encode"}, "kvtc encode: give exactly one INPUT"},
      {{"encode", "in.y4m"}, "kvtc encode: give the AVI to write with -o OUT.avi"},
      {{"encode", "in.y4m", "-o", "o.avi", "--radius", "3"},
       "kvtc encode: --radius must be 0, 2, 4, 8 or 16 (got 3)"},
      {{"encode", "in.y4m", "-o", "o.avi", "--quality", "5", "--threshold", "3"},
       "--quality and --threshold cannot be given together"},
      {{"encode", "in.y4m", "-o", "o.avi", "--size", "64x48"},
       "raw input needs both --size and --pix-fmt"},
      {{"encode", "in.y4m", "-o", "o.avi", "--size", "64x48", "--pix-fmt", "nv99"},
       "FFmpeg knows no pixel format 'nv99'"},
      {{"encode", "in.y4m", "-o", "o.avi", "--input-format", "rgb16"},
       "--input-format must be rgb24, rgb32"},
      {{"encode", "in.y4m", "-o", "-"}, "the AVI must go to a file"},
      {{"encode", "in.y4m", "-o", "x.mp4"}, "-o x.mp4: the codec's frames are stored in AVI files only"},
      {{"encode", y4m, "-o", "o.avi", "--size", "64x48", "--pix-fmt", "gray"},
       "--size and --pix-fmt are for raw frames, and " + y4m + " is YUV4MPEG"},
      {{"decode", "x.avi", "-o", "y.y4m", "--zoom", "2", "--output-format", "yuy2"},
       "--zoom works with the rgb32, rgb24, rgb555, gray8, pal332 and cube outputs, not yuy2"},
      {{"decode", "x.avi", "-o", "y.y4m", "--interp", "3"}, "--interp must be 1, 2 or 4"},
      {{"decode", "x.avi", "-o", "y.y4m", "--gamma", "3"},
       "--gamma must be between 0.5 and 2 (got 3)"},
      {{"decode", "x.avi"}, "give where the pictures go with -o OUT"},
      {{"info"}, "kvtc info: give exactly one INPUT.avi"},
      {{"info", "x.avi", "--verbose"}, "unknown option '--verbose'"},
      {{"config", "--radius", "5"}, "--radius must be 0, 2, 4, 8 or 16 (got 5)"},
      {{"config", "--gamma", "1.8"}, "--gamma must be between 0.5 and 1.5 (got 1.8)"},
      {{"config", "--lossless-luma", "yes"}, "--lossless-luma must be off or on (got 'yes')"},
      {{"demo", "--frames", "1"}, "--frames must be between 2 and 3000"},
      {{"decode", "x.avi", "-o", "y.y4m", "-x"}, "unknown option '-x'"},
      {{"encode", "in.y4m", "-o", "o.avi", "--radius"}, "--radius needs a value"},
      {{"encode", "in.y4m", "-o", "o.avi", "--radius=4x"}, "--radius needs a whole number, not '4x'"},
      {{"decode", "x.avi", "-o", "y.y4m", "--sharpen=yes"}, "--sharpen takes no value"},
      {{"decode", "x.avi", "-o", "y.y4m", "--gamma", "nan"}, "--gamma needs a number, not 'nan'"},
      {{"encode", "in.y4m", "-o", "o.avi", "--size", "0x48", "--pix-fmt", "gray"}, "(got '0x48')"},
      {{"encode", "in.y4m", "-o", "o.avi", "--size", "320x", "--pix-fmt", "gray"}, "(got '320x')"},
  };
  for (const Case& c : cases) {
    const auto r = RunKvtcHere(c.args);
    EXPECT_EQ(r.status, 1) << c.message;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
}

TEST_F(ToolTest, BadInputsExitTwoNamingTheFileAndTheProblem) {
  const std::string text = Scratch("text.avi");
  std::ofstream(text) << "plain text, not a video";
  const std::string cinepak = Scratch("cinepak.avi");
  AviVideoInfo cvid = testing::KvtStream();
  cvid.format.header().biCompression = MakeFourcc("cvid");
  testing::WriteAvi(cinepak, cvid, {{1, 2, 3}}, {true});
  const std::string good = Scratch("good.avi");
  const std::vector<std::uint8_t> still = testing::MakeKvtFrame({1}, {}, {}, {});
  testing::WriteAvi(good, testing::KvtStream(), {still, still, still, still},
                    {true, false, false, false});
  const std::string missing = Scratch("missing.y4m");
  const std::string out = Scratch("out.y4m");

  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const Case cases[] = {
      {{"encode", missing, "-o", Scratch("o.avi")}, missing + ": cannot open: No such file"},
      {{"encode", text, "-o", Scratch("o.avi")}, text + ": cannot open"},
      {{"decode", Scratch("none.avi"), "-o", out}, Scratch("none.avi") + ": cannot open"},
      {{"decode", text, "-o", out}, text + ": not an AVI file (no RIFF header)"},
      {{"decode", cinepak, "-o", out}, cinepak + ": its video is 'cvid', not a KVT Codec stream"},
      {{"decode", good, "-o", Scratch("no/such/dir/out.y4m")}, "no/such/dir/out.y4m: cannot"},
      {{"encode", good, "-o", Scratch("o.avi")},
       good + ": it is already KVT Codec video; decode it with 'kvtc decode"},
      {{"encode", "-", "-o", Scratch("o.avi")}, "standard input: empty or not a Y4M stream"},
      // The settings cannot be saved in a "folder" that is a file.
      {{"config", "--preset", "modem"}, text + "/KVTC.cfg: cannot save the settings: Not a dir"},
  };
  for (const Case& c : cases) {
    if (c.args[0] == "config") setenv("KVTC_SYSTEM_DIR", text.c_str(), 1);
    const auto r = RunKvtcHere(c.args, "/dev/null");
    setenv("KVTC_SYSTEM_DIR", systemDir_.path().c_str(), 1);
    EXPECT_EQ(r.status, 2) << c.message;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_FALSE(std::filesystem::exists(Scratch("o.avi")));
}

// The words of the line of `info` output that describes frame `index`.
std::vector<std::string> FrameLine(const std::string& out, std::size_t index) {
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(line);
    std::vector<std::string> w{std::istream_iterator<std::string>(words), {}};
    if (!w.empty() && w[0] == std::to_string(index)) return w;
  }
  return {};
}

TEST_F(ToolTest, TheBuiltProgramAnswersTheSameWay) {
  auto r = RunKvtcProgram({"encode", "in.y4m", "-o", "o.avi", "--filter", "blur"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "kvtc encode: --filter must be none, median or smooth (got 'blur')\n"
                   "Try 'kvtc encode --help'.\n");
  r = RunKvtcProgram({"info", Scratch("absent.avi")});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "kvtc info: " + Scratch("absent.avi") + ": cannot open: No such file or directory\n");
}

TEST_F(ToolTest, InfoNumbersAgreeWithTheFrames) {
  const std::string avi = Scratch("info.avi");
  const std::vector<std::vector<std::uint8_t>> frames = {
      testing::MakeKvtFrame({0x13, 128, 0}, {1, 2, 3, 4, 5}, {0xFF, 0x0F}, {1, 2, 3}),
      testing::MakeKvtFrame({0x32, 255, 16, 7}, {9}, {0}, {}),
      testing::MakeKvtFrame({0x48}, {}, {1}, {1}, 0x77),
      testing::MakeKvtFrame({0x1C, 1, 0}, {}, {}, {}),
      {}};
  testing::WriteAvi(avi, testing::KvtStream(), frames, {true, false, false, false, false});
  const auto r = RunKvtcHere({"info", avi});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.out.find("  video              160x120 'Kvt1'"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  rate               15/1 = 15.000 frames a second"), std::string::npos);
  EXPECT_NE(r.out.find("  frames             5\n"), std::string::npos);
  using W = std::vector<std::string>;
  // frame, bytes, index key, flags, period, radius, phase, L1, L2, L3, checksum
  EXPECT_EQ(FrameLine(r.out, 0), (W{"0", "18", "K", "KL...", "128", "0", "0", "5", "2", "3", "ok"}));
  EXPECT_EQ(FrameLine(r.out, 1), (W{"1", "11", "-", ".L...", "255", "16", "7", "1", "1", "0", "ok"}));
  EXPECT_EQ(FrameLine(r.out, 2), (W{"2", "8", "-", "...GP", "0", "0", "-", "0", "1", "1", "FAILED"}));
  EXPECT_EQ(FrameLine(r.out, 3), (W{"3", "8", "-", "..CG.", "1", "0", "0", "0", "0", "0", "ok"}));
  EXPECT_EQ(FrameLine(r.out, 4), (W{"4", "0", "-", "repeat"}));  // an empty chunk
  EXPECT_NE(r.out.find("summary: 5 frames, 1 key (1 marked key in the index), 45 bytes"),
            std::string::npos) << r.out;
  EXPECT_NE(r.err.find(avi + ": 1 damaged frame, first 2 (FAILED)"), std::string::npos) << r.err;

  const auto summary = RunKvtcHere({"info", avi, "--summary"});
  EXPECT_TRUE(FrameLine(summary.out, 0).empty()) << summary.out;
  EXPECT_NE(summary.out.find("summary: 5 frames"), std::string::npos);
}

TEST_F(ToolTest, ConfigShowsTheSavedSettings) {
  auto r = RunKvtcHere({"config"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("not written yet: the LAN preset applies"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("threshold          8"), std::string::npos);

  const settings::SettingsRecord modem = settings::PresetRecord(settings::Preset::Modem);
  kvtc::testing::WriteFileBytes(systemDir_.File("KVTC.cfg"), &modem, sizeof modem);
  r = RunKvtcHere({"config"});
  for (const char* line : {"preset             Modem", "threshold          12",
                           "refresh period     255 frames", "filter             median",
                           "search radius      16 pixels", "gamma              1.00"}) {
    EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
  }
}

settings::SettingsRecord SavedFile(const std::string& path) {
  settings::SettingsRecord r{};
  const auto bytes = kvtc::testing::ReadFileBytes(path);
  EXPECT_EQ(bytes.size(), sizeof r);
  std::memcpy(&r, bytes.data(), std::min(bytes.size(), sizeof r));
  return r;
}

TEST_F(ToolTest, ConfigChangesTheFileThroughTheCodecsDialogs) {
  // A preset, then manual settings through the Compressor and Decompressor dialogs.
  const auto r = RunKvtcHere({"config", "--preset", "isdn", "--refresh-percent", "100",
                              "--filter", "smooth", "--radius", "8", "--send", "gray",
                              "--lossless-luma", "off", "--lossless-chroma", "on", "--gamma",
                              "1.2", "--display", "gray"});
  ASSERT_EQ(r.status, 0) << r.err;
  const settings::SettingsRecord manual = SavedFile(systemDir_.File("KVTC.cfg"));
  EXPECT_EQ(manual.bRefreshPeriod, 1);
  EXPECT_EQ(manual.bLosslessLuma, 0);
  EXPECT_EQ(manual.bLosslessChroma, 1);
  EXPECT_EQ(manual.bSearchRadius, 8);
  EXPECT_EQ(manual.bFlags, settings::SF_VARIANT | settings::SF_SMOOTH | settings::SF_SENDGRAY |
                               settings::SF_SHOWGRAY);
  EXPECT_EQ(manual.flGamma, 1.2f);
  EXPECT_EQ(manual.bThreshold, 8);
  EXPECT_NE(r.out.find("preset             none (changed by hand)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("gamma              1.20"), std::string::npos) << r.out;

  // Every refresh percentage lands on a slider position whose display shows it.
  for (int percent = 0; percent <= 100; ++percent) {
    const int p = RefreshSliderPosition(percent);
    EXPECT_EQ(static_cast<int>(p * 0.3921568627450981 + 0.5), percent) << percent;
  }
}

}  // namespace
}  // namespace kvtc::tool
