#include "host/frame_inspection.h"

#include <gtest/gtest.h>

#include <vector>

#include "tool_test_support.h"

namespace kvtc::tool {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Frame(Bytes header, Bytes samples, Bytes blockBits, Bytes refinement, int checksum = -1) {
  return testing::MakeKvtFrame(header, samples, blockBits, refinement, checksum);
}

TEST(FrameInspection, ReadsTheOptionalBytesTheFlagsAnnounce) {
  struct Case {
    Bytes header;
    unsigned period, radius;
    int phase;  // -1: none
  };
  const Case cases[] = {
      {{0x03}, 0, 0, -1},
      {{0x13, 128, 5}, 128, 0, 5},
      {{0x22, 16}, 0, 16, -1},
      {{0x32, 255, 8, 254}, 255, 8, 254},
      {{0x10, 0}, 0, 0, -1},  // a period byte of 0 carries no phase
  };
  for (const Case& c : cases) {
    const host::FrameInspection f =
        host::InspectFrame(Frame(c.header, {9, 9, 9}, {0xF0, 0x01}, {0x80}));
    ASSERT_TRUE(f.WellFormed()) << f.problem;
    EXPECT_EQ(f.period, c.period);
    EXPECT_EQ(f.radius, c.radius);
    EXPECT_EQ(f.phase ? static_cast<int>(*f.phase) : -1, c.phase);
    EXPECT_EQ(f.sampleBytes, 3u);
    EXPECT_EQ(f.blockBitBytes, 2u);
    EXPECT_EQ(f.refinementBytes, 1u);
    EXPECT_TRUE(f.checksumOk);
  }
}

TEST(FrameInspection, ChecksumCoversBothBitSectionsModulo256AndNothingElse) {
  Bytes frame = Frame({0x01}, {200, 200}, {0xFF, 0xFF}, {0x03});  // 0x201 -> 0x01
  EXPECT_EQ(frame.back(), 0x01);
  EXPECT_TRUE(host::InspectFrame(frame).checksumOk);
  frame[3] ^= 0x40;  // a sample byte: outside the checksum
  EXPECT_TRUE(host::InspectFrame(frame).checksumOk);
  frame[frame.size() - 2] ^= 0x01;  // the refinement byte
  const host::FrameInspection f = host::InspectFrame(frame);
  EXPECT_TRUE(f.WellFormed());
  EXPECT_FALSE(f.checksumOk);
  EXPECT_FALSE(f.Decodable());
}

TEST(FrameInspection, FlagsReadAsTheyAre) {
  const host::FrameInspection f = host::InspectFrame(Frame({0x4A}, {}, {}, {}));
  EXPECT_FALSE(f.Key());
  EXPECT_TRUE(f.Grey());
  EXPECT_TRUE(f.flags & stream::kFlagPacked);
  // A picture without blocks: header, two empty lengths and a zero checksum.
  EXPECT_EQ(Frame({0x01}, {}, {}, {}).size(), 6u);
  EXPECT_TRUE(host::InspectFrame(Frame({0x01}, {}, {}, {})).Decodable());
}

TEST(FrameInspection, FramesShorterThanTheirHeadersAnnounceAreNotTrusted) {
  const Bytes good = Frame({0x13, 7, 2}, {1, 2, 3, 4}, {5, 6}, {7});
  ASSERT_TRUE(host::InspectFrame(good).Decodable());
  EXPECT_EQ(host::InspectFrame({}).problem, "empty frame");
  // Cut inside the phase byte, the sample length, the samples and the block bits.
  for (std::size_t cut : {2u, 5u, 8u, 12u}) {
    const host::FrameInspection f = host::InspectFrame(Bytes(good.begin(), good.begin() + cut));
    EXPECT_FALSE(f.WellFormed()) << cut;
    EXPECT_EQ(f.problem, "shorter than its header and section lengths announce") << cut;
  }
}

TEST(FrameInspection, TheRefinementSectionRunsToTheChecksumHoweverLong) {
  // Large lossless pictures need more refinement bytes than a 16-bit length could count.
  const host::FrameInspection f = host::InspectFrame(Frame({0x03}, {}, {}, Bytes(70000, 1)));
  EXPECT_TRUE(f.Decodable());
  EXPECT_EQ(f.refinementBytes, 70000u);
}

}  // namespace
}  // namespace kvtc::tool
