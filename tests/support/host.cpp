#include "support/host.h"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "driver/driver_proc.h"
#include "driver/instance.h"

namespace kvtc::testing {

ScopedSystemDir::ScopedSystemDir() {
  std::string base = "/tmp";
  if (const char* tmp = std::getenv("KVTC_TEST_TMP"); tmp && *tmp) {
    base = tmp;
    std::filesystem::create_directories(base);
  }
  std::string pattern = base + "/kvtc-sysdir-XXXXXX";
  if (!mkdtemp(pattern.data())) {
    ADD_FAILURE() << "cannot make a temporary directory under " << base;
  }
  path_ = pattern;
  if (const char* prev = std::getenv("KVTC_SYSTEM_DIR")) {
    previous_ = prev;
    hadPrevious_ = true;
  }
  setenv("KVTC_SYSTEM_DIR", path_.c_str(), 1);
}

ScopedSystemDir::~ScopedSystemDir() {
  if (hadPrevious_) {
    setenv("KVTC_SYSTEM_DIR", previous_.c_str(), 1);
  } else {
    unsetenv("KVTC_SYSTEM_DIR");
  }
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

BITMAPINFOHEADER Header(LONG width, LONG height, WORD bits, DWORD compression) {
  BITMAPINFOHEADER h{};
  h.biSize = sizeof h;
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = bits;
  h.biCompression = compression;
  return h;
}

std::vector<unsigned char> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFileBytes(const std::string& path, const void* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
}

Host::Host() : driver_(reinterpret_cast<HDRVR>(std::uintptr_t{0x5150})) {
  EXPECT_EQ(DriverProc(0, driver_, DRV_LOAD, 0, 0), 1);
  EXPECT_EQ(DriverProc(0, driver_, DRV_ENABLE, 0, 0), 1);
}

Host::~Host() {
  for (DWORD_PTR id : open_) DriverProc(id, driver_, DRV_CLOSE, 0, 0);
  DriverProc(0, driver_, DRV_DISABLE, 0, 0);
  DriverProc(0, driver_, DRV_FREE, 0, 0);
}

DWORD_PTR Host::Open(DWORD fccType, DWORD mode, LRESULT* error) {
  ICOPEN open{};
  open.dwSize = sizeof open;
  open.fccType = fccType;
  open.fccHandler = MakeFourcc("KVTC");
  open.dwVersion = ICVERSION;
  open.dwFlags = mode;
  open.dwError = 12345;
  const auto id = static_cast<DWORD_PTR>(
      DriverProc(0, driver_, DRV_OPEN, 0, reinterpret_cast<LPARAM>(&open)));
  if (error) *error = open.dwError;
  if (id) open_.push_back(id);
  return id;
}

void Host::Close(DWORD_PTR id) {
  EXPECT_EQ(DriverProc(id, driver_, DRV_CLOSE, 0, 0), 1);
  open_.erase(std::remove(open_.begin(), open_.end(), id), open_.end());
}

LRESULT Host::Send(DWORD_PTR id, UINT message, LPARAM lParam1, LPARAM lParam2) {
  return DriverProc(id, driver_, message, lParam1, lParam2);
}

settings::SettingsRecord InstanceSettings(DWORD_PTR id) {
  driver::LockedInstance instance(id);
  EXPECT_TRUE(instance);
  return instance ? instance->settings : settings::SettingsRecord{};
}

}  // namespace kvtc::testing
