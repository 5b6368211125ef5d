// Frame inspection as `kvtc info` and the decoder sessions use it: what it trusts and the
// problems it names. The header parsing and the checksum under it are the stream's own, and
// tested there.
#include "host/frame_inspection.h"

#include <gtest/gtest.h>

#include <vector>

#include "tool_test_support.h"

namespace kvtc::tool {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(FrameInspection, OnlyWholeFramesThatPassTheChecksumAreTrusted) {
  Bytes good = testing::MakeKvtFrame({0x13, 7, 2}, {1, 2, 3, 4}, {5, 6}, {7});
  ASSERT_TRUE(host::InspectFrame(good).Decodable());
  EXPECT_EQ(host::InspectFrame({}).problem, "empty frame");
  // Cut inside the phase byte, the sample length, the samples and the block bits.
  for (std::size_t cut : {2u, 5u, 8u, 12u}) {
    const host::FrameInspection f = host::InspectFrame(Bytes(good.begin(), good.begin() + cut));
    EXPECT_FALSE(f.WellFormed()) << cut;
    EXPECT_EQ(f.problem, "shorter than its header and section lengths announce") << cut;
  }
  good[good.size() - 2] ^= 0x01;  // the refinement byte
  const host::FrameInspection f = host::InspectFrame(good);
  EXPECT_TRUE(f.WellFormed());
  EXPECT_FALSE(f.checksumOk);
  EXPECT_FALSE(f.Decodable());
  // Large lossless pictures need more refinement bytes than a 16-bit length could count.
  const Bytes large = testing::MakeKvtFrame({0x03}, {}, {}, Bytes(70000, 1));
  EXPECT_EQ(host::InspectFrame(large).refinementBytes, 70000u);
}

}  // namespace
}  // namespace kvtc::tool
