#include "platform/system_services.h"

namespace kvtc::platform {

namespace {
#if defined(_WIN32)
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif
// The buffer size the codec asks the system directory with first; a longer directory is
// asked for again with the size the system names.
constexpr UINT kSystemDirectoryBuffer = 132;
}  // namespace

std::string SystemDirectory() {
  std::string dir(kSystemDirectoryBuffer, '\0');
  UINT n = GetSystemDirectoryA(dir.data(), kSystemDirectoryBuffer);
  if (n >= kSystemDirectoryBuffer) {
    dir.assign(n, '\0');
    n = GetSystemDirectoryA(dir.data(), n);
    if (n >= dir.size()) return {};
  }
  dir.resize(n);
  return dir;
}

std::string SystemFilePath(const char* name) {
  std::string dir = SystemDirectory();
  if (dir.empty()) return {};
  if (dir.back() != kPathSeparator) dir += kPathSeparator;
  return dir + name;
}

}  // namespace kvtc::platform
