// What the settings dialogs share, one copy per process: the working copy of the settings
// record that all three edit, the instance whose Configure dialog is open, the owner window of
// the Compressor and Decompressor dialogs, and the Decompressor slider's position.
//
// One Configure dialog at a time per process: the ICM_CONFIGURE handler claims this state for
// the whole life of its dialog, and a second Configure (from another thread, or re-entered
// from the host while the first is open) is refused rather than let share the working copy.
// The dialogs themselves run on the claiming thread only, so the fields need no lock.
#pragma once

#include <atomic>

#include "platform/win32_types.h"
#include "settings/settings_record.h"

namespace kvtc::driver {
struct InstanceRecord;
}

namespace kvtc::settings {

struct DialogState {
  SettingsRecord working{};
  driver::InstanceRecord* instance = nullptr;  // null outside a Configure dialog
  HWND owner = nullptr;
  int gammaPosition = 0;
};

DialogState& SharedDialogState();

// Holds the claim on the dialog state for the life of the object; false when another holder
// has it.
class DialogStateClaim {
 public:
  DialogStateClaim();
  ~DialogStateClaim();
  DialogStateClaim(const DialogStateClaim&) = delete;
  DialogStateClaim& operator=(const DialogStateClaim&) = delete;

  explicit operator bool() const { return held_; }

 private:
  bool held_;
};

}  // namespace kvtc::settings
