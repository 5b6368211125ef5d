#include "kvtc/pending_sequence.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

extern "C" {
#include <libavformat/avformat.h>
}

#include "kvtc/interrupt_cleanup.h"
#include "kvtc/tool_errors.h"

namespace kvtc::tool {

std::string PictureName(const std::string& pattern, std::int64_t number) {
  char name[4096];
  if (av_get_frame_filename2(name, sizeof name, pattern.c_str(), static_cast<int>(number), 0) !=
      0) {
    return "";
  }
  return name;
}

PendingSequence::PendingSequence(std::string pattern) : pattern_(std::move(pattern)) {
  const std::size_t slash = pattern_.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : pattern_.substr(0, slash + 1);
  std::string temp = folder + ".kvtc-XXXXXX";
  if (!mkdtemp(temp.data())) {
    throw FileError(pattern_, std::string("cannot create pictures there: ") +
                                  std::strerror(errno));
  }
  folder_ = temp;
  tempPattern_ = folder_ + "/" + pattern_.substr(slash == std::string::npos ? 0 : slash + 1);
  registration_ = RegisterTemporary(folder_, true);
}

PendingSequence::~PendingSequence() {
  if (committed_) return;
  Unregister(registration_);
  RemoveFolderAndFiles(folder_);
}

void PendingSequence::Commit(std::int64_t count) {
  committed_ = true;
  std::string failed;
  int error = 0;
  Unregister(registration_, [&] {
    for (std::int64_t i = 1; i <= count && !error; ++i) {
      const std::string name = PictureName(pattern_, i);
      if (std::rename(PictureName(tempPattern_, i).c_str(), name.c_str()) != 0) {
        error = errno;
        failed = name;
      }
    }
  });
  RemoveFolderAndFiles(folder_);
  if (error) throw FileError(failed, std::string("cannot write: ") + std::strerror(error));

  std::int64_t last = count;
  struct stat st {};
  while (stat(PictureName(pattern_, last + 1).c_str(), &st) == 0) ++last;
  if (last > count) {
    stale_ = last == count + 1
                 ? PictureName(pattern_, last) + " is an older picture"
                 : PictureName(pattern_, count + 1) + " to " + PictureName(pattern_, last) +
                       " are older pictures";
    stale_ += " of the same pattern that this run did not write";
  }
}

}  // namespace kvtc::tool
