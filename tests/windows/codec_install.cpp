#include "vcm_support.h"

#include <cstdio>

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

// Runs a section of the codec's INF file as its users do:
//   rundll32 setupapi,InstallHinfSection SECTION 132 INF
bool RunInfSection(const std::string& inf, const char* section) {
  std::string command = std::string("rundll32.exe setupapi,InstallHinfSection ") + section +
                        " 132 " + inf;
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    std::printf("install: cannot run '%s' (%lu)\n", command.c_str(), GetLastError());
    return false;
  }
  const bool ended = WaitForSingleObject(process.hProcess, 120000) == WAIT_OBJECT_0;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  if (!ended) std::printf("install: '%s' did not end\n", command.c_str());
  return ended;
}

// The Drivers32 value where hosts of this bitness look for it (the 32-bit view, Wow6432Node,
// for a 32-bit host on 64-bit Windows).
bool DriverRegistered() {
  std::string value;
  const bool found = RunsUnderWow64()
                         ? ReadDriverValue(kDrivers32Wow64, KEY_WOW64_64KEY, value)
                         : ReadDriverValue(kDrivers32, OwnView(), value);
  return found && value == kDllName;
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

bool InstallCodec(const std::string& inf) {
  if (!RunInfSection(inf, "DefaultInstall")) return false;
  const std::string landed = DriverDirectory() + "\\" + kDllName;
  if (GetFileAttributesA(landed.c_str()) == INVALID_FILE_ATTRIBUTES) {
    std::printf("install: %s did not land in %s\n", kDllName, DriverDirectory().c_str());
    return false;
  }
  if (!DriverRegistered()) {
    std::printf("install: %s is not where this host's bitness looks for it\n", kDriverName);
    return false;
  }
  DeleteFileA(SystemFile("KVTC.cfg").c_str());
  DeleteFileA(SystemFile("KVTC.err").c_str());
  std::printf("installed %s as %s in %s\n", inf.c_str(), kDriverName, landed.c_str());
  return true;
}

bool UninstallCodec(const std::string& inf) {
  if (!RunInfSection(inf, "DefaultUninstall")) return false;
  const std::string landed = DriverDirectory() + "\\" + kDllName;
  return GetFileAttributesA(landed.c_str()) == INVALID_FILE_ATTRIBUTES && !DriverRegistered();
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
