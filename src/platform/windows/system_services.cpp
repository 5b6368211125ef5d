// The system services on Windows: each call goes straight to the system's own, whose effect and
// result are what the codec relies on.
#include "platform/system_services.h"

namespace kvtc::platform {

UINT GetSystemDirectoryA(char* buffer, UINT size) { return ::GetSystemDirectoryA(buffer, size); }

LRESULT DefDriverProc(DWORD_PTR driverId, HDRVR driver, UINT message, LPARAM lParam1,
                      LPARAM lParam2) {
  return ::DefDriverProc(driverId, driver, message, lParam1, lParam2);
}

HMODULE GetDriverModuleHandle(HDRVR driver) { return ::GetDriverModuleHandle(driver); }

int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) {
  return ::MessageBoxA(owner, text, caption, type);
}

BOOL DisableThreadLibraryCalls(HMODULE module) { return ::DisableThreadLibraryCalls(module); }

}  // namespace kvtc::platform
