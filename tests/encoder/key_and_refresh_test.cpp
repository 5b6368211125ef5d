// The key-frame schedule and the rolling refresh over successive frames.
#include "encoder/key_and_refresh.h"

#include <gtest/gtest.h>

#include <vector>

namespace kvtc::encoder {
namespace {

// Plans, sends (or, with fallBack, sends without key and refresh) and stores one frame.
KeyAndRefresh Next(stream::EncoderState& state, std::uint32_t period, bool force = false,
                   bool fallBack = false) {
  const KeyAndRefresh plan = PlanKeyAndRefresh(state, period, force);
  const KeyAndRefresh sent = fallBack ? WithoutKeyOrRefresh(plan) : plan;
  CommitKeyAndRefresh(state, plan, sent);
  ++state.frameCounter;
  return sent;
}

TEST(KeyAndRefresh, KeyFramesFirstByIntervalForcedAndOwed) {
  struct Case {
    std::uint8_t interval;
    std::vector<int> forced, fallBack, keys;
  };
  for (const Case& c : {Case{0, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}, {1, 0, 0, 0, 0}},
                        Case{1, {0, 0, 0}, {0, 0, 0}, {1, 1, 1}},
                        Case{5, {0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0}, {1, 0, 0, 0, 0, 1, 0}},
                        Case{3, {0, 1, 0, 0, 0}, {0, 0, 0, 0, 0}, {1, 1, 0, 1, 0}},  // schedule kept
                        Case{0, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}}}) {  // a lost key is owed
    stream::EncoderState state;
    state.keyInterval = c.interval;
    for (std::size_t i = 0; i < c.keys.size(); ++i) {
      EXPECT_EQ(Next(state, 0, c.forced[i], c.fallBack[i]).key, c.keys[i] != 0) << i;
    }
  }
}

TEST(KeyAndRefresh, FallBackHoldsThePhaseAndEveryBlockIsRefreshedOncePerPeriod) {
  stream::EncoderState state;
  state.refreshPeriod = 6;
  Next(state, 6);
  EXPECT_EQ(Next(state, 6, false, true).period, 0u);  // sent without refresh
  EXPECT_EQ(Next(state, 6).phase, 1u);                // resumes where it stood
  std::vector<int> count(50);
  for (int frame = 0; frame < 6; ++frame) {
    RefreshCursor cursor(Next(state, 6));
    for (std::uint32_t i = 0; i < 50; ++i) count[i] += cursor.IsRefresh(i);
  }
  EXPECT_EQ(count, std::vector<int>(50, 1));
}

TEST(KeyAndRefresh, RefreshedBlocksCountAcrossRows) {
  KeyAndRefresh plan;
  plan.period = 7;
  plan.phase = 5;
  RefreshCursor cursor(plan);
  std::vector<std::uint32_t> refreshed;
  for (std::uint32_t i = 0; i < 60; ++i) {  // three rows of 20 blocks
    if (cursor.IsRefresh(i)) refreshed.push_back(i);
  }
  EXPECT_EQ(refreshed, (std::vector<std::uint32_t>{5, 12, 19, 26, 33, 40, 47, 54}));
}

}  // namespace
}  // namespace kvtc::encoder
