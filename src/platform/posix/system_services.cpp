#include "platform/system_services.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace kvtc::platform {
namespace {

struct Observations {
  std::mutex mutex;
  std::vector<testing::DefDriverProcCall> defDriverProc;
  std::vector<testing::MessageBoxCall> messageBoxes;
  int moduleHandleCalls = 0;
};

Observations& Observed() {
  static Observations* o = new Observations;
  return *o;
}

// mkdir -p: true when the directory exists afterwards.
bool MakeDirectories(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  std::size_t slash = path.find_last_of('/');
  if (slash != std::string::npos && slash > 0 && !MakeDirectories(path.substr(0, slash))) {
    return false;
  }
  return mkdir(path.c_str(), 0755) == 0 || errno == EEXIST;
}

std::string ChooseSystemDirectory() {
  if (const char* dir = std::getenv("KVTC_SYSTEM_DIR"); dir && *dir) return dir;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
    return std::string(xdg) + "/kvtc";
  }
  if (const char* home = std::getenv("HOME"); home && *home) {
    return std::string(home) + "/.config/kvtc";
  }
  return {};
}

}  // namespace

UINT GetSystemDirectoryA(char* buffer, UINT size) {
  std::string dir = ChooseSystemDirectory();
  if (dir.empty()) return 0;
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  MakeDirectories(dir);  // a directory that cannot be made shows up when files are opened
  const auto length = static_cast<UINT>(dir.size());
  if (!buffer || size <= length) return length + 1;
  std::memcpy(buffer, dir.c_str(), dir.size() + 1);
  return length;
}

LRESULT DefDriverProc(DWORD_PTR driverId, HDRVR driver, UINT message, LPARAM lParam1,
                      LPARAM lParam2) {
  Observations& o = Observed();
  std::lock_guard lock(o.mutex);
  o.defDriverProc.push_back({driverId, driver, message, lParam1, lParam2});
  return 0;
}

HMODULE GetDriverModuleHandle(HDRVR /*driver*/) {
  {
    Observations& o = Observed();
    std::lock_guard lock(o.mutex);
    ++o.moduleHandleCalls;
  }
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&GetDriverModuleHandle), &info) && info.dli_fbase) {
    return static_cast<HMODULE>(info.dli_fbase);
  }
  return nullptr;
}

int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) {
  std::fprintf(stderr, "[%s] %s\n", caption ? caption : "", text ? text : "");
  Observations& o = Observed();
  std::lock_guard lock(o.mutex);
  o.messageBoxes.push_back({owner, text ? text : "", caption ? caption : "", type});
  return IDOK;
}

BOOL DisableThreadLibraryCalls(HMODULE /*module*/) { return TRUE; }

namespace testing {

std::vector<DefDriverProcCall> DefDriverProcCalls() {
  Observations& o = Observed();
  std::lock_guard lock(o.mutex);
  return o.defDriverProc;
}

std::vector<MessageBoxCall> MessageBoxCalls() {
  Observations& o = Observed();
  std::lock_guard lock(o.mutex);
  return o.messageBoxes;
}

int GetDriverModuleHandleCalls() {
  Observations& o = Observed();
  std::lock_guard lock(o.mutex);
  return o.moduleHandleCalls;
}

void ClearCalls() {
  Observations& o = Observed();
  std::lock_guard lock(o.mutex);
  o.defDriverProc.clear();
  o.messageBoxes.clear();
  o.moduleHandleCalls = 0;
}

}  // namespace testing
}  // namespace kvtc::platform
