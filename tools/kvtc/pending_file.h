// Where an output goes. A regular file, or a name that does not exist yet, is written under a
// temporary name beside it and renamed into place only when complete, so that an interrupted
// or failed run never leaves a file that looks finished and never spoils the file it
// replaces. A symbolic link is followed to what it names (the link itself stays); a pipe, a
// device or a socket is written directly, since renaming over it would replace the node.
// Abandoning a pending file (destruction without Commit) removes the temporary file and
// nothing else.
#pragma once

#include <string>

namespace kvtc::tool {

class PendingFile {
 public:
  // Creates an empty temporary file beside where the final path leads (or opens nothing for
  // a pipe or device); throws IoError naming the final path when that is impossible.
  explicit PendingFile(std::string finalPath);
  ~PendingFile();
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  // The name to open for writing: the temporary file, or the pipe or device itself.
  const std::string& TempPath() const { return temp_; }
  const std::string& FinalPath() const { return final_; }
  // Renames the temporary file into place; throws IoError when it cannot.
  void Commit();

 private:
  std::string final_;
  std::string target_;  // where the final path leads, links followed
  std::string temp_;
  bool direct_ = false;
  int registration_ = 0;
  bool committed_ = false;
};

// The path `path` leads to once every symbolic link in its last component is followed (a
// dangling link leads to the name it holds). Throws IoError for a loop of links.
std::string FollowLinks(const std::string& path);

// Whether output to `path` goes straight into what it names: a pipe, a device or a socket,
// also behind links, and the process's own standard streams by name (/dev/stdout).
bool WrittenInPlace(const std::string& path);

// Throws UsageError when `output` is the same file as `input` (same device and inode, so
// hard and symbolic links count), which writing would destroy.
void RequireDistinctFiles(const std::string& input, const std::string& output);

}  // namespace kvtc::tool
