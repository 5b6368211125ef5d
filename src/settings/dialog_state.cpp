#include "settings/dialog_state.h"

namespace kvtc::settings {
namespace {

std::atomic<bool> g_claimed{false};

}  // namespace

DialogState& SharedDialogState() {
  static DialogState state;
  return state;
}

DialogStateClaim::DialogStateClaim() {
  bool expected = false;
  held_ = g_claimed.compare_exchange_strong(expected, true);
}

DialogStateClaim::~DialogStateClaim() {
  if (held_) g_claimed.store(false);
}

}  // namespace kvtc::settings
