#include "encoder/key_and_refresh.h"

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

}  // namespace kvtc::encoder
