// The decompressor's bitmaps exactly as the codec wrote them, one after another, to a file
// (written under a temporary name and renamed when complete) or to standard output ("-").
#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "kvtc/pending_file.h"

namespace kvtc::tool {

class RawWriter {
 public:
  explicit RawWriter(const std::string& path);
  void Write(std::span<const std::uint8_t> bitmap);
  void Finish();

 private:
  std::string path_;
  std::optional<PendingFile> pending_;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file_;
};

}  // namespace kvtc::tool
