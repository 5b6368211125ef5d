// How a host session fails: an input/output error carrying the one message the user sees.
#pragma once

#include <stdexcept>
#include <string>

namespace kvtc::host {

// Something outside the command line went wrong: a file that cannot be read or written, media
// that cannot be decoded, a stream the codec refuses. The message names the file.
struct IoError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// "<path>: <problem>", the shape of every file error.
inline IoError FileError(const std::string& path, const std::string& problem) {
  return IoError((path == "-" ? std::string("standard stream") : path) + ": " + problem);
}

// An error from a step that does not know the file it works for, named after `path`; an error
// that begins with `path` or with `other` (the other file of a command) names its file already.
inline IoError NamedAfter(const IoError& e, const std::string& path, const std::string& other) {
  const std::string what = e.what();
  if (what.rfind(path + ":", 0) == 0 || what.rfind(other + ":", 0) == 0) return e;
  return FileError(path, what);
}

}  // namespace kvtc::host
