#include "kvtc/raw_writer.h"

#include <cerrno>
#include <cstring>

#include "kvtc/tool_errors.h"

namespace kvtc::tool {
namespace {
int KeepOpen(std::FILE*) { return 0; }
}  // namespace

RawWriter::RawWriter(const std::string& path) : path_(path), file_(nullptr, &std::fclose) {
  if (path == "-") {
    file_ = {stdout, &KeepOpen};
    return;
  }
  pending_.emplace(path);
  file_.reset(std::fopen(pending_->TempPath().c_str(), "wb"));
  if (!file_) throw FileError(path, std::string("cannot write: ") + std::strerror(errno));
}

void RawWriter::Write(std::span<const std::uint8_t> bitmap) {
  if (std::fwrite(bitmap.data(), 1, bitmap.size(), file_.get()) != bitmap.size()) {
    throw FileError(path_, std::string("cannot write: ") + std::strerror(errno));
  }
}

void RawWriter::Finish() {
  if (std::fflush(file_.get()) != 0) {
    throw FileError(path_, std::string("cannot write: ") + std::strerror(errno));
  }
  if (pending_) {
    if (std::fclose(file_.release()) != 0) {
      throw FileError(path_, std::string("cannot write: ") + std::strerror(errno));
    }
    pending_->Commit();
  }
}

}  // namespace kvtc::tool
