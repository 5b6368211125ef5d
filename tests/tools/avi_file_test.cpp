// The tool's AVI writer and reader: what one writes the other reads back, and damaged files
// are named for what is wrong with them.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "kvtc/avi_reader.h"
#include "kvtc/avi_writer.h"
#include "kvtc/tool_errors.h"
#include "tool_test_support.h"

namespace kvtc::tool {
namespace {

using testing::ToolTest;

// Frames of odd and even sizes whose bytes tell them apart.
std::vector<std::vector<std::uint8_t>> Payloads(int n) {
  std::vector<std::vector<std::uint8_t>> frames;
  for (int i = 0; i < n; ++i) frames.emplace_back(7 + 3 * i, static_cast<std::uint8_t>(i + 1));
  return frames;
}

std::string ErrorOf(const std::string& path) {
  try {
    AviReader r(path);
    r.RequireComplete();
    r.RequireKvtStream();
  } catch (const IoError& e) {
    return e.what();
  }
  return "";
}

void Truncate(const std::string& from, const std::string& to, std::uintmax_t size) {
  std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
  std::filesystem::resize_file(to, size);
}

TEST_F(ToolTest, AviRoundTripKeepsFramesFlagsRateAndStoredState) {
  const std::string path = Scratch("round.avi");
  const std::vector<bool> keys = {true, false, false, true, false};
  testing::WriteAvi(path, testing::KvtStream(30000, 1001), Payloads(5), keys);

  const AviReader r(path);
  EXPECT_FALSE(r.Truncated());
  EXPECT_TRUE(r.HasIndex());
  EXPECT_TRUE(r.Warnings().empty()) << r.Warnings().front();
  EXPECT_EQ(r.DeclaredFrames(), 5u);
  EXPECT_EQ(r.Video().rateNum, 30000u);
  EXPECT_EQ(r.Video().rateDen, 1001u);
  EXPECT_EQ(r.Video().handler, MakeFourcc("KVTC"));
  EXPECT_EQ(r.Video().format.header().biCompression, MakeFourcc("Kvt1"));
  EXPECT_EQ(r.Video().format.header().biWidth, 160);
  EXPECT_EQ(r.Video().codecState.size(), 38u);
  EXPECT_EQ(r.Video().name, "KVT Codec");
  const auto payloads = Payloads(5);
  ASSERT_EQ(r.Frames().size(), 5u);
  for (std::size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(r.ReadFrame(i), payloads[i]) << i;
    EXPECT_EQ(r.Frames()[i].indexKey, keys[i]) << i;
  }
}

TEST_F(ToolTest, CutAndForeignRiffFilesGiveClearErrors) {
  const std::string good = Scratch("good.avi");
  testing::WriteAvi(good, testing::KvtStream(), Payloads(5), {true, false, false, false, false});

  const std::string headersOnly = Scratch("headers.avi");
  Truncate(good, headersOnly, 100);
  EXPECT_NE(ErrorOf(headersOnly).find("truncated"), std::string::npos) << ErrorOf(headersOnly);

  const std::string wave = Scratch("sound.avi");
  std::ofstream(wave) << std::string("RIFF\x04\0\0\0WAVE", 12);
  EXPECT_EQ(ErrorOf(wave), wave + ": not an AVI file (a RIFF 'WAVE' file)");
}

// The frames' md5 sums of a decoded file, as ffmpeg computes them.
std::vector<std::string> FrameSums(const std::string& path) {
  std::istringstream lines(testing::Run("ffmpeg -v error -i '" + path + "' -f framemd5 -").out);
  std::vector<std::string> sums;
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line[0] != '#') sums.push_back(line.substr(line.rfind(' ') + 1));
  }
  return sums;
}

// A real clip coded by the tool, cut and damaged: decode gives every frame that ffprobe's
// packet positions say is whole (or that the index still finds), each as the whole file
// decodes it, and one line naming the file and the byte where it broke.
TEST_F(ToolTest, DamagedAviDecodesEveryCompleteFrame) {
  const std::string footage = testing::Footage("tree.avi");
  if (footage.empty()) GTEST_SKIP() << "the camera clips are not installed";
  const std::string good = Scratch("good.avi"), out = Scratch("out.y4m");
  ASSERT_EQ(testing::RunKvtcProgram({"encode", footage, "-o", good, "--frames", "8", "--rate", "15", "-q"}).status,
            0);
  ASSERT_EQ(testing::RunKvtcProgram({"decode", good, "-o", out, "-q"}).status, 0);
  const std::vector<std::string> whole = FrameSums(out);
  std::vector<std::pair<std::size_t, std::size_t>> packets;  // data position, size
  std::istringstream probe(testing::Run("ffprobe -v error -select_streams v -show_entries "
                                        "packet=pos,size -of csv=p=0 '" + good + "'").out);
  for (std::size_t size, pos; probe >> size && probe.ignore() && probe >> pos;) {
    packets.push_back({pos, size});
  }
  ASSERT_EQ(whole.size(), 8u);
  ASSERT_EQ(packets.size(), 8u);
  std::ifstream in(good, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), {}};
  const std::size_t idx1 = bytes.rfind("idx1");
  std::string noIndex = bytes.substr(0, idx1), badIndex = bytes, badSize = bytes;
  const std::uint32_t riff = static_cast<std::uint32_t>(idx1 - 8), junk = 0x7FFFFFF0;
  std::memcpy(noIndex.data() + 4, &riff, 4);
  for (std::size_t e = idx1 + 24; e < bytes.size(); e += 32) {
    std::memcpy(badIndex.data() + e + 8, &junk, 4);  // every other entry points nowhere
  }
  std::memcpy(badSize.data() + packets[2].first - 4, &junk, 4);

  const std::size_t inFrame = packets[3].first + packets[3].second / 2;
  const std::size_t between = packets[5].first - 8;
  struct Case {
    std::string file;
    int status;
    std::string message;
  };
  const Case cases[] = {
      {bytes.substr(0, inFrame), 2,
       "truncated at byte " + std::to_string(inFrame) + ", inside frame 4"},
      {bytes.substr(0, between), 2,
       "truncated at byte " + std::to_string(between) + ", inside the 'movi' list"},
      {bytes.substr(0, bytes.size() - 20), 2,
       "truncated at byte " + std::to_string(bytes.size() - 20) + ", inside the index"},
      {badSize, 2,
       "damaged at byte " + std::to_string(packets[2].first - 8) + ": frame 3 of 2147483632 bytes"},
      {noIndex, 0, ""},
      {badIndex, 0, ""},
  };
  for (const Case& c : cases) {
    const std::string damaged = Scratch("damaged.avi");
    std::ofstream(damaged, std::ios::binary) << c.file;
    std::filesystem::remove(out);
    const auto r = testing::RunKvtcProgram({"decode", damaged, "-o", out, "-q"});
    EXPECT_EQ(r.status, c.status) << c.message << r.err;
    if (c.status) {
      const std::string last = r.err.substr(r.err.rfind('\n', r.err.size() - 2) + 1);
      EXPECT_EQ(last.rfind("kvtc decode: " + damaged + ": " + c.message, 0), 0u) << r.err;
      EXPECT_NE(testing::RunKvtcProgram({"info", damaged}).err.find(c.message), std::string::npos);
    }
    std::size_t complete = 0;  // every frame when the index finds those past the damage
    for (const auto& [pos, size] : packets) {
      complete += c.file == badSize || pos + size <= c.file.size();
    }
    const std::vector<std::string> sums = FrameSums(out);
    EXPECT_EQ(sums, std::vector<std::string>(whole.begin(), whole.begin() + complete)) << c.message;
  }
}

}  // namespace
}  // namespace kvtc::tool
