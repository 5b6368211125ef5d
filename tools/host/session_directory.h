// A system directory of the tool's own for one codec session.
//
// The codec takes its settings from the settings file in its system directory: when an
// instance opens, and for decompression again at its first frame. Display choices (gamma,
// grey display, zoom, the 8-bit palette kind) and the median filter have no other way in, and
// the tool must not rewrite the user's saved settings to pass them. So each session points the
// codec at a fresh directory holding a settings file with exactly the settings the session
// wants, and whose error log name leads to the user's own error log, so that checksum failures
// land where the codec always logs them.
//
// The codec finds its system directory through the process environment, which every thread
// of a process shares. So the variable names a session's directory only while a Pointer lives:
// it holds one process-wide lock from setting the variable until the codec has read it, and
// then puts the variable back. Sessions on other threads wait for it meanwhile; at every other
// time the codec sees the user's own system directory (where the session's log name leads
// anyway).
#pragma once

#include <mutex>
#include <string>

#include "settings/settings_record.h"

namespace kvtc::host {

// The process-wide lock under which the codec's system directory is pointed at a session's
// directory. Whoever else reads the system directory from the environment holds it too, so
// that no thread ever sees another's session directory in place of the user's, nor the
// variable while it is being rewritten.
std::unique_lock<std::mutex> LockSystemDirectory();

class SessionDirectory {
 public:
  // Throws IoError when the directory cannot be made.
  explicit SessionDirectory(const settings::SettingsRecord& settings);
  ~SessionDirectory();
  SessionDirectory(const SessionDirectory&) = delete;
  SessionDirectory& operator=(const SessionDirectory&) = delete;

  // The user's error log, which the session's log name leads to (empty when there is none).
  const std::string& ErrorLog() const { return errorLog_; }

  // Points the codec at this directory for the life of the object: hold one around every
  // message in which the codec reads its settings (opening an instance, the first frame
  // decompressed).
  class Pointer {
   public:
    explicit Pointer(const SessionDirectory& session);
    ~Pointer();
    Pointer(const Pointer&) = delete;
    Pointer& operator=(const Pointer&) = delete;

   private:
    std::unique_lock<std::mutex> lock_;
    std::string previous_;
    bool hadPrevious_ = false;
  };

 private:
  std::string path_;
  std::string errorLog_;
};

}  // namespace kvtc::host
