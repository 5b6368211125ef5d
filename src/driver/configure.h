// ICM_CONFIGURE: runs the Configure dialog for an instance, owned by the host's window.
#pragma once

#include "platform/win32_types.h"

namespace kvtc::driver {

// Remembers `parent` as the owner of the settings dialogs and runs the Configure dialog with
// the instance's settings. ICERR_OK when the user pressed OK; ICERR_ERROR when the dialog was
// cancelled or could not be shown, for an id that is not open, and while another Configure
// dialog is open in the process.
LRESULT Configure(DWORD_PTR id, HWND parent);

}  // namespace kvtc::driver
