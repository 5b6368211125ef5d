#include "encoder/key_and_refresh.h"

#include <algorithm>
#include <vector>

namespace kvtc::encoder {

KeyAndRefresh PlanKeyAndRefresh(const stream::EncoderState& state, std::uint32_t period,
                                bool forceKey) {
  KeyAndRefresh plan;
  plan.nextKeyFrame = state.nextKeyFrame;
  bool key = forceKey || state.keyOwed || state.frameCounter == 0;
  if (state.frameCounter == state.nextKeyFrame) {
    key = true;
    plan.nextKeyFrame = state.nextKeyFrame + state.keyInterval;
  }
  plan.key = key;
  plan.period = period;
  plan.periodInForce = period;
  plan.phase = period == state.refreshPeriod ? state.refreshPhase : 0;
  plan.nextPhase = period == 0 ? 0 : (plan.phase + 1) % period;
  return plan;
}

KeyAndRefresh WithoutKeyOrRefresh(const KeyAndRefresh& plan) {
  KeyAndRefresh sent = plan;
  sent.key = false;
  sent.period = 0;
  sent.nextPhase = plan.phase;
  return sent;
}

void CommitKeyAndRefresh(stream::EncoderState& state, const KeyAndRefresh& planned,
                         const KeyAndRefresh& sent) {
  state.keyOwed = planned.key && !sent.key;
  state.nextKeyFrame = sent.nextKeyFrame;
  state.refreshPeriod = sent.periodInForce;
  state.refreshPhase = sent.nextPhase;
}

KeyAndRefresh WithBuildUpRefresh(const KeyAndRefresh& sent, std::uint32_t period,
                                 std::span<const std::uint8_t> unshown) {
  std::vector<std::uint32_t> count(period, 0);
  for (std::size_t i = 0; i < unshown.size(); ++i) count[i % period] += unshown[i];
  KeyAndRefresh b = sent;
  b.period = period;
  b.phase = static_cast<std::uint32_t>(std::max_element(count.begin(), count.end()) -
                                       count.begin());
  return b;
}

void MarkAllUnshown(stream::EncoderState& e) {
  const std::uint32_t blocks = e.geometry.blockCount;
  std::fill(e.unshown.begin(), e.unshown.begin() + blocks, std::uint8_t{1});
  e.unshownBlocks = blocks;
}

void MarkShown(stream::EncoderState& e, const KeyAndRefresh& sent) {
  const std::uint32_t blocks = e.geometry.blockCount;
  if (sent.key) {
    std::fill(e.unshown.begin(), e.unshown.begin() + blocks, std::uint8_t{0});
    e.unshownBlocks = 0;
    return;
  }
  if (sent.period == 0 || e.unshownBlocks == 0) return;
  for (std::uint32_t i = sent.phase; i < blocks; i += sent.period) {
    e.unshownBlocks -= e.unshown[i];
    e.unshown[i] = 0;
  }
}

}  // namespace kvtc::encoder
