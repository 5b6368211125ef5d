// Frame layout, header parsing, checksum, motion-vector code and the section cursors.
#include "stream/frame_format.h"

#include <gtest/gtest.h>

#include <vector>

#include "stream/bit_reader.h"
#include "stream/literal_reader.h"
#include "support/frame_builder.h"

namespace kvtc::stream {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(FrameHeader, ParsesOptionalBytesAndSections) {
  struct Case {
    Bytes frame;
    std::uint32_t period, radius, phase;
    std::size_t headerSize, samples, blockBits, refinement;
  };
  const Case cases[] = {
      // A picture without blocks: header, two empty lengths and a checksum of 0.
      {{0x00, 0, 0, 0, 0, 0}, 0, 0, 0, 1, 0, 0, 0},
      // A period byte of 0 brings no phase byte.
      {{0x10, 0, 0, 0, 0, 0, 0}, 0, 0, 0, 2, 0, 0, 0},
      {{0x30, 7, 4, 5, 1, 0, 9, 2, 0, 1, 2, 3, 4, 10}, 7, 4, 5, 4, 1, 2, 2},
      {{0x20, 16, 0, 0, 1, 0, 0xAA, 0x55, 0xFF}, 0, 16, 0, 2, 0, 1, 1},
  };
  for (const Case& c : cases) {
    const auto h = ParseFrameHeader(c.frame);
    ASSERT_TRUE(h) << int(c.frame[0]);
    EXPECT_EQ(h->refreshPeriod, c.period);
    EXPECT_EQ(h->searchRadius, c.radius);
    EXPECT_EQ(h->refreshPhase, c.phase);
    EXPECT_EQ(h->headerSize, c.headerSize);
    EXPECT_EQ(h->samples.size(), c.samples);
    EXPECT_EQ(h->blockBits.size(), c.blockBits);
    EXPECT_EQ(h->refinementBits.size(), c.refinement);
    EXPECT_EQ(h->checksum, c.frame.back());
    EXPECT_TRUE(ChecksumMatches(*h));
  }
}

TEST(FrameHeader, FramesShorterThanTheirLengthsAreRefused) {
  const Bytes frames[] = {{}, {0x10}, {0x10, 3}, {0x00, 0}, {0x00, 0, 0}, {0x00, 0, 0, 0, 0},
                          {0x00, 0xFF, 0xFF, 0, 0, 0}, {0x00, 0, 0, 2, 0, 1, 1}};
  for (const Bytes& f : frames) EXPECT_FALSE(ParseFrameHeader(f)) << f.size();
}

TEST(FrameHeader, FlagsAndTheirEffectiveMeanings) {
  FrameHeader h;
  h.flags = kFlagLosslessChroma | kFlagPacked;
  EXPECT_TRUE(h.grey());
  EXPECT_FALSE(h.losslessChroma());  // a grey frame ignores lossless chroma
  h.flags = kFlagLosslessChroma;
  EXPECT_TRUE(h.losslessChroma());
}

TEST(FrameHeader, ChecksumCoversBothBitSectionsOnly) {
  Bytes frame{0x30, 1, 1, 0, 1, 0, 77, 1, 0, 200, 100, 6, 306 % 256};
  EXPECT_TRUE(ChecksumMatches(*ParseFrameHeader(frame)));
  frame[2] = frame[6] = 0;  // header and samples are not covered
  EXPECT_TRUE(ChecksumMatches(*ParseFrameHeader(frame)));
  frame[10] = 101;
  EXPECT_FALSE(ChecksumMatches(*ParseFrameHeader(frame)));
}

TEST(FrameHeader, WrittenFramesParseBackAndLongRefinementSectionsAreReadWhole) {
  Bytes samples(300, 9), blockBits(5, 1), refinement(70000, 3);
  Bytes frame(samples.size() + blockBits.size() + refinement.size() + 10);
  ByteWriter out{frame};
  WriteFrameHeader(out, kFlagKey | kFlagRefreshPeriod | kFlagSearchRadius, 5, 8, 2);
  EXPECT_TRUE(WriteSampleSection(out, samples));
  EXPECT_TRUE(WriteFrameTail(out, blockBits, refinement));
  EXPECT_FALSE(out.overflow);
  EXPECT_EQ(out.position, 4 + 2 + 300 + 2 + 5 + 70000 + 1u);
  const auto h = ParseFrameHeader(out.Written());
  ASSERT_TRUE(h);
  EXPECT_EQ(h->refinementBits.size(), 70000u);
  EXPECT_TRUE(ChecksumMatches(*h));
  EXPECT_EQ(h->motion.bits, 5u);  // R = 8 without lossless luma
  EXPECT_EQ(h->motion.centre, 16u);

  Bytes tooLong(0x10000);
  ByteWriter sink{frame};
  EXPECT_FALSE(WriteSampleSection(sink, tooLong));
  EXPECT_FALSE(WriteFrameTail(sink, tooLong, {}));
}

TEST(MotionVector, CodeLengthAndCentreFollowTheRadius) {
  struct Case {
    std::uint32_t radius, bitsLossless, centreLossless, bits, centre;
  };
  const Case cases[] = {{0, 0, 0, 0, 0},    {1, 3, 4, 2, 2},     {2, 4, 8, 3, 4},
                        {4, 5, 16, 4, 8},   {8, 6, 32, 5, 16},   {16, 7, 64, 6, 32},
                        {32, 8, 128, 7, 64}, {255, 11, 1020, 10, 510}};
  for (const Case& c : cases) {
    const MotionParameters lossless = ComputeMotionParameters(c.radius, true);
    const MotionParameters lossy = ComputeMotionParameters(c.radius, false);
    EXPECT_EQ(lossless.bits, c.bitsLossless) << c.radius;
    EXPECT_EQ(lossless.centre, c.centreLossless) << c.radius;
    EXPECT_EQ(lossy.bits, c.bits) << c.radius;
    EXPECT_EQ(lossy.centre, c.centre) << c.radius;
  }
}

TEST(MotionVector, ChromaComponentRoundsTheHalvedVector) {
  const std::uint32_t luma[] = {16, 17, 18, 19, 20, 13, 0, 11};
  const std::uint32_t chroma[] = {8, 8, 9, 10, 10, 6, 0, 6};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(ChromaComponent(luma[i], 16), chroma[i]) << luma[i];
  const MotionVector v = ChromaDisplacement(19, 13, 16);
  EXPECT_EQ(v.dx, 2);
  EXPECT_EQ(v.dy, -2);
}

TEST(SectionCursors, BitsAreLeastSignificantFirstAndOverrunIsSticky) {
  Bytes buffer{0xFF, 0xFF};  // stale bytes from an earlier frame
  BitWriter w{buffer};
  w.WriteBits(0b1011, 4);
  w.WriteBits(0x1F3, 9);
  EXPECT_EQ(w.Written().size(), 2u);
  EXPECT_EQ(buffer[0], 0x3B);  // 1011 then the low four bits of 0x1F3
  EXPECT_EQ(buffer[1], 0x1F);
  w.WriteBits(7, 4);  // the fourth bit does not fit
  EXPECT_TRUE(w.overflow);
  EXPECT_EQ(buffer[1], 0xFF);

  BitReader r{buffer};
  EXPECT_EQ(r.ReadBits(4), 0b1011u);
  EXPECT_EQ(r.ReadBits(9), 0x1F3u);
  EXPECT_EQ(r.ReadBits(3), 7u);
  EXPECT_FALSE(r.overrun);
  EXPECT_FALSE(r.ReadBit());
  EXPECT_TRUE(r.overrun);
  EXPECT_EQ(r.ReadBits(8), 0u);  // stays past the end
}

TEST(SectionCursors, PackedLiteralsExpandHighNibbleFirst) {
  const Bytes packed{0x0F, 0xA0};
  LiteralReader r{packed, true};
  const int expected[] = {255, 0, 85, 255};
  for (const int level : expected) EXPECT_EQ(r.Read(), level);
  EXPECT_FALSE(r.overrun);
  EXPECT_EQ(r.Read(), 0);
  EXPECT_TRUE(r.overrun);

  LiteralReader plain{packed, false};
  EXPECT_EQ(plain.Read(), 0x0F);
  EXPECT_EQ(plain.Read(), 0xA0);
  EXPECT_EQ(plain.Read(), 0);
  EXPECT_TRUE(plain.overrun);
}

}  // namespace
}  // namespace kvtc::stream
