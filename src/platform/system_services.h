// The operating-system services the codec calls outside the global heap: the system
// directory, the installable-driver defaults, message boxes and the library entry.
//
// On Windows these are the system's own. Elsewhere they are stand-ins with the same effect
// and result as far as the codec relies on them:
// - GetSystemDirectoryA names the directory in $KVTC_SYSTEM_DIR, else $XDG_CONFIG_HOME/kvtc,
//   else ~/.config/kvtc, creating it when missing;
// - DefDriverProc answers 0;
// - GetDriverModuleHandle answers the base address of the module that holds the codec;
// - MessageBoxA prints the caption and the text to standard error and answers IDOK;
// - DisableThreadLibraryCalls does nothing and succeeds.
#pragma once

#include <string>
#include <vector>

#include "platform/win32_types.h"

namespace kvtc::platform {

// Copies the system directory with its terminating NUL into buffer when it fits in size
// characters and returns its length; otherwise returns the size needed, NUL included. 0 on
// failure.
UINT GetSystemDirectoryA(char* buffer, UINT size);
// The system directory, whatever its length, or an empty string when there is none.
std::string SystemDirectory();
// A file in the system directory: the directory, the platform's path separator and the name.
// Empty when there is no system directory.
std::string SystemFilePath(const char* name);

LRESULT DefDriverProc(DWORD_PTR driverId, HDRVR driver, UINT message, LPARAM lParam1,
                      LPARAM lParam2);
HMODULE GetDriverModuleHandle(HDRVR driver);
int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type);
BOOL DisableThreadLibraryCalls(HMODULE module);

#if !defined(_WIN32)
// What the stand-ins saw, for tests.
namespace testing {
struct DefDriverProcCall {
  DWORD_PTR driverId;
  HDRVR driver;
  UINT message;
  LPARAM lParam1;
  LPARAM lParam2;
};
struct MessageBoxCall {
  HWND owner;
  std::string text;
  std::string caption;
  UINT type;
};
std::vector<DefDriverProcCall> DefDriverProcCalls();
std::vector<MessageBoxCall> MessageBoxCalls();
int GetDriverModuleHandleCalls();
void ClearCalls();
}  // namespace testing
#endif

}  // namespace kvtc::platform
