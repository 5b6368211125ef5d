#include "settings/dialog_dispatch.h"

namespace kvtc::settings {

INT_PTR DispatchDialogMessage(const DialogHandlers& handlers, HWND dialog, UINT message,
                              WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      handlers.initialise(dialog, lParam);
      break;
    case WM_HSCROLL:
      if (handlers.scroll) handlers.scroll(dialog, wParam, reinterpret_cast<HWND>(lParam));
      break;
    case WM_COMMAND:
      switch (const int id = LowWord(wParam)) {
        case IDOK:
          handlers.accept(dialog);
          break;
        case IDCANCEL:
          platform::EndDialog(dialog, 0);
          break;
        default:
          handlers.command(dialog, id);
          break;
      }
      break;
    default:
      break;
  }
  return 0;
}

}  // namespace kvtc::settings
