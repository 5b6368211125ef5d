// Frame assembly: byte layout, lengths, packing of 4-bit literals and the checksum.
#include "encoder/frame_assembly.h"

#include <gtest/gtest.h>

#include <vector>

#include "stream/frame_format.h"

namespace kvtc::encoder {
namespace {

struct Tables {
  stream::ArithmeticTables t;
  Tables() { stream::BuildNibbleTables(t); }
};

TEST(FrameAssembly, PackedLiteralsHoldTwoLevelsPerByteAndPadAnOddCount) {
  Tables tables;
  std::vector<std::uint8_t> literals{255, 0, 17, 136, 34};
  ASSERT_EQ(PackGrey4Samples(literals, literals.size(), tables.t), 3u);
  EXPECT_EQ(literals[0], 0x0F);  // 255 -> 0, 0 -> 15
  EXPECT_EQ(literals[1], 0xE7);  // 17 -> 14, 136 -> 7
  EXPECT_EQ(literals[2], 0xD0);  // 34 -> 13, low half unused
}

TEST(FrameAssembly, LayoutLengthsAndChecksumReadBack) {
  Tables tables;
  std::vector<std::uint8_t> literals{1, 2, 3};
  const std::vector<std::uint8_t> blockBits{0x81, 0xFF};
  const std::vector<std::uint8_t> refinementBits{0x02, 0x03, 0x04};
  const FrameHeaderFields header{stream::kFlagRefreshPeriod | stream::kFlagSearchRadius, 7, 4, 2};
  EXPECT_EQ(header.Encode().size, 4u);
  std::vector<std::uint8_t> out(64, 0xEE);
  const std::size_t size = AssembleFrame(out, header, literals, false, blockBits, refinementBits,
                                         tables.t);
  const std::vector<std::uint8_t> expected{0x30, 7, 4, 2, 3, 0, 1, 2, 3, 2, 0, 0x81, 0xFF,
                                           2, 3, 4, (0x81 + 0xFF + 2 + 3 + 4) & 0xFF};
  ASSERT_EQ(size, expected.size());
  EXPECT_EQ(std::vector<std::uint8_t>(out.begin(), out.begin() + size), expected);
  EXPECT_EQ(out[size], 0xEE);

  const auto parsed = stream::ParseFrameHeader(std::span(out).first(size));
  ASSERT_TRUE(parsed);
  EXPECT_TRUE(stream::ChecksumMatches(*parsed));
}

TEST(FrameAssembly, NeverWritesPastTheOutput) {
  Tables tables;
  std::vector<std::uint8_t> literals(10, 9);
  std::vector<std::uint8_t> out(12, 0xEE);
  std::span<std::uint8_t> room(out.data(), 8);
  EXPECT_EQ(AssembleFrame(room, {}, literals, false, {}, {}, tables.t), 0u);
  EXPECT_EQ(out[8], 0xEE);
}

}  // namespace
}  // namespace kvtc::encoder
