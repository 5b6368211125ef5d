// The tool's side of the Video for Windows protocol: it plays the Video Compression Manager
// and talks to the codec only through DriverProc, in the order a host does: load and enable
// the driver, open an instance, ask and negotiate, begin, send frames, end, close, disable and
// free.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "host/bitmap_info.h"
#include "platform/win32_types.h"

namespace kvtc::host {

using DriverProcFn = LRESULT (*)(DWORD_PTR, HDRVR, UINT, LPARAM, LPARAM);

// The entry point every CodecDriver talks to. Tests put a stand-in around the real one;
// nullptr restores it.
void SetDriverProcForTesting(DriverProcFn proc);

// The text of a status code: "ICERR_BADFORMAT (-2)".
std::string StatusText(LRESULT result);

// The loaded driver: DRV_LOAD and DRV_ENABLE now, DRV_DISABLE and DRV_FREE at the end.
class CodecDriver {
 public:
  CodecDriver();
  ~CodecDriver();
  CodecDriver(const CodecDriver&) = delete;
  CodecDriver& operator=(const CodecDriver&) = delete;

  LRESULT Send(DWORD_PTR id, UINT message, LPARAM lParam1 = 0, LPARAM lParam2 = 0) const;

 private:
  DriverProcFn proc_;
  HDRVR handle_;
};

using StateBlock = std::array<std::uint8_t, 38>;

// One open instance (DRV_OPEN with an ICOPEN of type "vidc"), closed with DRV_CLOSE.
class CodecInstance {
 public:
  // Throws IoError when the codec refuses to open.
  CodecInstance(const CodecDriver& driver, DWORD mode);
  ~CodecInstance();
  CodecInstance(const CodecInstance&) = delete;
  CodecInstance& operator=(const CodecInstance&) = delete;

  LRESULT Send(UINT message, LPARAM lParam1 = 0, LPARAM lParam2 = 0) const;
  template <class A, class B = void>
  LRESULT Send(UINT message, A* lParam1, B* lParam2 = nullptr) const {
    return Send(message, reinterpret_cast<LPARAM>(lParam1), reinterpret_cast<LPARAM>(lParam2));
  }

  // ICM_GETINFO: the codec's name and handler.
  ICINFO Info() const;
  // ICM_GETSTATE and ICM_SETSTATE of the 38-byte state block; both throw IoError when the
  // codec does not answer with the block's size.
  StateBlock GetState() const;
  void SetState(const StateBlock& state) const;
  // ICM_GETQUALITY and ICM_SETQUALITY.
  DWORD GetQuality() const;
  void SetQuality(DWORD quality) const;

 private:
  const CodecDriver& driver_;
  DWORD_PTR id_ = 0;
};

// The codec's name from ICINFO.szName, as plain text.
std::string CodecName(const ICINFO& info);

}  // namespace kvtc::host
