// Frame layout, header parsing, checksum, motion-vector code and the section cursors.
#include "stream/frame_format.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "stream/bit_reader.h"
#include "stream/bit_writer.h"
#include "stream/literal_reader.h"

namespace kvtc::stream {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(FrameHeader, SplitsSectionsChecksumsBitSectionsOnlyAndRefusesShortFrames) {
  Bytes frame{0x30, 7, 4, 5, 1, 0, 77, 1, 0, 200, 100, 6, 306 % 256};
  auto h = ParseFrameHeader(frame);
  ASSERT_TRUE(h);
  EXPECT_EQ(std::tuple(h->refreshPeriod, h->searchRadius, h->refreshPhase, h->headerSize),
            std::tuple(7u, 4u, 5u, 4u));
  EXPECT_EQ(std::tuple(h->samples.size(), h->blockBits.size(), h->refinementBits.size()),
            std::tuple(1u, 1u, 2u));
  EXPECT_TRUE(ChecksumMatches(*h));
  frame[2] = frame[6] = 0;  // radius and sample are not covered
  EXPECT_TRUE(ChecksumMatches(*ParseFrameHeader(frame)));
  frame[10] = 101;
  EXPECT_FALSE(ChecksumMatches(*ParseFrameHeader(frame)));
  // A picture without blocks: the header, two empty lengths and a checksum of 0.
  EXPECT_TRUE(ChecksumMatches(*ParseFrameHeader(Bytes{0x10, 0, 0, 0, 0, 0, 0})));
  for (const Bytes& f : {Bytes{}, Bytes{0x10, 3}, Bytes{0x00, 0, 0, 0, 0},
                         Bytes{0, 0xFF, 0xFF, 0, 0, 0}, Bytes{0x00, 0, 0, 2, 0, 1, 1}}) {
    EXPECT_FALSE(ParseFrameHeader(f)) << f.size();
  }
}

TEST(FrameHeader, WrittenFramesParseBackWithLongRefinementSectionsWhole) {
  Bytes samples(300, 9), blockBits(5, 1), refinement(70000, 3), frame(70400);
  ByteWriter out{frame};
  WriteFrameHeader(out, kFlagKey | kFlagRefreshPeriod | kFlagSearchRadius, 5, 8, 2);
  EXPECT_TRUE(WriteSampleSection(out, samples));
  EXPECT_TRUE(WriteFrameTail(out, blockBits, refinement));
  EXPECT_EQ(out.position, 4 + 2 + 300 + 2 + 5 + 70000 + 1u);
  const auto h = ParseFrameHeader(out.Written());
  ASSERT_TRUE(h);
  EXPECT_EQ(h->refinementBits.size(), 70000u);
  EXPECT_TRUE(ChecksumMatches(*h));
  EXPECT_EQ(h->motion.bits, 5u);
  EXPECT_EQ(h->motion.centre, 16u);
  const Bytes tooLong(0x10000);
  EXPECT_FALSE(WriteSampleSection(out, tooLong));
  EXPECT_FALSE(WriteFrameTail(out, tooLong, {}));
}

TEST(MotionVector, CodeLengthCentreAndChromaComponent) {
  // radius, K and B with lossless luma, K and B without
  const std::uint32_t cases[][5] = {
      {0, 0, 0, 0, 0},   {1, 3, 4, 2, 2},    {2, 4, 8, 3, 4},     {4, 5, 16, 4, 8},
      {8, 6, 32, 5, 16}, {16, 7, 64, 6, 32}, {32, 8, 128, 7, 64}, {255, 11, 1020, 10, 510}};
  for (const auto& c : cases) {
    EXPECT_EQ(ComputeMotionParameters(c[0], true).bits, c[1]) << c[0];
    EXPECT_EQ(ComputeMotionParameters(c[0], true).centre, c[2]) << c[0];
    EXPECT_EQ(ComputeMotionParameters(c[0], false).bits, c[3]) << c[0];
    EXPECT_EQ(ComputeMotionParameters(c[0], false).centre, c[4]) << c[0];
  }
  const std::uint32_t luma[] = {16, 17, 18, 19, 20, 13, 0, 11},
                      chroma[] = {8, 8, 9, 10, 10, 6, 0, 6};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(ChromaComponent(luma[i], 16), chroma[i]) << luma[i];
}

TEST(SectionCursors, WritersClearStaleBytesAndReadersStopAtTheSectionEnd) {
  Bytes buffer{0xFF, 0xFF};
  BitWriter w{buffer};
  w.WriteBits(0b1011, 4);
  w.WriteBits(0x1F3, 9);
  EXPECT_EQ(buffer, (Bytes{0x3B, 0x1F}));  // least significant bit first
  BitReader r{buffer};
  EXPECT_EQ(r.ReadBits(16), 0x1F3Bu);
  EXPECT_EQ(r.ReadBits(8), 0u);
  LiteralReader packed{buffer, true};
  for (const int level : {204, 68, 238, 0, 0}) EXPECT_EQ(packed.Read(), level);
  EXPECT_TRUE(r.overrun && packed.overrun);
}

}  // namespace
}  // namespace kvtc::stream
