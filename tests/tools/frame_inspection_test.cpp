// Frame inspection beyond what `kvtc info` shows: the checksum's coverage, frames cut short
// anywhere, and refinement sections longer than a length field could count.
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
