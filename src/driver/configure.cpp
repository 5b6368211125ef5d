#include "driver/configure.h"

#include "driver/driver_proc.h"
#include "driver/instance.h"
#include "platform/win32_ui.h"
#include "settings/dialog_state.h"
#include "settings/dialogs.h"

namespace kvtc::driver {

LRESULT Configure(DWORD_PTR id, HWND parent) {
  settings::DialogStateClaim claim;
  if (!claim) return ICERR_ERROR;  // one Configure dialog at a time (settings/dialog_state.h)
  LockedInstance instance(id);
  settings::DialogState& state = settings::SharedDialogState();
  state.owner = parent;
  if (!instance) return ICERR_ERROR;

  const INT_PTR result = platform::DialogBoxParamA(
      ModuleHandle(), settings::kConfigureTemplate, parent, settings::ConfigureDialogProc,
      reinterpret_cast<LPARAM>(&*instance));
  state.instance = nullptr;  // the record stays locked no longer than the dialog
  return result == IDOK ? ICERR_OK : ICERR_ERROR;
}

}  // namespace kvtc::driver
