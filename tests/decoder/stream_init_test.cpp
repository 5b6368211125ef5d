#include "decoder/stream_init.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "decoder/error_log.h"
#include "support/host.h"

namespace kvtc::decoder {
namespace {

settings::SettingsRecord Settings(std::uint32_t w, std::uint32_t h) {
  settings::SettingsRecord s = settings::PresetRecord(settings::Preset::Lan);
  s.dwWidth = w;
  s.dwHeight = h;
  return s;
}

struct ContextDeleter {
  void operator()(stream::CodecContext* c) const { stream::FreeContext(c); }
};
using ContextPtr = std::unique_ptr<stream::CodecContext, ContextDeleter>;

class StreamInitTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::CloseErrorLog(); }
  void TearDown() override { testing::CloseErrorLog(); }
  kvtc::testing::ScopedSystemDir dir_;
  ContextPtr context_{stream::CreateContext()};
};

TEST_F(StreamInitTest, SetsUpPlanesOfGreyBuffersAndTablesForTheCodedSize) {
  context_->decimation = 4;
  auto s = Settings(160, 120);
  s.bSearchRadius = 8;
  s.bRefreshPeriod = 30;
  ASSERT_TRUE(StartDecoderStream(*context_, s));
  const stream::DecoderState& d = context_->dec;
  EXPECT_EQ(d.frameCounter, 0u);
  EXPECT_EQ(d.geometry.frameWidth, 160u);
  EXPECT_EQ(d.geometry.width, 40u);
  EXPECT_EQ(d.geometry.height, 24u);
  EXPECT_EQ(d.offsets.luma[2][3], 2 * 41 + 3);
  EXPECT_EQ(d.searchRadius, 8u);
  EXPECT_EQ(d.refreshPeriod, 30u);
  for (const auto* planes : {&d.current, &d.reference}) {
    ASSERT_EQ(planes->size(), d.geometry.planeSetSize);
    EXPECT_TRUE(std::ranges::all_of(planes->span(), [](auto v) { return v == 128; }));
  }
  EXPECT_EQ(d.updateMap.size(), (8u * 3 + 4) * 44);
  EXPECT_EQ(d.output.size(), 40u * 24 * 4);
  EXPECT_EQ(d.previousOutput.size(), 40u * 24 * 4);
  EXPECT_EQ(d.expansion.size(), kExpansionBytes);
  EXPECT_TRUE(context_->tables.halfSum && context_->tables.quarterSum &&
              context_->tables.triple && context_->tables.unpack4High);
  // The log is open: a line goes to this test's system directory.
  LogChecksumFailure(4);
  EXPECT_FALSE(kvtc::testing::ReadFileBytes(dir_.File("KVTC.err")).empty());
}

TEST_F(StreamInitTest, RefusesSizesItCannotHold) {
  for (auto [w, h] : {std::pair{0u, 120u}, {160u, 0u}, {8193u, 8u}, {8u, 8193u},
                      {0xFFFFFFFFu, 0xFFFFFFFFu}}) {
    EXPECT_FALSE(StartDecoderStream(*context_, Settings(w, h))) << w << "x" << h;
    EXPECT_EQ(context_->dec.frameCounter, 0u);
  }
}

TEST_F(StreamInitTest, OutOfMemoryLeavesTheStreamToStartAgain) {
  platform::testing::FailAllocationsAfter(3);
  EXPECT_FALSE(StartDecoderStream(*context_, Settings(64, 48)));
  platform::testing::FailAllocationsAfter(-1);
  EXPECT_TRUE(StartDecoderStream(*context_, Settings(64, 48)));
}

}  // namespace
}  // namespace kvtc::decoder
