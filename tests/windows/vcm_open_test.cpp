// Finding and opening the installed codec: the Video Compression Manager's enumeration, the
// module it loads, what it reports about itself, the driver-only open, and its one export
// called directly.
#include <cstring>

#include "vcm_support.h"

namespace kvtc::wintest {
namespace {

// Whether ICInfo's enumeration lists a codec that calls itself "KVT Codec".
bool CodecIsListed() {
  for (DWORD i = 0; i < 256; ++i) {
    ICINFO info{};
    info.dwSize = sizeof(info);
    if (!ICInfo(ICTYPE_VIDEO, i, &info)) break;
    if (info.fccType != ICTYPE_VIDEO) continue;
    const HIC hic = ICOpen(ICTYPE_VIDEO, info.fccHandler, ICMODE_QUERY);
    if (!hic) continue;
    ICINFO about{};
    const bool named = ICGetInfo(hic, &about, sizeof(about)) == sizeof(ICINFO) &&
                       Narrow(about.szName) == "KVT Codec";
    ICClose(hic);
    if (named) return info.fccHandler == kHandler;
  }
  return false;
}

WINTEST_CASE(IcInfoEnumeratesTheCodec) {
  CHECK(CodecIsListed());
  ICINFO byHandler{};
  CHECK(ICInfo(ICTYPE_VIDEO, kHandler, &byHandler));
}

// The INF's uninstall section removes what its install section put in, and installing again
// brings the codec back for the cases that follow.
WINTEST_CASE(InfUninstallsAndReinstalls) {
  CHECK(UninstallCodec(TheOptions().inf));
  CHECK(!CodecIsListed());
  CHECK(!ICOpen(ICTYPE_VIDEO, kHandler, ICMODE_QUERY));
  CHECK(InstallCodec(TheOptions().inf));
  CHECK(CodecIsListed());
}

WINTEST_CASE(OpensTheInstalledModule) {
  OpenCodec codec;
  CHECK(codec);
  const std::string loaded = LoadedCodecPath();
  const std::string installed = DriverDirectory() + "\\kvtc.dll";
  // Under WoW64 the loader may also name the file by its system32 alias.
  if (!SamePath(loaded, installed) &&
      !(RunsUnderWow64() && SamePath(loaded, SystemFile("kvtc.dll")))) {
    Fail(__FILE__, __LINE__, "loaded '" + loaded + "', installed as '" + installed + "'");
  }
  char cwd[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, cwd);
  CHECK(!SamePath(std::string(cwd) + "\\kvtc.dll", loaded));
}

// Opened as a plain driver (no ICOPEN), the codec answers what needs no instance and refuses
// what does.
WINTEST_CASE(DriverOnlyOpenHasNoInstance) {
  HDRVR driver = OpenDriver(L"vidc.KVTC", L"Drivers32", 0);
  CHECK(driver);
  if (!driver) return;
  ICINFO info{};
  CHECK_EQ(SendDriverMessage(driver, ICM_GETINFO, reinterpret_cast<LPARAM>(&info), sizeof(info)),
           sizeof(ICINFO));
  BYTE state[kStateSize] = {};
  CHECK_EQ(SendDriverMessage(driver, ICM_GETSTATE, reinterpret_cast<LPARAM>(state), sizeof(state)),
           ICERR_ERROR);
  CHECK(CloseDriver(driver, 0, 0) != 0);
}

WINTEST_CASE(LocateFindsTheCodecForItsStream) {
  BITMAPINFOHEADER in = Header(160, 120, 24);
  BITMAPINFOHEADER out = Header(160, 120, 24, kStreamFourcc);
  HIC hic = ICLocate(ICTYPE_VIDEO, 0, &out, &in, ICMODE_DECOMPRESS);
  CHECK(hic);
  if (!hic) return;
  ICINFO info{};
  ICGetInfo(hic, &info, sizeof(info));
  CHECK_EQ(info.fccHandler, kHandler);
  ICClose(hic);
}

using DriverProcFunction = LRESULT(CALLBACK*)(DWORD_PTR, HDRVR, UINT, LPARAM, LPARAM);

// The DLL's one export, resolved by name as the driver loader resolves it, and called directly:
// driver ids that were closed or never issued are refused, over the system's global heap too.
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
