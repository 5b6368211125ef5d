#include "host/codec_host.h"

#include "driver/driver_proc.h"
#include "host/host_errors.h"

namespace kvtc::host {
namespace {

DriverProcFn g_proc = nullptr;

// The driver handle the manager would pass; the codec only hands it back to the platform.
HDRVR const kDriverHandle = reinterpret_cast<HDRVR>(std::uintptr_t{0x4B56});

}  // namespace

void SetDriverProcForTesting(DriverProcFn proc) { g_proc = proc; }

std::string StatusText(LRESULT result) {
  const char* name = nullptr;
  switch (result) {
    case ICERR_OK: name = "ICERR_OK"; break;
    case ICERR_UNSUPPORTED: name = "ICERR_UNSUPPORTED"; break;
    case ICERR_BADFORMAT: name = "ICERR_BADFORMAT"; break;
    case ICERR_MEMORY: name = "ICERR_MEMORY"; break;
    case ICERR_BADPARAM: name = "ICERR_BADPARAM"; break;
    case ICERR_ERROR: name = "ICERR_ERROR"; break;
    default: break;
  }
  const std::string number = std::to_string(static_cast<long long>(result));
  return name ? std::string(name) + " (" + number + ")" : number;
}

CodecDriver::CodecDriver() : proc_(g_proc ? g_proc : &DriverProc), handle_(kDriverHandle) {
  proc_(0, handle_, DRV_LOAD, 0, 0);
  proc_(0, handle_, DRV_ENABLE, 0, 0);
}

CodecDriver::~CodecDriver() {
  proc_(0, handle_, DRV_DISABLE, 0, 0);
  proc_(0, handle_, DRV_FREE, 0, 0);
}

LRESULT CodecDriver::Send(DWORD_PTR id, UINT message, LPARAM lParam1, LPARAM lParam2) const {
  return proc_(id, handle_, message, lParam1, lParam2);
}

CodecInstance::CodecInstance(const CodecDriver& driver, DWORD mode) : driver_(driver) {
  ICOPEN open{};
  open.dwSize = sizeof open;
  open.fccType = MakeFourcc("vidc");
  open.fccHandler = MakeFourcc("KVTC");
  open.dwVersion = ICVERSION;
  open.dwFlags = mode;
  id_ = static_cast<DWORD_PTR>(driver_.Send(0, DRV_OPEN, 0, reinterpret_cast<LPARAM>(&open)));
  if (id_ == 0) {
    throw IoError("the codec refused to open: " + StatusText(open.dwError));
  }
}

CodecInstance::~CodecInstance() { driver_.Send(id_, DRV_CLOSE); }

LRESULT CodecInstance::Send(UINT message, LPARAM lParam1, LPARAM lParam2) const {
  return driver_.Send(id_, message, lParam1, lParam2);
}

ICINFO CodecInstance::Info() const {
  ICINFO info{};
  if (Send(ICM_GETINFO, &info, reinterpret_cast<void*>(sizeof info)) != sizeof info) {
    throw IoError("the codec does not describe itself (ICM_GETINFO)");
  }
  return info;
}

StateBlock CodecInstance::GetState() const {
  StateBlock state{};
  const LRESULT r = Send(ICM_GETSTATE, state.data(), reinterpret_cast<void*>(state.size()));
  if (r != static_cast<LRESULT>(state.size())) {
    throw IoError("the codec did not give its state (ICM_GETSTATE answered " + StatusText(r) +
                  ")");
  }
  return state;
}

void CodecInstance::SetState(const StateBlock& state) const {
  const LRESULT r = Send(ICM_SETSTATE, state.data(), reinterpret_cast<void*>(state.size()));
  if (r != static_cast<LRESULT>(state.size())) {
    throw IoError("the codec did not take its settings (ICM_SETSTATE answered " +
                  StatusText(r) + ")");
  }
}

DWORD CodecInstance::GetQuality() const {
  DWORD quality = 0;
  if (const LRESULT r = Send(ICM_GETQUALITY, &quality); r != ICERR_OK) {
    throw IoError("the codec did not give its quality (ICM_GETQUALITY answered " +
                  StatusText(r) + ")");
  }
  return quality;
}

void CodecInstance::SetQuality(DWORD quality) const {
  if (const LRESULT r = Send(ICM_SETQUALITY, &quality); r != ICERR_OK) {
    throw IoError("the codec did not take the quality (ICM_SETQUALITY answered " +
                  StatusText(r) + ")");
  }
}

std::string CodecName(const ICINFO& info) {
  std::string name;
  for (WCHAR c : info.szName) {
    if (c == 0) break;
    name += c < 128 ? static_cast<char>(c) : '?';
  }
  return name;
}

}  // namespace kvtc::host
