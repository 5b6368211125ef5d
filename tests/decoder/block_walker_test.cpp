// Hand-built frames decoded into planes whose expected samples are worked out here from the
// block syntax: refresh, unchanged and half-sample moved blocks, every lossless combination,
// grey and packed frames, the refresh schedule and the update-map marks; and damaged frames.
#include "decoder/block_walker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <random>
#include <set>
#include <utility>

#include "frame_fixture.h"
#include "support/guarded_buffer.h"

namespace kvtc::decoder {
namespace {

using namespace kvtc::stream;  // flags

TEST(BlockWalker, RefreshBlockOfAGreyFrameBuildsAllRepresentatives) {
  for (const std::uint8_t grey : {kFlagGrey, kFlagPacked}) {  // plain and packed literals
    WalkerFixture d(8, 8, 100);
    FrameBuilder f(kFlagKey | grey);
    f.L(17).L(34).L(51).L(68);    // corners g(4,4), g(4,8), g(8,4), g(8,8)
    f.R(0).RL(85).R(0).Zeros(9);  // only quadrant 0's q(4,2) sent: an odd literal count
    ASSERT_EQ(d.Decode(f.Build()), WalkResult::kDecoded);
    // Quadrant 0 with its literal q(4,2), then quadrants 1 to 3, then samples not carried.
    // clang-format off
    const int expected[][3] = {
        {4, 4, 17}, {4, 8, 34}, {8, 4, 51}, {8, 8, 68},
        {2, 4, Avg(100, 17)}, {4, 2, 85}, {2, 2, Avg(100, 85)},
        {2, 8, Avg(100, 34)}, {4, 6, Avg(17, 34)}, {2, 6, Avg(100, Avg(17, 34))},
        {6, 4, Avg(17, 51)}, {8, 2, Avg(100, 51)}, {6, 2, Avg(85, Avg(100, 51))},
        {6, 8, Avg(34, 68)}, {8, 6, Avg(51, 68)}, {6, 6, Avg(Avg(17, 34), Avg(51, 68))},
        {1, 1, 100}, {3, 4, 100}, {7, 7, 100}};
    // clang-format on
    for (const auto& [r, c, v] : expected) EXPECT_EQ(d.Y(r, c), v) << r << "," << c;
    EXPECT_EQ(d.U(4, 4), 100);
  }
}

TEST(BlockWalker, RefreshBlockInEveryLosslessCombination) {
  for (const bool ll : {false, true}) {
    for (const bool lc : {false, true}) {
      WalkerFixture d(8, 8, 100);
      FrameBuilder f(kFlagKey | (ll ? kFlagLosslessLuma : 0) | (lc ? kFlagLosslessChroma : 0));
      f.L(10).L(20).L(30).L(40);
      f.L(60).RL(90).R(0).R(0);  // U: corner, c(2,2) sent
      f.L(120).R(0).R(0).R(0);   // V: corner only
      for (int q = 0; q < 4; ++q) {
        for (int step = 0; step < 3; ++step) {
          f.R(0);                                                  // luma step: average
          if (lc) (q == 0 && step == 0 ? f.RL(33) : f.R(0)).R(0);  // U above sample of cell 0
        }
        if (ll && q == 0) f.B(1).B(0b0001, 4).RL(44).R(0).R(0);  // cell 0's k(1,2) sent
        if (ll && q != 0) f.B(0);
      }
      ASSERT_EQ(d.Decode(f.Build()), WalkResult::kDecoded) << ll << lc;
      const int g22 = Avg(100, Avg(100, 10)), g21 = Avg(100, g22);
      EXPECT_EQ(d.Y(2, 2), g22);
      EXPECT_EQ(d.Y(1, 2), ll ? 44 : 100);
      EXPECT_EQ(d.Y(2, 1), ll ? g21 : 100);
      EXPECT_EQ(d.Y(1, 1), ll ? Avg(100, g21) : 100);
      EXPECT_EQ(d.Y(1, 4), ll ? Avg(100, Avg(100, 10)) : 100);  // cell 1 averaged
      EXPECT_EQ(d.U(4, 4), 60);
      EXPECT_EQ(d.U(2, 4), 80);
      EXPECT_EQ(d.U(2, 2), 90);
      EXPECT_EQ(d.U(1, 2), lc ? 33 : 100);
      EXPECT_EQ(d.U(2, 1), lc ? Avg(100, 90) : 100);
      EXPECT_EQ(d.U(1, 1), lc ? Avg(100, Avg(100, 90)) : 100);
      EXPECT_EQ(d.U(3, 4), lc ? Avg(80, 60) : 100);  // cell 3 split after c(4,2)'s bit
      EXPECT_EQ(d.V(2, 2), Avg(100, Avg(100, 120)));
    }
  }
}

TEST(BlockWalker, RefreshScheduleCountsBlocksAcrossRows) {
  for (const std::uint8_t phase : {5, 200}) {  // 200 lies beyond the last block
    WalkerFixture d(160, 16);                  // 20 x 2 blocks
    const WalkerFixture before(160, 16);
    FrameBuilder f(kFlagGrey | kFlagRefreshPeriod, 7, 0, phase);
    std::set<std::uint32_t> refreshed;
    for (std::uint32_t i = 0; i < 40; ++i) {
      if (phase == 5 && i % 7 == 5) refreshed.insert(i), f.L(i).L(0).L(0).L(0).Zeros(12);
      if (!refreshed.count(i)) f.B(0);  // unchanged
    }
    ASSERT_EQ(d.Decode(f.Build()), WalkResult::kDecoded);
    EXPECT_EQ(refreshed.size(), phase == 5 ? 5u : 0u);  // 5, 12, 19, 26, 33
    for (std::uint32_t i = 0; i < 40; ++i) {
      const int r = 8 * (i / 20) + 4, c = 8 * (i % 20) + 4;
      EXPECT_EQ(d.Y(r, c), refreshed.count(i) ? int(i) : before.Y(r, c)) << i;
      EXPECT_EQ(d.map[r * d.g.mapStride + c], refreshed.count(i)) << i;
    }
  }
}

TEST(BlockWalker, HalfSampleMotionWithLosslessRefinement) {
  WalkerFixture d(16, 16);
  FrameBuilder f(kFlagLosslessLuma | kFlagLosslessChroma | kFlagSearchRadius, 0, 1);  // K 3, B 4
  f.B(1).B(0b111, 3).B(0b110011, 6).B(1);  // block 0: x = y = 5 (+1/2 each), coded
  f.B(1).B(0b0010, 4).B(0, 3);             // quadrant 0, only its cell 1 changed
  f.Zeros(3).RL(7).R(0).R(0);              // corners unchanged; q(2,4) sent, chroma not
  f.B(1).B(1).R(0).RL(9).R(0);             // detail: cell 1's k(2,1) sent
  f.B(0).B(0).B(0);                        // blocks 1 to 3 unchanged
  ASSERT_EQ(d.Decode(f.Build()), WalkResult::kDecoded);
  EXPECT_EQ(d.Y(5, 5), (d.RefY(5, 5) + d.RefY(5, 6) + d.RefY(6, 5) + d.RefY(6, 6) + 2) / 4);
  EXPECT_EQ(d.U(3, 3), d.RefU(3, 3));  // the chroma vector rounds +1/2 to 0
  EXPECT_EQ(d.Y(2, 4), 7);
  EXPECT_EQ(d.Y(1, 4), Avg(d.Y(0, 4), 7));
  EXPECT_EQ(d.Y(2, 3), 9);
  EXPECT_EQ(d.Y(1, 3), Avg(d.Y(0, 3), 9));
}

TEST(BlockWalker, MarksFollowWhatEachBlockChanged) {
  using Positions = std::set<std::pair<int, int>>;
  const auto grid = [](int first, int last, int step) {
    Positions p;
    for (int r = first; r <= last; r += step)
      for (int c = first; c <= last; c += step) p.insert({r, c});
    return p;
  };
  Positions area = grid(2, 5, 1), shifted;
  for (const auto& [r, c] : area) shifted.insert({r, c + 4});  // quadrant 1's 4x4 area
  const auto moved = [](FrameBuilder& f) { f.B(1).B(0b01, 2).B(2, 2).B(0); };
  const auto keyFrame = [](FrameBuilder& f) {
    for (int block = 0; block < 4; ++block) f.L(1).L(2).L(3).L(4).Zeros(12);
  };
  const struct {
    const char* name;
    std::uint8_t flags, radius;
    std::function<void(FrameBuilder&)> block0;
    Positions marked;
  } cases[] = {
      {"corner and chroma literals", 0, 0,
       [](FrameBuilder& f) { f.B(1).B(0b0010, 4).RL(1).RL(2).Zeros(4); }, shifted},
      {"lossless steps and finest samples",
       kFlagLosslessLuma | kFlagLosslessChroma,
       1,
       [](FrameBuilder& f) { f.B(1).B(0).B(1).B(1).B(0b0010, 4).B(0, 3).Zeros(4).RL(5).R(0).B(0); },
       {{2, 4}, {2, 5}, {3, 4}, {3, 5}, {1, 4}, {2, 3}, {1, 3}}},
      {"moved in a grey frame", kFlagGrey, 1, moved, {}},
      {"moved in colour", 0, 1, moved, grid(0, 10, 2)},
      {"changed without radius, lossless luma", kFlagLosslessLuma, 0,
       [](FrameBuilder& f) { f.B(1).B(0, 4); }, grid(1, 8, 1)},
      {"key frame", kFlagKey | kFlagGrey, 0, keyFrame, {}},
  };
  for (const auto& c : cases) {
    WalkerFixture d(16, 16);
    FrameBuilder f(c.flags | (c.radius ? kFlagSearchRadius : 0), 0, c.radius);
    c.block0(f);
    if (!(c.flags & kFlagKey)) f.B(0, 3);
    ASSERT_EQ(d.Decode(f.Build()), WalkResult::kDecoded) << c.name;
    Positions marked;
    for (std::uint32_t i = 0; i < d.g.mapSize; ++i)
      if (d.map[i]) marked.insert({int(i / d.g.mapStride), int(i % d.g.mapStride)});
    EXPECT_EQ(marked, c.marked) << c.name;
  }
}

// Truncated, corrupted and absurd frames: the walker reports damage, stays inside every
// buffer, and never writes the reference planes.

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
