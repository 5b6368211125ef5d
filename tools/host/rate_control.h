// Rate control for a link of fixed rate: before each frame, the change threshold (through the
// frame's quality) that should make the frame cost what the link can take, the most it may
// cost, and whether to send a frame at all. The codec keeps its reference picture, so a frame
// cannot be compressed twice: the choice is made beforehand, from what recent frames cost at
// the thresholds they were coded with.
//
// The link is a leaky bucket: the bytes of every frame sent go into a buffer, which the link
// drains by rate / frame rate bytes every frame interval. No ordinary frame may take the buffer
// above a quarter second of the link, and no frame may bring the last second of the stream
// above 124% of the link's second: the codec is told the bytes left (ICCOMPRESS.dwFrameSize)
// and keeps within them, whatever the pictures do. Ordinary frames are planned to cost the
// link's bytes for their interval and bring the buffer back towards a sixteenth of a second,
// so that the link never falls idle while there is picture to send, and are sent only when
// they leave it at most half full, so that the stream never runs far ahead of the link.
//
// A frame expected not to fit is dropped: the host sends an empty frame and the decoder shows
// the last picture again; the codec codes the next frame against the picture the decoder
// holds, so nothing goes stale. When the link is about to fall idle a frame is sent whatever
// it is expected to cost, within its room. A key frame waits for that moment and may then take
// what the last second of the stream has left: a whole new picture is worth a short wait,
// where the quarter second would have it built up by the codec over many frames. One larger
// still (a whole picture at a modem's rate) is built up within that room, and a scene the link
// cannot carry even at the coarsest threshold is coded while the room lasts and caught up by
// later frames.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>

#include "platform/win32_types.h"

namespace kvtc::host {

struct LinkBudget {
  double bitsPerSecond = 0;
  double framesPerSecond = 15;
  std::size_t maxFrameBytes = 0;  // no frame above it; 0: no limit of its own
};

// Whether pictures of `pixels` samples go over this link better with luma at half resolution
// (the lossless-luma option off): below a byte a pixel a second, a whole picture with every
// luma sample is more than a second of the link, and the moving parts of a camera picture are
// more than the link carries; every luma sample then costs more than it gives.
bool LinkWantsHalfResolutionLuma(const LinkBudget& link, std::size_t pixels);

struct FramePlan {
  bool send = true;   // false: drop the frame
  BYTE threshold = 0;
  DWORD quality = 0;  // the frame quality that gives the threshold
  DWORD maxBytes = 0;  // the most the frame may cost (for ICCOMPRESS.dwFrameSize)
};

class RateController {
 public:
  // `finest` is the finest threshold the control may choose; `pixels` the picture's size, for
  // a first guess at what a key frame costs and for the least a frame can cost (one bit a
  // block).
  RateController(const LinkBudget& link, BYTE finest, std::size_t pixels);

  // The plan for the next frame: sent when it is expected to fit at the coarsest threshold, or
  // when the buffer holds at most a frame interval's worth (the link would fall idle). A key
  // frame, which costs much the same at every threshold, is sent only then, so that it has
  // the whole buffer.
  FramePlan Plan(bool key) const;
  // What the frame sent with `plan` cost (0 when it was dropped), and whether the codec made it
  // a key frame.
  void Sent(std::size_t bytes, const FramePlan& plan, bool key);
  // A frame interval in which the source had no new picture: the link drains, and the picture
  // has not moved on, so the next frame is expected to cost what it would have.
  void Idle();

  double DrainBytes() const { return drain_; }   // the link's bytes a frame interval
  double DepthBytes() const { return depth_; }   // the most the buffer holds after a drain
  double BufferBytes() const { return buffer_; }  // waiting for the link now

  // The bytes the next frame is expected to cost at threshold T.
  double Predicted(BYTE threshold, bool key) const;

 private:
  // One frame interval carrying `bytes`: into the buffer, out by the link's drain.
  void Interval(std::size_t bytes);

  LinkBudget link_;
  double drain_;
  double depth_;
  double leastFrame_;  // an all-unchanged frame, with room to spare
  double buffer_ = 0;
  // What the frames of the last second but one interval cost, for the room of a key frame.
  std::deque<double> recent_;
  std::size_t windowFrames_;
  double windowBytes_;  // the most a one-second stretch may carry
  BYTE finest_;
  bool seenOrdinary_ = false;  // a non-key frame has been sent
  // The threshold of the last frame sent (at least 1), 0 when it was a key frame or none was.
  BYTE lastThreshold_ = 0;
  // The cost of a frame at threshold T, n frame intervals after the last frame sent, is
  // modelled as scale * n^(1/3) / (T + 4)^1.2; the scale follows the frames as they come (the
  // mean of its logarithm over the last two). A frame that filled its room cost at least what
  // it did: the scale then grows by half. Key frames have a scale of their own (the last key
  // frame's), at n = 1.
  double logKeyScale_;
  double logScale_;
  std::uint32_t intervals_ = 1;  // n for the next frame
  std::uint32_t idle_ = 0;       // intervals held since the last frame planned
};

}  // namespace kvtc::host
