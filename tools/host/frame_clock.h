// Where each picture of a source goes in a stream of frames at a fixed rate: by its
// timestamp, so that a source that skips frame times (an AVI with empty frames, a variable-rate
// file, a camera that drops frames) keeps its timing, the frame times without a picture held.
// A picture is never dropped: one that comes early takes the next free frame. A jump of more
// than ten minutes is taken as a break in the timestamps, not as time to fill.
#pragma once

#include <cstdint>
#include <optional>

namespace kvtc::host {

struct FramePlace {
  std::int64_t frame = 0;  // the picture's frame
  std::int64_t held = 0;   // frame times without a picture just before it
};

class FrameClock {
 public:
  // `framesPerStamp`: the stream's frames in one unit of the timestamps (frame rate times the
  // time base); 0: every picture takes the next frame.
  FrameClock(double framesPerSecond, double framesPerStamp)
      : framesPerSecond_(framesPerSecond), framesPerStamp_(framesPerStamp) {}

  // Places the next picture, stamped `stamp` (none: the next frame).
  FramePlace Place(std::optional<std::int64_t> stamp);

 private:
  double framesPerSecond_;
  double framesPerStamp_;
  std::optional<std::int64_t> first_;
  std::int64_t shift_ = 0;  // frames of the breaks taken out
  std::int64_t next_ = 0;   // the first free frame
};

}  // namespace kvtc::host
