// Truncated, corrupted and absurd frames: the walker reports damage, stays inside every
// buffer, and never writes the reference planes.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>

#include "frame_fixture.h"
#include "support/guarded_buffer.h"

namespace kvtc::decoder {
namespace {

using namespace kvtc::stream;

// Plane sets and map of a 24 x 16 picture (six blocks) between guard bands.
struct GuardedDecoder {
  WalkerFixture f{24, 16};
  kvtc::testing::GuardedBuffer current = Guarded(f.current), reference = Guarded(f.reference),
                               map = Guarded(f.map);

  static kvtc::testing::GuardedBuffer Guarded(const Bytes& inner) {
    kvtc::testing::GuardedBuffer b(inner.size());
    std::copy(inner.begin(), inner.end(), b.data());
    return b;
  }
  // Nullopt when the frame cannot even be split into sections.
  std::optional<WalkResult> Decode(const Bytes& frame) {
    const auto h = ParseFrameHeader(frame);
    if (!h) return std::nullopt;
    return DecodeBlocks({*h, f.g, f.offsets, f.tables, current.span(), reference.span(),
                         map.span(), true});
  }
  bool GuardsIntact() {
    return current.Intact() && map.Intact() && reference.Intact() &&
           std::ranges::equal(reference.span(), f.reference);
  }
};

// Valid frames for the six blocks, with something in every section.
std::vector<Bytes> ValidFrames() {
  FrameBuilder key(kFlagKey | kFlagLosslessLuma | kFlagLosslessChroma);
  for (int block = 0; block < 6; ++block) {
    key.L(1).L(2).L(3).L(4).L(5).RL(6).R(0).R(0).L(7).R(0).R(0).RL(8);
    for (int q = 0; q < 4; ++q)
      (q == block % 4 ? key.Zeros(9).B(1).B(0b0100, 4).R(0).RL(9).R(0) : key.Zeros(9).B(0));
  }
  FrameBuilder inter(kFlagSearchRadius | kFlagRefreshPeriod, 4, 2, 1);  // blocks 1 and 5 refreshed
  inter.B(1).B(0b111, 3).B(0b110000, 6).B(1).B(0b1001, 4).RL(3).R(0).RL(4).Zeros(9);
  inter.L(1).L(2).L(3).L(4).L(5).Zeros(3).L(6).Zeros(15);
  inter.B(1).B(0b01, 2).B(3, 3).B(0).B(0);  // block 2 moved up a row; block 3 unchanged
  inter.B(1).B(0).B(1).B(0b1111, 4).Zeros(24);
  inter.L(9).L(9).L(9).L(9).L(9).Zeros(3).L(9).Zeros(15);
  FrameBuilder packed(kFlagPacked | kFlagKey);
  for (int block = 0; block < 6; ++block) packed.L(17).L(34).L(51).L(68).RL(255).Zeros(11);
  return {key.Build(), inter.Build(), packed.Build()};
}

TEST(DamagedFrames, ValidFramesDecodeAndEveryPrefixIsDamagedWithinBounds) {
  for (const Bytes& frame : ValidFrames()) {
    ASSERT_EQ(GuardedDecoder().Decode(frame), WalkResult::kDecoded);
    for (std::size_t length = 0; length < frame.size(); ++length) {
      GuardedDecoder d;
      EXPECT_NE(d.Decode(Bytes(frame.begin(), frame.begin() + length)), WalkResult::kDecoded)
          << length;
      EXPECT_TRUE(d.GuardsIntact()) << length;
    }
  }
}

TEST(DamagedFrames, BitFlipsAbsurdLengthsAndVectorsStayWithinBounds) {
  std::mt19937 random(11);
  const std::vector<Bytes> frames = ValidFrames();
  for (int trial = 0; trial < 3000; ++trial) {
    Bytes frame = frames[trial % frames.size()];
    for (int i = 0; i <= trial % 4; ++i) frame[random() % frame.size()] ^= 1 << random() % 8;
    GuardedDecoder d;
    d.Decode(frame);
    ASSERT_TRUE(d.GuardsIntact()) << trial;
  }
  // Lengths past the frame's end or short of its content.
  for (const Bytes& frame : {Bytes{0x00, 0xFF, 0xFF, 1, 2, 3}, Bytes{0x01, 0, 0, 0xFF, 0xFF, 0},
                             Bytes{0x01, 1, 0, 9, 0, 0, 0}}) {
    GuardedDecoder d;
    EXPECT_NE(d.Decode(frame), WalkResult::kDecoded);
    EXPECT_TRUE(d.GuardsIntact());
  }
  // The largest radius byte (K = 11) with vectors at both extremes.
  for (const std::uint32_t component : {0u, 2047u}) {
    FrameBuilder f(kFlagLosslessLuma | kFlagSearchRadius, 0, 255);
    f.B(1).B(0b111, 3).B(component & 1 ? 0x3FFFFF : 0, 22).B(0).B(0, 5);
    GuardedDecoder d;
    EXPECT_EQ(d.Decode(f.Build()), WalkResult::kDamaged);
    EXPECT_TRUE(d.GuardsIntact());
  }
}

}  // namespace
}  // namespace kvtc::decoder
