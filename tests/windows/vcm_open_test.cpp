// Finding and opening the installed codec: the Video Compression Manager's enumeration, the
// module it loads, what it reports about itself, and the driver-only open.
#include <cstring>

#include "codec_install.h"
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

}  // namespace
}  // namespace kvtc::wintest
