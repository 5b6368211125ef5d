// The system directory of a fuzzing run: a private temporary directory, named by
// KVTC_SYSTEM_DIR, whose error log "KVTC.err" is the null device.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <string>

namespace kvtc::fuzz {

// Its path, or empty when it cannot be made.
inline std::string PrepareSystemDirectory() {
  char pattern[] = "/tmp/kvtc-fuzz-XXXXXX";
  if (!mkdtemp(pattern)) return {};
  const std::string log = std::string(pattern) + "/KVTC.err";
  if (symlink("/dev/null", log.c_str()) != 0) return {};
  setenv("KVTC_SYSTEM_DIR", pattern, 1);
  return pattern;
}

}  // namespace kvtc::fuzz
