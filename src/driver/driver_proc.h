// The library's single entry point: every installable-driver and compressor message arrives
// here and is routed to its handler by message number.
#pragma once

#include "platform/win32_types.h"

KVTC_EXPORT LRESULT KVTC_CALLBACK DriverProc(DWORD_PTR dwDriverId, HDRVR hDriver, UINT uMsg,
                                             LPARAM lParam1, LPARAM lParam2);

namespace kvtc::driver {

// The module handle recorded by the first DRV_LOAD; null before it.
HMODULE ModuleHandle();

}  // namespace kvtc::driver
