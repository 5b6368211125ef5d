// The message routing that the three settings dialogs share: WM_INITDIALOG, WM_HSCROLL and
// WM_COMMAND go to the dialog's own handlers, OK to its accept handler, and Cancel ends the
// dialog with 0. Every message is answered with 0.
#pragma once

#include "platform/win32_ui.h"

namespace kvtc::settings {

struct DialogHandlers {
  void (*initialise)(HWND dialog, LPARAM initParam);
  void (*scroll)(HWND dialog, WPARAM wParam, HWND bar);  // null: the dialog has no slider
  void (*command)(HWND dialog, int id);                  // every control but OK and Cancel
  void (*accept)(HWND dialog);                           // OK; it ends the dialog
};

INT_PTR DispatchDialogMessage(const DialogHandlers& handlers, HWND dialog, UINT message,
                              WPARAM wParam, LPARAM lParam);

}  // namespace kvtc::settings
