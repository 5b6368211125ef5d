#include "kvtc/pending_file.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "kvtc/interrupt_cleanup.h"
#include "kvtc/tool_errors.h"

namespace kvtc::tool {
namespace {

std::string ErrnoText() { return std::strerror(errno); }

}  // namespace

std::string FollowLinks(const std::string& path) {
  std::string at = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return at;
    std::string target(static_cast<std::size_t>(st.st_size) + 256, '\0');
    const ssize_t n = readlink(at.c_str(), target.data(), target.size());
    if (n < 0) return at;
    target.resize(static_cast<std::size_t>(n));
    // A relative link is relative to the folder holding it.
    const std::size_t slash = at.rfind('/');
    at = target.front() == '/' || slash == std::string::npos ? target
                                                             : at.substr(0, slash + 1) + target;
  }
  throw FileError(path, "cannot write: too many levels of symbolic links");
}

void RequireDistinctFiles(const std::string& input, const std::string& output) {
  if (input == "-" || output == "-") return;
  struct stat in {}, out {};
  if (stat(input.c_str(), &in) != 0 || stat(output.c_str(), &out) != 0) return;
  // Two ends of one pipe or terminal are not one file to protect.
  if (!S_ISREG(out.st_mode)) return;
  if (in.st_dev == out.st_dev && in.st_ino == out.st_ino) {
    throw UsageError("the output " + output + " is the input " + input +
                     ": writing it would destroy the input");
  }
}

bool WrittenInPlace(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  // The process's own streams by name (/dev/stdout, /proc/self/fd/1) are open already: a
  // rename would take the output away from whoever holds them.
  const bool ownStream = path.rfind("/dev/std", 0) == 0 || path.rfind("/dev/fd/", 0) == 0 ||
                         path.rfind("/proc/", 0) == 0;
  return ownStream || !S_ISREG(st.st_mode);
}

PendingFile::PendingFile(std::string finalPath) : final_(std::move(finalPath)) {
  struct stat st {};
  const bool exists = stat(final_.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) throw FileError(final_, "cannot write: it is a folder");
  if (WrittenInPlace(final_)) {
    direct_ = true;
    temp_ = final_;
    return;
  }
  target_ = FollowLinks(final_);
  // A file the user may not write is not replaced either.
  if (exists && access(target_.c_str(), W_OK) != 0) {
    throw FileError(final_, "cannot write: " + ErrnoText());
  }
  // "out.avi" -> "out.avi.kvtc-Ab12Cd": beside the file written (so the rename stays on one
  // file system) and a name no player takes for the finished file.
  std::string pattern = target_ + ".kvtc-XXXXXX";
  const int fd = mkstemp(pattern.data());
  if (fd < 0) throw FileError(final_, "cannot create: " + ErrnoText());
  // mkstemp makes the file private; the finished file keeps the permissions of the file it
  // replaces, or gets those any new file of the user gets.
  mode_t mode = st.st_mode & 07777;
  if (!exists) {
    const mode_t mask = umask(0);
    umask(mask);
    mode = 0666 & ~mask;
  }
  fchmod(fd, mode);
  close(fd);
  temp_ = pattern;
  registration_ = RegisterTemporary(temp_, false);
}

PendingFile::~PendingFile() {
  if (direct_ || committed_) return;
  Unregister(registration_);
  std::remove(temp_.c_str());
}

void PendingFile::Commit() {
  if (direct_ || committed_) return;
  committed_ = true;
  int error = 0;
  Unregister(registration_, [&] {
    if (std::rename(temp_.c_str(), target_.c_str()) != 0) error = errno;
  });
  if (error != 0) {
    std::remove(temp_.c_str());
    throw FileError(final_, std::string("cannot write: ") + std::strerror(error));
  }
}

}  // namespace kvtc::tool
