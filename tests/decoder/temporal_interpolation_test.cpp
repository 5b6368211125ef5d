#include "decoder/temporal_interpolation.h"

#include <gtest/gtest.h>

#include <vector>

namespace kvtc::decoder {
namespace {

stream::ArithmeticTables Tables() {
  stream::ArithmeticTables t;
  EXPECT_TRUE(stream::EnsureSumTables(t));
  EXPECT_TRUE(stream::EnsureTripleTable(t));
  return t;
}

int Expected(Blend blend, int p, int n) {
  switch (blend) {
    case Blend::kQuarter: return (3 * p + n + 2) >> 2;
    case Blend::kHalf: return (p + n + 1) >> 1;
    case Blend::kThreeQuarters: return (p + 3 * n + 2) >> 2;
    case Blend::kWhole: return n;
  }
  return -1;
}

TEST(BlendPictures, EveryPairOfBytesAtEveryPointRoundsHalfUp) {
  const auto tables = Tables();
  std::vector<std::uint8_t> previous, next;
  for (int p = 0; p < 256; ++p) {
    for (int n = 0; n < 256; ++n) {
      previous.push_back(static_cast<std::uint8_t>(p));
      next.push_back(static_cast<std::uint8_t>(n));
    }
  }
  for (Blend blend : {Blend::kQuarter, Blend::kHalf, Blend::kThreeQuarters, Blend::kWhole}) {
    std::vector<std::uint8_t> shown(previous.size());
    BlendPictures(blend, previous, next, shown, tables);
    for (std::size_t i = 0; i < shown.size(); ++i) {
      ASSERT_EQ(shown[i], Expected(blend, previous[i], next[i]))
          << "blend " << int(blend) << " p " << int(previous[i]) << " n " << int(next[i]);
    }
  }
}

TEST(BlendPictures, WritesNoMoreThanTheShortestPicture) {
  const auto tables = Tables();
  const std::vector<std::uint8_t> previous(8, 0), next(8, 200);
  std::vector<std::uint8_t> shown(12, 7);
  BlendPictures(Blend::kHalf, previous, next, std::span(shown).first(5), tables);
  EXPECT_EQ(shown, (std::vector<std::uint8_t>{100, 100, 100, 100, 100, 7, 7, 7, 7, 7, 7, 7}));
}

TEST(BlendNibblePictures, BlendsTheTwoPixelsOfAByteApart) {
  const auto tables = Tables();
  // Left pixel 1 -> 0, right pixel 0 -> 15: byte-wise blending would carry one into the other.
  const std::vector<std::uint8_t> previous{0x10, 0xF0}, next{0x0F, 0x0F};
  std::vector<std::uint8_t> shown(2);
  BlendNibblePictures(Blend::kHalf, previous, next, shown, tables);
  EXPECT_EQ(shown, (std::vector<std::uint8_t>{0x18, 0x88}));
  BlendNibblePictures(Blend::kQuarter, previous, next, shown, tables);
  EXPECT_EQ(shown, (std::vector<std::uint8_t>{0x14, 0xB4}));
  BlendNibblePictures(Blend::kThreeQuarters, previous, next, shown, tables);
  EXPECT_EQ(shown, (std::vector<std::uint8_t>{0x0B, 0x4B}));
}

TEST(Interpolation, PhasesRunOnceRoundForEachLevel) {
  struct Case {
    std::uint8_t level, phase;
    bool decodes;
    Blend blend;
    std::uint8_t next;
  };
  const Case cases[] = {
      {0, 0, true, {}, 0},  {0, 1, true, {}, 0},  {0, 3, true, {}, 0},
      {1, 0, true, {}, 0},  {1, 1, false, Blend::kWhole, 0},
      {1, 2, true, {}, 0},  {1, 3, true, {}, 0},
      {2, 0, true, {}, 0},  {2, 1, false, Blend::kHalf, 2},
      {2, 2, false, Blend::kThreeQuarters, 3}, {2, 3, false, Blend::kWhole, 0},
      {2, 4, true, {}, 0},  {7, 2, false, Blend::kThreeQuarters, 3},
  };
  for (const Case& c : cases) {
    const auto step = PendingInterpolation(c.level, c.phase);
    ASSERT_EQ(!step.has_value(), c.decodes) << int(c.level) << "/" << int(c.phase);
    if (step) {
      EXPECT_EQ(step->blend, c.blend) << int(c.level) << "/" << int(c.phase);
      EXPECT_EQ(step->nextPhase, c.next) << int(c.level) << "/" << int(c.phase);
    }
  }
  EXPECT_EQ(DecodingBlend(1), Blend::kHalf);
  EXPECT_EQ(DecodingBlend(2), Blend::kQuarter);
}

}  // namespace
}  // namespace kvtc::decoder
