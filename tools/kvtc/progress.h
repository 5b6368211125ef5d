// A progress line on standard error while a command works: frames done, frames a second,
// the bit rate so far and the time left when the total is known. Shown only when standard
// error is a terminal and the user did not ask for quiet.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace kvtc::tool {

class Progress {
 public:
  // `total` frames, 0 when unknown; `framesPerSecond` of the media, for the bit rate.
  Progress(bool quiet, std::int64_t total, double framesPerSecond);
  ~Progress();
  // Called after every frame with the frames done and the compressed bytes so far.
  void Update(std::int64_t frames, std::uint64_t compressedBytes);
  // Clears the line.
  void Done();

  // The line itself, for given numbers (also what tests read).
  static std::string Line(std::int64_t frames, std::int64_t total, double elapsedSeconds,
                          double kbitPerSecond);

 private:
  bool shown_;
  std::int64_t total_;
  double framesPerSecond_;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point lastDrawn_;
  std::size_t lastWidth_ = 0;
};

}  // namespace kvtc::tool
