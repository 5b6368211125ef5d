// Hand-built frames decoded into planes whose expected samples are worked out here from the
// block syntax: refresh, unchanged and moved blocks, every lossless combination, grey and
// packed frames, the refresh schedule and the update-map marks.
#include "decoder/block_walker.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <utility>

#include "stream/frame_format.h"
#include "support/frame_builder.h"
#include "walker_fixture.h"

namespace kvtc::decoder {
namespace {

using namespace kvtc::stream;  // flags
using kvtc::testing::FrameBuilder;

TEST(BlockWalker, RefreshBlockOfAGreyFrameBuildsAllRepresentatives) {
  for (const std::uint8_t grey : {kFlagGrey, kFlagPacked}) {  // plain and packed literals
    WalkerFixture d(8, 8, 100);
    FrameBuilder f(kFlagKey | grey);
    f.L(17).L(34).L(51).L(68);           // corners g(4,4), g(4,8), g(8,4), g(8,8)
    f.R(0).RL(85).R(0).Zeros(9);         // quadrant 0: only q(4,2) is sent; an odd literal count
    ASSERT_EQ(d.Decode(f.Build()), WalkResult::kDecoded);
    const int expected[][3] = {
        {4, 4, 17},           {4, 8, 34},           {8, 4, 51},           {8, 8, 68},
        {2, 4, Avg(100, 17)}, {4, 2, 85},           {2, 2, Avg(100, 85)},  // quadrant 0
        {2, 8, Avg(100, 34)}, {4, 6, Avg(17, 34)},  {2, 6, Avg(100, Avg(17, 34))},
        {6, 4, Avg(17, 51)},  {8, 2, Avg(100, 51)}, {6, 2, Avg(85, Avg(100, 51))},
        {6, 8, Avg(34, 68)},  {8, 6, Avg(51, 68)},  {6, 6, Avg(Avg(17, 34), Avg(51, 68))},
        {1, 1, 100},          {3, 4, 100},          {7, 7, 100}};  // not carried
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
      f.L(60).RL(90).R(0).R(0);   // U: corner, c(2,2) sent
      f.L(120).R(0).R(0).R(0);    // V: corner only
      for (int q = 0; q < 4; ++q) {
        for (int step = 0; step < 3; ++step) {
          f.R(0);                                              // luma step: average
          if (lc) (q == 0 && step == 0 ? f.RL(33) : f.R(0)).R(0);  // U above sample of cell 0
        }
        if (!ll) continue;
        if (q == 0) {
          f.B(1).B(0b0001, 4);      // detail: only cell 0 carries finest samples
          f.RL(44).R(0).R(0);       // k(1,2) sent
        } else {
          f.B(0);
        }
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
      if (phase == 5 && i % 7 == 5) {
        refreshed.insert(i);
        f.L(i).L(0).L(0).L(0).Zeros(12);
      } else {
        f.B(0);  // unchanged
      }
    }
    ASSERT_EQ(d.Decode(f.Build()), WalkResult::kDecoded);
    EXPECT_EQ(refreshed, (phase == 5 ? std::set<std::uint32_t>{5, 12, 19, 26, 33}
                                     : std::set<std::uint32_t>{}));
    for (std::uint32_t i = 0; i < 40; ++i) {
      const int r = 8 * (i / 20) + 4, c = 8 * (i % 20) + 4;
      EXPECT_EQ(d.Y(r, c), refreshed.count(i) ? int(i) : before.Y(r, c)) << i;
      EXPECT_EQ(d.map[r * d.g.mapStride + c], refreshed.count(i)) << i;
    }
  }
}

TEST(BlockWalker, MotionCodesMoveLumaAndChromaAndCodedBlocksRefineTheMove) {
  WalkerFixture d(16, 16);
  FrameBuilder f(kFlagSearchRadius, 0, 2);  // R = 2: K = 3, B = 4, whole samples
  f.B(1).B(0b01, 2).B(6, 3).B(0);           // block 0: vertical only, y = 6 (+2); not coded
  f.B(1).B(0b011, 3).B(1, 3).B(0);          // block 1: horizontal only, x = 1 (-3)
  f.B(0);                                   // block 2: unchanged
  f.B(1).B(0b111, 3).B(0b001101, 6).B(1);   // block 3: x = 3 (-1), y = 2 (-2), coded
  f.B(0b0001, 4).RL(250).R(0).R(0).Zeros(3);  // quadrant 0: corner sent, chroma not; averages
  ASSERT_EQ(d.Decode(f.Build()), WalkResult::kDecoded);

  EXPECT_EQ(d.Y(2, 2), d.RefY(4, 2));
  EXPECT_EQ(d.Y(1, 1), d.RefY(1, 1));  // not a representative: the move leaves it
  EXPECT_EQ(d.U(2, 2), Avg(d.RefU(2, 2), d.RefU(4, 2)));  // chroma moved by +1 row
  EXPECT_EQ(d.Y(2, 10), Avg(d.RefY(2, 6), d.RefY(2, 8)));
  EXPECT_EQ(d.U(2, 6), d.RefU(2, 4));                      // chroma moved by -2 columns
  EXPECT_EQ(d.Y(10, 2), d.RefY(10, 2));                    // block 2
  EXPECT_EQ(d.Y(10, 14), Avg(d.RefY(8, 12), d.RefY(8, 14)));
  EXPECT_EQ(d.Y(12, 12), 250);
  EXPECT_EQ(d.Y(10, 12), Avg(d.Y(8, 12), 250));
}

TEST(BlockWalker, HalfSampleMotionWithLosslessRefinement) {
  WalkerFixture d(16, 16);
  FrameBuilder f(kFlagLosslessLuma | kFlagLosslessChroma | kFlagSearchRadius, 0, 1);  // K 3, B 4
  f.B(1).B(0b111, 3).B(0b110011, 6).B(1);  // block 0: x = y = 5 (+1/2 each), coded
  f.B(1).B(0b0010, 4).B(0, 3);              // quadrant 0, only its cell 1 changed
  f.R(0).R(0).R(0);                         // corner, U and V representatives unchanged
  f.RL(7).R(0).R(0);                        // q(2,4) sent; chroma above samples not
  f.B(1).B(1).R(0).RL(9).R(0);              // detail: cell 1's k(2,1) sent
  f.B(0).B(0).B(0);                         // blocks 1 to 3 unchanged
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
  const auto area = [](int r0, int c0, int size) {
    Positions p;
    for (int r = r0; r < r0 + size; ++r)
      for (int c = c0; c < c0 + size; ++c) p.insert({r, c});
    return p;
  };
  Positions evenGrid;
  for (int r = 0; r <= 10; r += 2)
    for (int c = 0; c <= 10; c += 2) evenGrid.insert({r, c});
  struct Case {
    const char* name;
    std::uint8_t flags, radius;
    std::function<void(FrameBuilder&)> block0;
    Positions marked;
  };
  const Case cases[] = {
      {"corner and chroma literals", 0, 0,
       [](FrameBuilder& f) { f.B(1).B(0b0010, 4).RL(1).RL(2).R(0).Zeros(3); }, area(2, 6, 4)},
      {"lossless steps, chroma literal and finest samples", kFlagLosslessLuma | kFlagLosslessChroma,
       1,
       [](FrameBuilder& f) {
         f.B(1).B(0).B(1).B(1).B(0b0010, 4).B(0, 3).Zeros(3).R(0).RL(5).R(0).B(0);
       },
       {{2, 4}, {2, 5}, {3, 4}, {3, 5}, {1, 4}, {2, 3}, {1, 3}}},
      {"moved in a grey frame", kFlagGrey, 1, [](FrameBuilder& f) { f.B(1).B(0b01, 2).B(2, 2).B(0); },
       {}},
      {"moved in colour", 0, 1, [](FrameBuilder& f) { f.B(1).B(0b01, 2).B(2, 2).B(0); }, evenGrid},
      {"changed without radius, lossless luma", kFlagLosslessLuma, 0,
       [](FrameBuilder& f) { f.B(1).B(0, 4); }, area(1, 1, 8)},
      {"key frame", kFlagKey | kFlagGrey, 0,
       [](FrameBuilder& f) {
         for (int block = 0; block < 4; ++block) f.L(1).L(2).L(3).L(4).Zeros(12);
       },
       {}},
  };
  for (const Case& c : cases) {
    WalkerFixture d(16, 16);
    FrameBuilder f(c.flags | (c.radius ? kFlagSearchRadius : 0), 0, c.radius);
    c.block0(f);
    if (!(c.flags & kFlagKey)) f.B(0).B(0).B(0);
    ASSERT_EQ(d.Decode(f.Build()), WalkResult::kDecoded) << c.name;
    Positions marked;
    for (std::uint32_t i = 0; i < d.g.mapSize; ++i)
      if (d.map[i]) marked.insert({int(i / d.g.mapStride), int(i % d.g.mapStride)});
    EXPECT_EQ(marked, c.marked) << c.name;
  }
}

}  // namespace
}  // namespace kvtc::decoder
