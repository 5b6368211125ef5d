// One block through CodeBlock: what each kind of block costs in each section, and what the
// reconstruction holds afterwards.
#include "encoder/block_coding.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <random>
#include <vector>

#include "encoder/change_detection.h"
#include "stream/bit_reader.h"
#include "stream/motion_compensation.h"

namespace kvtc::encoder {
namespace {

// A 32x32 picture (4x4 blocks); block (2, 2) is the one coded.
struct OneBlock {
  stream::PlaneGeometry g = stream::ComputePlaneGeometry(32, 32, 0);
  stream::BlockOffsets o = stream::ComputeBlockOffsets(g);
  stream::ArithmeticTables t;
  std::array<std::uint8_t, 511> change{};
  std::array<std::uint8_t, kSampleChangeMapSize> sampleMap{};
  std::vector<std::uint8_t> current, reference, reconstruction, map;
  std::vector<std::uint8_t> blockBuffer = std::vector<std::uint8_t>(64);
  std::vector<std::uint8_t> refinementBuffer = std::vector<std::uint8_t>(64);
  std::vector<std::uint8_t> literalBuffer = std::vector<std::uint8_t>(128);
  stream::BitWriter blockBits{blockBuffer};
  stream::BitWriter refinementBits{refinementBuffer};
  LiteralWriter literals{literalBuffer};
  std::uint32_t threshold;
  bool key = false, losslessLuma = false, losslessChroma = false, grey = false;
  std::uint32_t radius = 0;

  explicit OneBlock(std::uint32_t threshold, unsigned seed = 5)
      : current(g.planeSetSize), reference(g.planeSetSize), map(g.mapSize),
        threshold(threshold) {
    stream::EnsureSumTables(t);
    BuildChangeTable(change, threshold);
    std::mt19937 random(seed);
    for (auto& s : reference) s = static_cast<std::uint8_t>(random());
    for (auto& s : current) s = static_cast<std::uint8_t>(random());
    reconstruction = reference;
  }
  std::size_t Origin() const { return stream::LumaBlockOrigin(g, 2, 2); }
  std::uint8_t& Cur(int r, int c) { return current[Origin() + o.luma[r][c]]; }
  std::uint8_t& Rec(int r, int c) { return reconstruction[Origin() + o.luma[r][c]]; }

  void Code(bool refresh) {
    const FrameCoder frame{g,       o,          t,       change.data(), threshold,
                           current, reference,  reconstruction, map, sampleMap.data(),
                           key,     losslessLuma, losslessChroma, grey, radius,
                           stream::ComputeMotionParameters(radius, losslessLuma),
                           blockBits, refinementBits, literals};
    CodeBlock(frame, 2, 2, refresh);
  }
  int RefinementOnes() const {
    int ones = 0;
    for (const std::uint8_t b : refinementBits.Written()) ones += std::popcount(b);
    return ones;
  }
};

TEST(BlockCoding, UnchangedBlockIsOneZeroBit) {
  OneBlock b(8);
  b.radius = 4;
  b.current = b.reference;
  b.Code(false);
  EXPECT_EQ(b.blockBits.position, 1u);
  EXPECT_EQ(b.blockBits.Written()[0], 0);
  EXPECT_EQ(b.refinementBits.position, 0u);
  EXPECT_EQ(b.literals.count, 0u);
}

TEST(BlockCoding, GreyRefreshBlockCostsFourLiteralsAndTwelveRBits) {
  for (const std::uint32_t threshold : {0u, 30u}) {
    OneBlock b(threshold);
    b.grey = true;
    b.key = true;
    b.Code(true);
    EXPECT_EQ(b.blockBits.position, 0u);
    EXPECT_EQ(b.refinementBits.position, 12u);
    EXPECT_EQ(b.literals.count, 4u + b.RefinementOnes());
    for (const auto& [r, c] : {std::pair{4, 4}, {4, 8}, {8, 4}, {8, 8}}) {
      EXPECT_EQ(b.Rec(r, c), b.Cur(r, c));
    }
  }
}

TEST(BlockCoding, ExactMotionMatchCostsChangedBitMotionCodeAndCodedZero) {
  OneBlock b(0);
  b.radius = 4;  // K = 4, B = 8 without lossless luma
  const std::size_t origin = b.Origin();
  stream::CompensateWholeSample(b.current.data() + origin, b.reference.data() + origin, {-4, 0},
                                stream::BlockPlane::kLuma, b.o, b.t);
  b.Code(false);
  // changed 1; motion code 1 1 0 and x = 4 in four bits; coded 0
  EXPECT_EQ(b.blockBits.position, 1u + 3u + 4u + 1u);
  stream::BitReader read{b.blockBits.Written()};
  EXPECT_EQ(read.ReadBits(4), 0b0111u);
  EXPECT_EQ(read.ReadBits(4), 4u);
  EXPECT_EQ(read.ReadBit(), false);
  EXPECT_EQ(b.refinementBits.position, 0u);
  EXPECT_EQ(b.literals.count, 0u);
  for (int r = 2; r <= 8; r += 2) {
    for (int c = 2; c <= 8; c += 2) EXPECT_EQ(b.Rec(r, c), b.Cur(r, c));
  }
}

TEST(BlockCoding, DiagonalStepAveragesTheLeftLiteral) {
  // q(4,2) of quadrant 0 far from its average, q(2,2) equal to the average of q(0,2) and the
  // q(4,2) literal: the reconstruction holds that average, as the decoder computes it.
  OneBlock b(4);
  b.key = true;
  b.grey = true;
  b.Cur(4, 2) = static_cast<std::uint8_t>((b.Rec(4, 0) + b.Cur(4, 4) + 1) / 2 + 100);
  b.Cur(2, 2) = static_cast<std::uint8_t>((b.Rec(0, 2) + b.Cur(4, 2) + 1) / 2);
  b.Code(true);
  EXPECT_EQ(b.Rec(4, 2), b.Cur(4, 2));
  EXPECT_EQ(b.Rec(2, 2), (b.Rec(0, 2) + b.Cur(4, 2) + 1) / 2);
}

TEST(BlockCoding, LosslessQuadrantWithoutFailuresSendsOneDetailZero) {
  // A plane that rises by 2 per row and per column: every average is exact, so a refresh
  // sends the four corners and nothing else, and each quadrant one detail bit 0.
  OneBlock b(0);
  b.key = true;
  b.grey = true;
  b.losslessLuma = true;
  for (std::uint32_t r = 0; r < b.g.lumaRows; ++r) {
    for (std::uint32_t c = 0; c < b.g.lumaStride; ++c) {
      b.current[r * b.g.lumaStride + c] = static_cast<std::uint8_t>(2 * r + 2 * c);
      b.reconstruction[r * b.g.lumaStride + c] = static_cast<std::uint8_t>(2 * r + 2 * c);
    }
  }
  b.Code(true);
  EXPECT_EQ(b.blockBits.position, 4u);
  EXPECT_EQ(b.blockBits.Written()[0], 0);
  EXPECT_EQ(b.refinementBits.position, 12u);
  EXPECT_EQ(b.RefinementOnes(), 0);
  EXPECT_EQ(b.literals.count, 4u);
}

TEST(BlockCoding, LosslessRefreshSendsEveryFailingSampleAndNothingElse) {
  // With T = 0 every luma sample of a random block ends up exact.
  OneBlock b(0, 9);
  b.key = true;
  b.grey = true;
  b.losslessLuma = true;
  b.Code(true);
  for (int r = 1; r <= 8; ++r) {
    for (int c = 1; c <= 8; ++c) EXPECT_EQ(b.Rec(r, c), b.Cur(r, c)) << r << "," << c;
  }
  EXPECT_EQ(b.literals.count, 4u + b.RefinementOnes());
}

TEST(BlockCoding, MotionCodeForms) {
  const stream::MotionParameters motion{5, 16};
  struct Case {
    std::uint32_t x, y;
    std::vector<bool> bits;
  };
  const std::vector<Case> cases{
      {16, 16, {0}},
      {16, 3, {1, 0, 1, 1, 0, 0, 0}},
      {3, 16, {1, 1, 0, 1, 1, 0, 0, 0}},
      {1, 2, {1, 1, 1, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> buffer(8);
    stream::BitWriter bits{buffer};
    WriteMotionCode(bits, c.x, c.y, motion);
    ASSERT_EQ(bits.position, c.bits.size()) << c.x << "," << c.y;
    stream::BitReader read{bits.Written()};
    for (const bool expected : c.bits) EXPECT_EQ(read.ReadBit(), expected) << c.x << "," << c.y;
  }
}

}  // namespace
}  // namespace kvtc::encoder
