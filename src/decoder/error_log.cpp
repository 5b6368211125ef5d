#include "decoder/error_log.h"

#include <cstdio>
#include <mutex>
#include <string>

#include "platform/system_services.h"

namespace kvtc::decoder {
namespace {

struct ErrorLog {
  std::mutex mutex;
  std::FILE* file = nullptr;
};

// Never destroyed: the stream must outlive every instance, including those closed by the
// runtime's own shutdown.
ErrorLog& Log() {
  static ErrorLog* log = new ErrorLog;
  return *log;
}

bool OpenLocked(ErrorLog& log) {
  if (log.file) return true;
  const std::string path = platform::SystemFilePath("KVTC.err");
  if (path.empty()) return false;
  log.file = std::fopen(path.c_str(), "a+");
  return log.file != nullptr;
}

void WriteLine(const char* format, std::uint32_t frameIndex) {
  ErrorLog& log = Log();
  std::lock_guard lock(log.mutex);
  if (!log.file) return;
  std::fprintf(log.file, format, static_cast<int>(frameIndex));
  std::fflush(log.file);
}

}  // namespace

bool OpenErrorLog() {
  ErrorLog& log = Log();
  std::lock_guard lock(log.mutex);
  return OpenLocked(log);
}

void LogChecksumFailure(std::uint32_t frameIndex) {
  WriteLine("ERROR: failed to pass checksum for frame %d\n", frameIndex);
}

void LogDamagedFrame(std::uint32_t frameIndex) {
  WriteLine("ERROR: damaged frame %d\n", frameIndex);
}

namespace testing {
void CloseErrorLog() {
  ErrorLog& log = Log();
  std::lock_guard lock(log.mutex);
  if (log.file) std::fclose(log.file);
  log.file = nullptr;
}
}  // namespace testing

}  // namespace kvtc::decoder
