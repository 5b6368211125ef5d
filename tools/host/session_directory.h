// A system directory of the tool's own for one codec session.
//
// The codec takes its settings from the settings file in its system directory: when an
// instance opens, and for decompression again at its first frame. Display choices (gamma,
// grey display, zoom, the 8-bit palette kind) and the median filter have no other way in, and
// the tool must not rewrite the user's saved settings to pass them. So each session points the
// codec at a fresh directory holding a settings file with exactly the settings the session
// wants, and whose error log name leads to the user's own error log, so that checksum failures
// land where the codec always logs them.
#pragma once

#include <string>

#include "settings/settings_record.h"

namespace kvtc::host {

class SessionDirectory {
 public:
  // Throws IoError when the directory cannot be made.
  explicit SessionDirectory(const settings::SettingsRecord& settings);
  ~SessionDirectory();
  SessionDirectory(const SessionDirectory&) = delete;
  SessionDirectory& operator=(const SessionDirectory&) = delete;

  // The user's error log, which the session's log name leads to (empty when there is none).
  const std::string& ErrorLog() const { return errorLog_; }

 private:
  std::string path_;
  std::string errorLog_;
  std::string previous_;
  bool hadPrevious_ = false;
};

}  // namespace kvtc::host
