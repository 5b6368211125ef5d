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

// Each frame refreshes the blocks whose index is congruent to its phase, so every block once
// a period; a frame sent without refresh holds the phase.
TEST(KeyAndRefresh, FallBackHoldsThePhaseAndEveryBlockIsRefreshedOncePerPeriod) {
  stream::EncoderState state;
  state.refreshPeriod = 6;
  Next(state, 6);
  EXPECT_EQ(Next(state, 6, false, true).period, 0u);  // sent without refresh
  for (std::uint32_t frame = 0; frame < 6; ++frame) {
    const KeyAndRefresh plan = Next(state, 6);
    EXPECT_EQ(plan.phase, (frame + 1) % 6);  // resumes where it stood
    RefreshCursor cursor(plan);
    for (std::uint32_t i = 0; i < 50; ++i) {
      EXPECT_EQ(cursor.IsRefresh(i), i % 6 == plan.phase) << frame << " " << i;
    }
  }
}

}  // namespace
}  // namespace kvtc::encoder
