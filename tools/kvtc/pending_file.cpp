#include "kvtc/pending_file.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "kvtc/tool_errors.h"

namespace kvtc::tool {

PendingFile::PendingFile(std::string finalPath) : final_(std::move(finalPath)) {
  // "out.avi" -> "out.avi.kvtc-Ab12Cd": same directory (so the rename stays on one file
  // system) and a name no player takes for the finished file.
  std::string pattern = final_ + ".kvtc-XXXXXX";
  const int fd = mkstemp(pattern.data());
  if (fd < 0) throw FileError(final_, std::string("cannot create: ") + std::strerror(errno));
  // mkstemp makes the file private; the finished file gets the permissions any new file of
  // the user gets.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  close(fd);
  temp_ = pattern;
}

PendingFile::~PendingFile() {
  if (!committed_) std::remove(temp_.c_str());
}

void PendingFile::Commit() {
  if (std::rename(temp_.c_str(), final_.c_str()) != 0) {
    const int error = errno;
    std::remove(temp_.c_str());
    committed_ = true;
    throw FileError(final_, std::string("cannot write: ") + std::strerror(error));
  }
  committed_ = true;
}

}  // namespace kvtc::tool
