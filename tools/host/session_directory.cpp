#include "host/session_directory.h"

#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "host/codec_settings.h"
#include "host/host_errors.h"
#include "settings/settings_file.h"

namespace kvtc::host {
namespace {

constexpr const char* kSystemDirVariable = "KVTC_SYSTEM_DIR";

std::string TempBase() {
  const char* tmp = std::getenv("TMPDIR");
  return tmp && *tmp ? tmp : "/tmp";
}

}  // namespace

std::unique_lock<std::mutex> LockSystemDirectory() {
  static std::mutex lock;
  return std::unique_lock<std::mutex>(lock);
}

SessionDirectory::SessionDirectory(const settings::SettingsRecord& settings)
    : errorLog_(ErrorLogPath()) {
  std::string pattern = TempBase() + "/kvtc-session-XXXXXX";
  if (!mkdtemp(pattern.data())) {
    throw FileError(pattern, std::string("cannot make a directory: ") + std::strerror(errno));
  }
  path_ = pattern;
  const std::string cfg = path_ + "/" + settings::kSettingsFileName;
  std::FILE* f = std::fopen(cfg.c_str(), "wb");
  const bool written = f && std::fwrite(&settings, sizeof settings, 1, f) == 1;
  if (f) std::fclose(f);
  if (!written) {
    std::filesystem::remove_all(path_);
    throw FileError(cfg, "cannot write the session's settings");
  }
  if (!errorLog_.empty()) symlink(errorLog_.c_str(), (path_ + "/KVTC.err").c_str());
}

SessionDirectory::~SessionDirectory() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

SessionDirectory::Pointer::Pointer(const SessionDirectory& session)
    : lock_(LockSystemDirectory()) {
  if (const char* prev = std::getenv(kSystemDirVariable)) {
    previous_ = prev;
    hadPrevious_ = true;
  }
  setenv(kSystemDirVariable, session.path_.c_str(), 1);
}

SessionDirectory::Pointer::~Pointer() {
  if (hadPrevious_) {
    setenv(kSystemDirVariable, previous_.c_str(), 1);
  } else {
    unsetenv(kSystemDirVariable);
  }
}

}  // namespace kvtc::host
