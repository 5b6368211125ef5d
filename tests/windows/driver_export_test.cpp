// The DLL's one export, resolved by name as the driver loader resolves it, and called directly:
// driver ids that were closed or never issued are refused, over the system's global heap too.
#include "vcm_support.h"

namespace kvtc::wintest {
namespace {

using DriverProcFunction = LRESULT(CALLBACK*)(DWORD_PTR, HDRVR, UINT, LPARAM, LPARAM);

WINTEST_CASE(StaleDriverIdsAreRefused) {
  HMODULE module = LoadLibraryA("kvtc.dll");  // the installed one: the system directory
  CHECK(module);
  if (!module) return;
  auto driverProc = reinterpret_cast<DriverProcFunction>(
      reinterpret_cast<void*>(GetProcAddress(module, "DriverProc")));
  CHECK(driverProc);
  if (driverProc) {
    ICOPEN open{sizeof(ICOPEN), ICTYPE_VIDEO, kHandler, 0, ICMODE_COMPRESS, 0, nullptr, nullptr, 0};
    const LRESULT id = driverProc(0, nullptr, DRV_OPEN, 0, reinterpret_cast<LPARAM>(&open));
    CHECK(id != 0);
    BYTE state[kStateSize] = {};
    const auto getState = [&](DWORD_PTR driverId) {
      return driverProc(driverId, nullptr, ICM_GETSTATE, reinterpret_cast<LPARAM>(state),
                        sizeof(state));
    };
    CHECK_EQ(getState(static_cast<DWORD_PTR>(id)), kStateSize);
    CHECK_EQ(driverProc(static_cast<DWORD_PTR>(id), nullptr, DRV_CLOSE, 0, 0), 1);
    CHECK_EQ(getState(static_cast<DWORD_PTR>(id)), ICERR_ERROR);       // closed
    CHECK_EQ(getState(static_cast<DWORD_PTR>(id) + 0x100000), ICERR_ERROR);  // never issued
    CHECK_EQ(getState(0xFFFF0000u), ICERR_ERROR);                      // the driver-only id
    CHECK_EQ(driverProc(0xFFFF0000u, nullptr, DRV_CLOSE, 0, 0), 1);
  }
  FreeLibrary(module);
}

}  // namespace
}  // namespace kvtc::wintest
