// Prints the frame hashes of the Linux library, one line per frame, for the Windows suite to
// compare those of the DLLs with. Every instance starts from a fresh settings file, as every
// instance in the Windows host does.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "driver/driver_proc.h"
#include "frame_hashes.h"

int main() {
  namespace fs = std::filesystem;
  std::string dir = (fs::temp_directory_path() / "kvtc-hashes-XXXXXX").string();
  if (!mkdtemp(dir.data())) {
    std::perror("mkdtemp");
    return 1;
  }
  setenv("KVTC_SYSTEM_DIR", dir.c_str(), 1);
  const fs::path settings = fs::path(dir) / "KVTC.cfg";

  HDRVR driver = nullptr;
  DriverProc(0, driver, DRV_LOAD, 0, 0);
  DriverProc(0, driver, DRV_ENABLE, 0, 0);
  const kvtc::wintest::CodecPort port{
      [&](const kvtc::settings::SettingsRecord* record) {
        fs::remove(settings);
        if (record && !kvtc::wintest::WriteSettingsFile(settings.string(), *record)) return std::uintptr_t{0};
        ICOPEN open{sizeof(ICOPEN), kvtc::MakeFourcc("vidc"), kvtc::MakeFourcc("KVTC"), 0,
                    ICMODE_COMPRESS, 0, nullptr, nullptr, 0};
        return static_cast<std::uintptr_t>(
            DriverProc(0, driver, DRV_OPEN, 0, reinterpret_cast<LPARAM>(&open)));
      },
      [&](std::uintptr_t id) { DriverProc(id, driver, DRV_CLOSE, 0, 0); },
      [&](std::uintptr_t id, UINT message, LPARAM a, LPARAM b) {
        return DriverProc(id, driver, message, a, b);
      }};
  for (const std::string& line : kvtc::wintest::HashSequences(port)) std::puts(line.c_str());
  DriverProc(0, driver, DRV_DISABLE, 0, 0);
  DriverProc(0, driver, DRV_FREE, 0, 0);
  fs::remove_all(dir);
  return 0;
}
