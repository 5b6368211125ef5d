// The tool's AVI writer and reader: what one writes the other reads back, and damaged files
// are named for what is wrong with them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "kvtc/avi_reader.h"
#include "kvtc/avi_writer.h"
#include "kvtc/tool_errors.h"
#include "tool_test_support.h"

namespace kvtc::tool {
namespace {

using testing::ToolTest;

AviVideoInfo KvtStream(std::uint32_t rateNum = 15, std::uint32_t rateDen = 1) {
  AviVideoInfo info;
  BITMAPINFOHEADER& h = info.format.header();
  h.biWidth = 160;
  h.biHeight = 120;
  h.biPlanes = 1;
  h.biBitCount = 24;
  h.biCompression = MakeFourcc("Kvt1");
  h.biSizeImage = 28800;
  info.handler = MakeFourcc("KVTC");
  info.rateNum = rateNum;
  info.rateDen = rateDen;
  info.codecState.assign(38, 0);
  info.codecState[0] = 'K';
  info.name = "KVT Codec";
  return info;
}

// Frames of odd and even sizes whose bytes tell them apart.
std::vector<std::vector<std::uint8_t>> Payloads(int n) {
  std::vector<std::vector<std::uint8_t>> frames;
  for (int i = 0; i < n; ++i) frames.emplace_back(7 + 3 * i, static_cast<std::uint8_t>(i + 1));
  return frames;
}

void WriteAvi(const std::string& path, const std::vector<bool>& keys, AviVideoInfo info = KvtStream()) {
  AviWriter w(path, std::move(info));
  const auto payloads = Payloads(static_cast<int>(keys.size()));
  for (std::size_t i = 0; i < keys.size(); ++i) w.WriteFrame(payloads[i], keys[i]);
  w.Finish();
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
  WriteAvi(path, keys, KvtStream(30000, 1001));

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

TEST_F(ToolTest, AnUnfinishedAviLeavesNothingBehind) {
  const std::string path = Scratch("unfinished.avi");
  {
    AviWriter w(path, KvtStream());
    w.WriteFrame(Payloads(1)[0], true);
  }
  EXPECT_FALSE(std::filesystem::exists(path));
  for (const auto& entry : std::filesystem::directory_iterator(systemDir_.path())) {
    EXPECT_EQ(entry.path().string().find("unfinished"), std::string::npos) << entry.path();
  }
}

TEST_F(ToolTest, CutAndForeignRiffFilesGiveClearErrors) {
  const std::string good = Scratch("good.avi");
  WriteAvi(good, {true, false, false, false, false});
  const auto size = std::filesystem::file_size(good);

  // Cut inside the third frame: two frames complete, the file reported truncated.
  const std::string cut = Scratch("cut.avi");
  {
    AviReader r(good);
    const std::uint64_t third = r.Frames()[2].offset;
    Truncate(good, cut, third + 3);
  }
  const AviReader truncated(cut);
  EXPECT_TRUE(truncated.Truncated());
  EXPECT_EQ(truncated.Frames().size(), 2u);
  EXPECT_EQ(ErrorOf(cut), cut + ": truncated: the file ends after 2 of 5 frames");

  // Without its index: every frame is there, but the file is still short of its length.
  const std::string noIndex = Scratch("noindex.avi");
  Truncate(good, noIndex, size - (8 + 16 * 5));
  const AviReader unindexed(noIndex);
  EXPECT_EQ(unindexed.Frames().size(), 5u);
  EXPECT_FALSE(unindexed.HasIndex());
  EXPECT_FALSE(unindexed.Frames()[0].indexKey.has_value());

  const std::string headersOnly = Scratch("headers.avi");
  Truncate(good, headersOnly, 100);
  EXPECT_NE(ErrorOf(headersOnly).find("truncated"), std::string::npos) << ErrorOf(headersOnly);

  const std::string wave = Scratch("sound.avi");
  std::ofstream(wave) << std::string("RIFF\x04\0\0\0WAVE", 12);
  EXPECT_EQ(ErrorOf(wave), wave + ": not an AVI file (a RIFF 'WAVE' file)");
}

}  // namespace
}  // namespace kvtc::tool
