// One block through CodeBlock: what it costs in each section and what the reconstruction
// holds afterwards, where a round trip cannot tell (it only sees that both sides agree).
#include "encoder/block_coding.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <vector>

#include "encoder/change_detection.h"
#include "stream/bit_reader.h"
#include "stream/motion_compensation.h"

namespace kvtc::encoder {
namespace {

// Block (2, 2) of a 32x32 picture over random planes.
struct OneBlock {
  stream::PlaneGeometry g = stream::ComputePlaneGeometry(32, 32, 0);
  stream::BlockOffsets o = stream::ComputeBlockOffsets(g);
  stream::ArithmeticTables t;
  std::array<std::uint8_t, 511> change{};
  std::array<std::uint8_t, kSampleChangeMapSize> sampleMap{};
  std::vector<std::uint8_t> current, reference, reconstruction, map, buffers[3];
  stream::BitWriter blockBits, refinementBits;
  LiteralWriter literals;

  explicit OneBlock(std::uint32_t threshold)
      : current(g.planeSetSize), reference(g.planeSetSize), map(g.mapSize),
        buffers{std::vector<std::uint8_t>(64), std::vector<std::uint8_t>(64),
                std::vector<std::uint8_t>(128)},
        blockBits{buffers[0]}, refinementBits{buffers[1]}, literals{buffers[2]} {
    stream::EnsureSumTables(t);
    BuildChangeTable(change, threshold);
    std::mt19937 random(5);
    for (auto& s : reference) s = static_cast<std::uint8_t>(random());
    for (auto& s : current) s = static_cast<std::uint8_t>(random());
    reconstruction = reference;
  }
  std::uint8_t& Cur(int r, int c) { return current[stream::LumaBlockOrigin(g, 2, 2) + o.luma[r][c]]; }
  std::uint8_t& Rec(int r, int c) { return reconstruction[stream::LumaBlockOrigin(g, 2, 2) + o.luma[r][c]]; }

  // A grey key-frame refresh, or an ordinary block with radius R.
  void Code(bool refresh, bool losslessLuma, std::uint32_t radius) {
    const FrameCoder frame{g, o, t, change.data(), 0, current, reference, reconstruction, map,
                           sampleMap.data(), refresh, losslessLuma, false, refresh, radius,
                           stream::ComputeMotionParameters(radius, losslessLuma), blockBits,
                           refinementBits, literals};
    CodeBlock(frame, 2, 2, refresh);
  }
};

TEST(BlockCoding, ExactMotionMatchCostsChangedBitMotionCodeAndCodedZero) {
  OneBlock b(0);
  const std::size_t origin = stream::LumaBlockOrigin(b.g, 2, 2);
  stream::CompensateWholeSample(b.current.data() + origin, b.reference.data() + origin, {-4, 0},
                                stream::BlockPlane::kLuma, b.o, b.t);
  b.Code(false, false, 4);  // K = 4, B = 8
  stream::BitReader read{b.blockBits.Written()};
  EXPECT_EQ(b.blockBits.position, 1u + 3u + 4u + 1u);
  EXPECT_EQ(read.ReadBits(4), 0b0111u);  // changed; motion code 1 1 0: horizontal only
  EXPECT_EQ(read.ReadBits(4), 4u);       // -4 + B
  EXPECT_FALSE(read.ReadBit());          // coded 0
  EXPECT_EQ(b.refinementBits.position + b.literals.count, 0u);
  for (int r = 2; r <= 8; r += 2) {
    for (int c = 2; c <= 8; c += 2) EXPECT_EQ(b.Rec(r, c), b.Cur(r, c));
  }
}

// Only quadrant 0's first representative changed: the quadrant is sent, but its corner's
// R-bit is its change flag, 0, not a comparison with anything.
TEST(BlockCoding, ChangedCornerBitIsTheCornersChangeFlag) {
  OneBlock b(0);
  b.current = b.reference;
  b.Cur(2, 2) ^= 0x40;
  b.Code(false, false, 0);
  stream::BitReader blocks{b.blockBits.Written()}, samples{b.refinementBits.Written()};
  EXPECT_EQ(blocks.ReadBits(5), 0b00011u);  // changed, then quadrant flags 1 0 0 0
  EXPECT_FALSE(samples.ReadBit());          // corner g(4,4): unchanged, not sent
  EXPECT_EQ(b.Rec(4, 4), b.Cur(4, 4));
  EXPECT_EQ(b.Rec(2, 2), b.Cur(2, 2));
}

// q(4,2) of quadrant 0 far from its average, q(2,2) equal to the average of q(0,2) and the
// q(4,2) literal: the reconstruction holds that average, as the decoder computes it.
TEST(BlockCoding, DiagonalStepAveragesTheLeftLiteral) {
  OneBlock b(4);
  b.Cur(4, 2) = static_cast<std::uint8_t>((b.Rec(4, 0) + b.Cur(4, 4) + 1) / 2 + 100);
  b.Cur(2, 2) = static_cast<std::uint8_t>((b.Rec(0, 2) + b.Cur(4, 2) + 1) / 2);
  b.Code(true, false, 0);
  EXPECT_EQ(b.Rec(4, 2), b.Cur(4, 2));
  EXPECT_EQ(b.Rec(2, 2), (b.Rec(0, 2) + b.Cur(4, 2) + 1) / 2);
}

// Samples rising by 2 per row and column: every average is exact, so a lossless refresh
// sends the four corners, twelve R-bits 0 and one detail bit 0 per quadrant.
TEST(BlockCoding, LosslessQuadrantWithoutFailuresSendsOneDetailZero) {
  OneBlock b(0);
  for (std::uint32_t i = 0; i < b.g.lumaStride * b.g.lumaRows; ++i) {
    b.current[i] = b.reconstruction[i] =
        static_cast<std::uint8_t>(2 * (i / b.g.lumaStride) + 2 * (i % b.g.lumaStride));
  }
  b.Code(true, true, 0);
  EXPECT_EQ(b.blockBits.position, 4u);
  EXPECT_EQ(b.blockBits.Written()[0], 0);
  EXPECT_EQ(b.refinementBits.position, 12u);
  EXPECT_EQ(b.refinementBits.Written()[0] | b.refinementBits.Written()[1], 0);
  EXPECT_EQ(b.literals.count, 4u);
}

}  // namespace
}  // namespace kvtc::encoder
