#include "codec_install.h"

#include <cstdio>

#include "wintest.h"

namespace kvtc::wintest {
namespace {

constexpr char kDrivers32[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32";
constexpr char kDrivers32Wow64[] =
    "Software\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32";
constexpr char kDriverName[] = "vidc.KVTC";
constexpr char kDllName[] = "kvtc.dll";

// The registry view that holds drivers of this host's bitness.
REGSAM OwnView() { return sizeof(void*) == 4 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY; }

bool ReadDriverValue(const char* key, REGSAM view, std::string& value) {
  HKEY k;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE | view, &k) != ERROR_SUCCESS) {
    return false;
  }
  char data[MAX_PATH] = {};
  DWORD size = sizeof(data) - 1;
  DWORD type = 0;
  const bool ok = RegQueryValueExA(k, kDriverName, nullptr, &type,
                                   reinterpret_cast<BYTE*>(data), &size) == ERROR_SUCCESS &&
                  type == REG_SZ;
  RegCloseKey(k);
  value = data;
  return ok;
}

bool Register() {
  HKEY k;
  LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, kDrivers32, 0, nullptr, 0,
                            KEY_SET_VALUE | OwnView(), nullptr, &k, nullptr);
  if (rc != ERROR_SUCCESS) {
    std::printf("install: cannot open Drivers32 (%ld)\n", rc);
    return false;
  }
  rc = RegSetValueExA(k, kDriverName, 0, REG_SZ, reinterpret_cast<const BYTE*>(kDllName),
                      sizeof(kDllName));
  RegCloseKey(k);
  if (rc != ERROR_SUCCESS) {
    std::printf("install: cannot set %s (%ld)\n", kDriverName, rc);
    return false;
  }
  // A 32-bit driver on 64-bit Windows must be found under Wow6432Node.
  std::string value;
  const bool found = RunsUnderWow64()
                         ? ReadDriverValue(kDrivers32Wow64, KEY_WOW64_64KEY, value)
                         : ReadDriverValue(kDrivers32, OwnView(), value);
  if (!found || value != kDllName) {
    std::printf("install: %s is not where this host's bitness looks for it\n", kDriverName);
    return false;
  }
  return true;
}

}  // namespace

bool RunsUnderWow64() {
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

std::string DriverDirectory() {
  char dir[MAX_PATH] = {};
  const UINT n = RunsUnderWow64() ? GetSystemWow64DirectoryA(dir, MAX_PATH)
                                  : GetSystemDirectoryA(dir, MAX_PATH);
  return std::string(dir, n < MAX_PATH ? n : 0);
}

std::string SystemFile(const char* name) {
  char dir[MAX_PATH] = {};
  const UINT n = GetSystemDirectoryA(dir, MAX_PATH);
  return std::string(dir, n < MAX_PATH ? n : 0) + "\\" + name;
}

bool InstallCodec(const std::string& dllSource) {
  const std::string target = SystemFile(kDllName);  // redirected to syswow64 under WoW64
  if (!CopyFileA(dllSource.c_str(), target.c_str(), FALSE)) {
    std::printf("install: cannot copy %s to %s (%lu)\n", dllSource.c_str(), target.c_str(),
                GetLastError());
    return false;
  }
  const std::string landed = DriverDirectory() + "\\" + kDllName;
  if (GetFileAttributesA(landed.c_str()) == INVALID_FILE_ATTRIBUTES) {
    std::printf("install: %s did not land in %s\n", kDllName, DriverDirectory().c_str());
    return false;
  }
  DeleteFileA(SystemFile("KVTC.cfg").c_str());
  DeleteFileA(SystemFile("KVTC.err").c_str());
  if (!Register()) return false;
  std::printf("installed %s as %s in %s\n", dllSource.c_str(), kDriverName, landed.c_str());
  return true;
}

std::string LoadedCodecPath() {
  HMODULE module = GetModuleHandleA(kDllName);
  if (!module) return {};
  char path[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameA(module, path, MAX_PATH);
  return std::string(path, n < MAX_PATH ? n : 0);
}

bool SamePath(const std::string& a, const std::string& b) {
  return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

}  // namespace kvtc::wintest
