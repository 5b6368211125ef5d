// Acting on the codec's windows as a person would, from a second thread while the codec's
// modal window runs on the first: find the window by its caption, read its controls, take a
// screenshot, press its buttons.
#pragma once

#include <functional>
#include <string>
#include <thread>

#include "wintest.h"

namespace kvtc::wintest {

// Waits (up to thirty seconds) for a top-level dialog of this caption owned by this process and
// hands it to `act`, which must end it. Joined by the destructor.
class DialogWatcher {
 public:
  DialogWatcher(std::string caption, std::function<void(HWND)> act);
  ~DialogWatcher();
  DialogWatcher(const DialogWatcher&) = delete;
  DialogWatcher& operator=(const DialogWatcher&) = delete;

  // Waits for the watcher to finish; true when the dialog appeared and `act` ran.
  bool Seen() {
    if (thread_.joinable()) thread_.join();
    return seen_;
  }

 private:
  bool seen_ = false;
  std::thread thread_;
};

// The text of a dialog's control.
std::string ControlText(HWND dialog, int id);
// Clicks a push button, check box or radio button of a dialog.
void ClickButton(HWND dialog, int id);
// Saves the window, frame included, as a BMP file in the --out directory (the suite's runner
// turns it into PNG); false when there is none or the capture fails.
bool SaveScreenshot(HWND window, const char* fileName);

}  // namespace kvtc::wintest
