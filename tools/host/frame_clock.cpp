#include "host/frame_clock.h"

#include <algorithm>
#include <cmath>

namespace kvtc::host {

FramePlace FrameClock::Place(std::optional<std::int64_t> stamp) {
  std::int64_t frame = next_;
  if (stamp && framesPerStamp_ > 0) {
    if (!first_) first_ = *stamp;
    frame = std::llround(static_cast<double>(*stamp - *first_) * framesPerStamp_) - shift_;
    if (static_cast<double>(frame - next_) > 600 * framesPerSecond_) {
      shift_ += frame - next_;
      frame = next_;
    }
    frame = std::max(frame, next_);
  }
  const FramePlace place{frame, frame - next_};
  next_ = frame + 1;
  return place;
}

}  // namespace kvtc::host
