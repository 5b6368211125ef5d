// An output file written under a temporary name beside its final path and renamed into place
// only when it is complete, so that an interrupted or failed run never leaves a file that
// looks finished. Abandoning it (destruction without Commit) removes the temporary file.
#pragma once

#include <string>

namespace kvtc::tool {

class PendingFile {
 public:
  // Creates an empty temporary file in the final path's directory; throws IoError naming the
  // final path when that is impossible.
  explicit PendingFile(std::string finalPath);
  ~PendingFile();
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  const std::string& TempPath() const { return temp_; }
  const std::string& FinalPath() const { return final_; }
  // Renames the temporary file to the final path; throws IoError when it cannot.
  void Commit();

 private:
  std::string final_;
  std::string temp_;
  bool committed_ = false;
};

}  // namespace kvtc::tool
