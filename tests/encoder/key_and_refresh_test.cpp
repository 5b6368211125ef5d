// The key-frame schedule and the rolling refresh, frame after frame.
#include "encoder/key_and_refresh.h"

#include <gtest/gtest.h>

#include <vector>

namespace kvtc::encoder {
namespace {

// Plans and sends `frames` frames with the given periods (one per frame), as planned unless
// `fallBack` says the frame had to go out without key and refresh.
struct Schedule {
  stream::EncoderState state;
  std::vector<KeyAndRefresh> sent;

  Schedule(std::uint8_t interval, std::uint32_t initialPeriod) {
    state.keyInterval = interval;
    state.refreshPeriod = initialPeriod;
  }
  const KeyAndRefresh& Next(std::uint32_t period, bool force = false, bool fallBack = false) {
    const KeyAndRefresh plan = PlanKeyAndRefresh(state, period, force);
    sent.push_back(fallBack ? WithoutKeyOrRefresh(plan) : plan);
    CommitKeyAndRefresh(state, plan, sent.back());
    ++state.frameCounter;
    return sent.back();
  }
};

TEST(KeyFrames, FirstFrameIntervalAndForcedKeys) {
  struct Case {
    std::uint8_t interval;
    std::vector<bool> forced;
    std::vector<bool> keys;
  };
  for (const Case& c : {Case{0, {0, 0, 0, 0, 0, 0}, {1, 0, 0, 0, 0, 0}},
                        Case{1, {0, 0, 0, 0}, {1, 1, 1, 1}},
                        Case{5, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}},
                        // a forced key frame does not move the schedule
                        Case{3, {0, 1, 0, 0, 0, 0, 0}, {1, 1, 0, 1, 0, 0, 1}},
                        Case{0, {0, 0, 1, 0}, {1, 0, 1, 0}}}) {
    Schedule s(c.interval, 0);
    for (std::size_t i = 0; i < c.keys.size(); ++i) {
      EXPECT_EQ(s.Next(0, c.forced[i]).key, c.keys[i]) << int(c.interval) << " frame " << i;
    }
  }
}

TEST(KeyFrames, AKeyFrameThatHadToFallBackIsOwed) {
  Schedule s(0, 0);
  EXPECT_FALSE(s.Next(0, false, true).key);  // the first frame did not fit as a key frame
  EXPECT_TRUE(s.Next(0).key);
  EXPECT_FALSE(s.Next(0).key);
}

TEST(Refresh, PhaseRunsThroughThePeriodAndRestartsWhenItChanges) {
  Schedule s(0, 3);
  std::vector<std::uint32_t> phases;
  for (const std::uint32_t period : {3, 3, 3, 3, 3, 2, 2, 2, 0, 0, 4, 4, 4, 4, 4, 4}) {
    phases.push_back(s.Next(period).phase);
  }
  const std::vector<std::uint32_t> expected{0, 1, 2, 0, 1, 0, 1, 0, 0, 0, 0, 1, 2, 3, 0, 1};
  EXPECT_EQ(phases, expected);
}

TEST(Refresh, AFallBackFrameSendsNoRefreshAndHoldsThePhase) {
  Schedule s(0, 5);
  s.Next(5);                                        // phase 0
  EXPECT_EQ(s.Next(5).phase, 1u);                   // phase 1
  const KeyAndRefresh& lost = s.Next(5, false, true);
  EXPECT_EQ(lost.period, 0u);
  EXPECT_EQ(s.Next(5).phase, 2u);                   // resumes where the lost frame stood
}

TEST(Refresh, BlocksRunAcrossRowsAtPhasePlusMultiplesOfThePeriod) {
  KeyAndRefresh plan;
  plan.period = 7;
  plan.phase = 5;
  RefreshCursor cursor(plan);
  std::vector<std::uint32_t> refreshed;
  for (std::uint32_t i = 0; i < 60; ++i) {  // three rows of 20 blocks
    if (cursor.IsRefresh(i)) refreshed.push_back(i);
  }
  EXPECT_EQ(refreshed, (std::vector<std::uint32_t>{5, 12, 19, 26, 33, 40, 47, 54}));

  plan.phase = 200;  // beyond the last block: nothing
  RefreshCursor late(plan);
  for (std::uint32_t i = 0; i < 60; ++i) EXPECT_FALSE(late.IsRefresh(i));
}

TEST(Refresh, EveryBlockIsRefreshedExactlyOnceInAnyPeriodOfFrames) {
  Schedule s(0, 6);
  std::vector<int> count(50);
  for (int frame = 0; frame < 9; ++frame) {
    const KeyAndRefresh plan = s.Next(6);
    if (frame < 3) continue;  // frames 3..8: six consecutive frames, none of them key
    RefreshCursor cursor(plan);
    for (std::uint32_t i = 0; i < 50; ++i) count[i] += cursor.IsRefresh(i);
  }
  for (int c : count) EXPECT_EQ(c, 1);
}

}  // namespace
}  // namespace kvtc::encoder
