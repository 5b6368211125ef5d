// The library entry. The runtime's own start-up runs before this and its clean-up after it;
// the codec itself only turns off the thread attach and detach notifications, which it has no
// use for: it keeps no per-thread state. Everything else waits for DRV_LOAD.
#include "platform/system_services.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) kvtc::platform::DisableThreadLibraryCalls(module);
  return TRUE;
}
