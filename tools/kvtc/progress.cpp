#include "kvtc/progress.h"

#include <unistd.h>

#include <cstdio>

namespace kvtc::tool {
namespace {

std::string Clock(double seconds) {
  const long s = static_cast<long>(seconds + 0.5);
  char text[32];
  std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
  return text;
}

}  // namespace

Progress::Progress(bool quiet, std::int64_t total, double framesPerSecond)
    : shown_(!quiet && isatty(STDERR_FILENO)),
      total_(total),
      framesPerSecond_(framesPerSecond),
      start_(std::chrono::steady_clock::now()),
      lastDrawn_(start_) {}

Progress::~Progress() { Done(); }

std::string Progress::Line(std::int64_t frames, std::int64_t total, double elapsed,
                           double kbitPerSecond) {
  char text[160];
  const double fps = elapsed > 0 ? frames / elapsed : 0;
  int n = std::snprintf(text, sizeof text, "frame %lld", static_cast<long long>(frames));
  if (total > 0) n += std::snprintf(text + n, sizeof text - n, "/%lld", static_cast<long long>(total));
  n += std::snprintf(text + n, sizeof text - n, "  %.1f fps  %.1f kbit/s", fps, kbitPerSecond);
  std::string line(text, static_cast<std::size_t>(n));
  if (total > frames && fps > 0) line += "  " + Clock((total - frames) / fps) + " left";
  return line;
}

void Progress::Update(std::int64_t frames, std::uint64_t compressedBytes) {
  if (!shown_) return;
  const auto now = std::chrono::steady_clock::now();
  if (now - lastDrawn_ < std::chrono::milliseconds(200) && frames != total_) return;
  lastDrawn_ = now;
  const double elapsed = std::chrono::duration<double>(now - start_).count();
  const double kbit =
      frames > 0 ? compressedBytes * 8.0 / 1000.0 / (frames / framesPerSecond_) : 0.0;
  const std::string line = Line(frames, total_, elapsed, kbit);
  std::fprintf(stderr, "\r%s%s", line.c_str(),
               std::string(lastWidth_ > line.size() ? lastWidth_ - line.size() : 0, ' ').c_str());
  std::fflush(stderr);
  lastWidth_ = line.size();
}

void Progress::Done() {
  if (!shown_ || lastWidth_ == 0) return;
  std::fprintf(stderr, "\r%s\r", std::string(lastWidth_, ' ').c_str());
  std::fflush(stderr);
  lastWidth_ = 0;
}

}  // namespace kvtc::tool
