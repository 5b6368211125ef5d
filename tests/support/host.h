// A small host for tests: it plays the Video Compression Manager, talking to the codec only
// through DriverProc, and gives every test a system directory of its own.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32_types.h"
#include "settings/settings_record.h"

namespace kvtc::testing {

// A fresh temporary directory that KVTC_SYSTEM_DIR names for the life of the object.
class ScopedSystemDir {
 public:
  ScopedSystemDir();
  ~ScopedSystemDir();
  ScopedSystemDir(const ScopedSystemDir&) = delete;
  ScopedSystemDir& operator=(const ScopedSystemDir&) = delete;

  const std::string& path() const { return path_; }
  std::string File(const char* name) const { return path_ + "/" + name; }

 private:
  std::string path_;
  std::string previous_;
  bool hadPrevious_ = false;
};

// A bitmap header as a host fills one: 40 bytes, one plane.
BITMAPINFOHEADER Header(LONG width, LONG height, WORD bits, DWORD compression = BI_RGB);

// Reads a whole file; empty when it does not exist.
std::vector<unsigned char> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const void* data, std::size_t size);

// One host session: the driver is loaded and enabled; every instance it opens is closed at
// the end, and the driver disabled and freed.
class Host {
 public:
  Host();
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  // Opens an instance with an ICOPEN of the given type; 0 on failure (error receives
  // ICOPEN.dwError).
  DWORD_PTR Open(DWORD fccType = MakeFourcc("vidc"), DWORD mode = ICMODE_COMPRESS,
                 LRESULT* error = nullptr);
  void Close(DWORD_PTR id);
  LRESULT Send(DWORD_PTR id, UINT message, LPARAM lParam1 = 0, LPARAM lParam2 = 0);

  template <class A, class B = LPARAM>
  LRESULT Send(DWORD_PTR id, UINT message, A* lParam1, B lParam2 = 0) {
    return Send(id, message, reinterpret_cast<LPARAM>(lParam1), ToLparam(lParam2));
  }

  HDRVR driverHandle() const { return driver_; }

 private:
  template <class B>
  static LPARAM ToLparam(B b) {
    if constexpr (std::is_pointer_v<B>) {
      return reinterpret_cast<LPARAM>(b);
    } else {
      return static_cast<LPARAM>(b);
    }
  }
  HDRVR driver_;
  std::vector<DWORD_PTR> open_;
};

// A test with its own system directory.
class HostTest : public ::testing::Test {
 protected:
  ScopedSystemDir systemDir_;
};

// A test with its own system directory, a host and one instance open in it.
class InstanceTest : public HostTest {
 protected:
  Host host;
  const DWORD_PTR id = host.Open();
};

// A copy of the settings record an open instance holds now.
settings::SettingsRecord InstanceSettings(DWORD_PTR id);

}  // namespace kvtc::testing
