// Rate control for a link of fixed rate: before each frame, the change threshold (through the
// frame's quality) that should make the frame cost what the link can take, and whether to
// send a frame at all. The codec keeps its reference picture, so a frame cannot be compressed
// twice: the choice is made beforehand, from what recent frames cost at the thresholds they
// were coded with.
//
// The link is a leaky bucket: the bytes of every frame sent go into a buffer, which the link
// drains by rate / frame rate bytes every frame interval. Frames are planned so that the buffer
// holds at most a fifth of a second of the link, which keeps any one-second stretch of the
// stream near the link's rate. A frame expected not to fit is dropped: the host sends an empty
// frame and the decoder shows the last picture again; the codec codes the next frame against
// the picture the decoder holds, so nothing goes stale. When the link is about to fall idle a
// frame is sent whatever it costs (the first key frame at a low rate, or a scene the link
// cannot carry even at the coarsest threshold), and the frames after it are dropped until the
// link has carried it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win32_types.h"

namespace kvtc::host {

struct LinkBudget {
  double bitsPerSecond = 0;
  double framesPerSecond = 15;
  std::size_t maxFrameBytes = 0;  // no frame planned above it; 0: no limit of its own
};

struct FramePlan {
  bool send = true;   // false: drop the frame
  BYTE threshold = 0;
  DWORD quality = 0;  // the frame quality that gives the threshold
};

class RateController {
 public:
  // `finest` is the finest threshold the control may choose; `pixels` the picture's size, for
  // a first guess at what a key frame costs.
  RateController(const LinkBudget& link, BYTE finest, std::size_t pixels);

  // The plan for the next frame: sent when it is expected to fit at the coarsest threshold, or
  // when the buffer holds at most a frame interval's worth (the link would fall idle). A key
  // frame, which costs about the same at every threshold, is sent only then, so that it waits
  // for the link rather than flooding it.
  FramePlan Plan(bool key) const;
  // What the frame cost (0 when it was dropped) and the threshold it was coded with.
  void Sent(std::size_t bytes, BYTE threshold, bool key);

  double DrainBytes() const { return drain_; }   // the link's bytes a frame interval
  double DepthBytes() const { return depth_; }   // the most the buffer holds after a drain
  double BufferBytes() const { return buffer_; }  // waiting for the link now

  // The bytes the next frame is expected to cost at threshold T.
  double Predicted(BYTE threshold, bool key) const;

 private:
  LinkBudget link_;
  double drain_;
  double depth_;
  double buffer_ = 0;
  BYTE finest_;
  bool seenOrdinary_ = false;  // a non-key frame has been sent
  // The cost of a frame at threshold T, n frame intervals after the last frame sent, is
  // modelled as scale * n^(1/3) / (T + 4)^1.2; the scale follows the frames as they come (the
  // mean of its logarithm over the last two). Key frames have a scale of their own (the last
  // key frame's), at n = 1.
  double logKeyScale_;
  double logScale_;
  std::uint32_t intervals_ = 1;  // n for the next frame
};

}  // namespace kvtc::host
