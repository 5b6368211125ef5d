// Truncated, corrupted and absurd frames: the walker reports damage, stays inside every
// buffer, and never writes the reference planes.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "decoder/block_walker.h"
#include "support/frame_builder.h"
#include "walker_fixture.h"

namespace kvtc::decoder {
namespace {

using namespace kvtc::stream;
using kvtc::testing::FrameBuilder;
using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kGuard = 64;
constexpr std::uint8_t kGuardByte = 0xA5;

// Plane sets and map with guard bytes either side, decoded from the same starting picture.
struct GuardedDecoder {
  WalkerFixture f{24, 16};
  Bytes current, reference, map;
  GuardedDecoder() {
    const auto guarded = [](const Bytes& inner) {
      Bytes b(inner.size() + 2 * kGuard, kGuardByte);
      std::copy(inner.begin(), inner.end(), b.begin() + kGuard);
      return b;
    };
    current = guarded(f.current), reference = guarded(f.reference), map = guarded(f.map);
  }
  static std::span<std::uint8_t> Inner(Bytes& b) { return {b.data() + kGuard, b.size() - 2 * kGuard}; }

  // Nullopt when the frame cannot even be split into sections.
  std::optional<WalkResult> Decode(const Bytes& frame) {
    const auto header = ParseFrameHeader(frame);
    if (!header) return std::nullopt;
    return DecodeBlocks({*header, f.g, f.offsets, f.tables, Inner(current), Inner(reference),
                         Inner(map), true});
  }
  bool GuardsIntact() const {
    for (const Bytes* b : {&current, &reference, &map}) {
      for (std::size_t i = 0; i < kGuard; ++i)
        if ((*b)[i] != kGuardByte || (*b)[b->size() - 1 - i] != kGuardByte) return false;
    }
    return Bytes(reference.begin() + kGuard, reference.end() - kGuard) == f.reference;
  }
};

// Valid frames for the 24 x 16 picture (six blocks), each with something of every section.
std::vector<Bytes> ValidFrames() {
  std::vector<Bytes> frames;
  {
    FrameBuilder f(kFlagKey | kFlagLosslessLuma | kFlagLosslessChroma);
    for (int block = 0; block < 6; ++block) {
      f.L(1).L(2).L(3).L(4).L(5).RL(6).R(0).R(0).L(7).R(0).R(0).RL(8);
      for (int q = 0; q < 4; ++q) {
        f.Zeros(9);
        if (q == block % 4) {
          f.B(1).B(0b0100, 4).R(0).RL(9).R(0);  // cell 2's k(2,1) sent
        } else {
          f.B(0);
        }
      }
    }
    frames.push_back(f.Build());
  }
  {
    FrameBuilder f(kFlagSearchRadius | kFlagRefreshPeriod, 4, 2, 1);  // blocks 1 and 5 refreshed
    f.B(1).B(0b111, 3).B(0b110000, 6).B(1).B(0b1001, 4).RL(3).R(0).RL(4).Zeros(9);
    f.L(1).L(2).L(3).L(4).L(5).Zeros(3).L(6).Zeros(15);
    f.B(1).B(0b01, 2).B(3, 3).B(0);  // moved up by one row, not coded
    f.B(0);
    f.B(1).B(0).B(1).B(0b1111, 4).Zeros(24);
    f.L(9).L(9).L(9).L(9).L(9).Zeros(3).L(9).Zeros(15);
    frames.push_back(f.Build());
  }
  {
    FrameBuilder f(kFlagPacked | kFlagKey);
    for (int block = 0; block < 6; ++block) f.L(17).L(34).L(51).L(68).RL(255).Zeros(11);
    frames.push_back(f.Build());
  }
  return frames;
}

TEST(DamagedFrames, ValidFramesDecodeAndEveryPrefixStaysInBounds) {
  for (const Bytes& frame : ValidFrames()) {
    GuardedDecoder whole;
    ASSERT_EQ(whole.Decode(frame), WalkResult::kDecoded);
    for (std::size_t length = 0; length < frame.size(); ++length) {
      GuardedDecoder d;
      const Bytes prefix(frame.begin(), frame.begin() + length);
      const auto result = d.Decode(prefix);
      EXPECT_NE(result, WalkResult::kDecoded) << length;  // every prefix is short of something
      EXPECT_TRUE(d.GuardsIntact()) << length;
    }
  }
}

TEST(DamagedFrames, RandomBitFlipsAndAbsurdLengthsAndVectorsStayInBounds) {
  std::mt19937 random(11);
  const std::vector<Bytes> frames = ValidFrames();
  for (int trial = 0; trial < 3000; ++trial) {
    Bytes frame = frames[trial % frames.size()];
    const int flips = 1 + trial % 4;
    for (int i = 0; i < flips; ++i) frame[random() % frame.size()] ^= 1 << random() % 8;
    GuardedDecoder d;
    d.Decode(frame);
    ASSERT_TRUE(d.GuardsIntact()) << trial;
  }

  // Lengths that point past the frame, or wrap short of it.
  for (const Bytes& frame : {Bytes{0x00, 0xFF, 0xFF, 1, 2, 3}, Bytes{0x01, 0, 0, 0xFF, 0xFF, 0},
                             Bytes{0x01, 1, 0, 9, 0, 0, 0}}) {
    GuardedDecoder d;
    EXPECT_NE(d.Decode(frame), WalkResult::kDecoded);
    EXPECT_TRUE(d.GuardsIntact());
  }

  // The largest radius byte, with vectors at both extremes on a block at the picture's corner.
  for (const std::uint32_t component : {0u, 2047u}) {
    FrameBuilder f(kFlagLosslessLuma | kFlagSearchRadius, 0, 255);  // K = 11
    f.B(1).B(0b111, 3);
    for (int i = 0; i < 11; ++i) f.B(component >> i & 1).B(component >> i & 1);
    f.B(0).B(0, 5);
    GuardedDecoder d;
    EXPECT_EQ(d.Decode(f.Build()), WalkResult::kDamaged);
    EXPECT_TRUE(d.GuardsIntact());
  }
}

}  // namespace
}  // namespace kvtc::decoder
