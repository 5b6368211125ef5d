#include "host/rate_control.h"

#include <algorithm>
#include <cmath>

#include "host/codec_settings.h"

namespace kvtc::host {
namespace {

constexpr BYTE kCoarsest = 30;
// At threshold 0 a noisy picture sends nearly every sample as a literal, more than a frame's
// literal section can hold, and the codec codes such a frame at 8 instead: the control, which
// cannot see that, would take 0 for a cheap threshold. It goes no finer than 1.
constexpr BYTE kFinest = 1;
// The buffer's depth, and the most one second of the stream may carry, as shares of the
// link's second: a hundredth under the quarter, so that rounding never reaches 125%.
constexpr double kDepthSeconds = 0.24;
constexpr double kWindowShare = 1.24;
constexpr double kExponent = 1.2;
// The most the threshold refines from one frame to the next, and the frames over which the
// buffer is brought back to its aim.
constexpr int kRefineStep = 3;
constexpr double kCatchUpFrames = 4;
// Before the first key frame: a key frame at threshold T taken to cost 8 bytes a pixel over
// (T + 4)^1.2 (about what a detailed camera picture costs); until a non-key frame has been
// seen, one is taken to cost a tenth of the key frame.
constexpr double kKeyBytesPerPixel = 8;
constexpr double kFirstFrameShare = 0.1;
// A frame that came within this much (plus one bit a block) of its room may have been cut
// short: the codec stops coding blocks when the room left cannot hold one more at its worst.
constexpr double kRoomSlack = 160;
const double kLogFilledGrowth = std::log(1.5);

// The log of how a frame's cost falls with its threshold and grows with the frame intervals it
// covers (the change since the last frame sent, which grows more slowly than the time).
double LogFactor(BYTE threshold, std::uint32_t intervals) {
  return kExponent * std::log(threshold + 4.0) - std::log(static_cast<double>(intervals)) / 3;
}

}  // namespace

bool LinkWantsHalfResolutionLuma(const LinkBudget& link, std::size_t pixels) {
  return link.bitsPerSecond / 8 < static_cast<double>(pixels);
}

RateController::RateController(const LinkBudget& link, BYTE finest, std::size_t pixels)
    : link_(link),
      drain_(link.bitsPerSecond / 8 / link.framesPerSecond),
      depth_(link.bitsPerSecond / 8 * kDepthSeconds),
      // Header, section lengths and checksum, and one bit for each 8x8 block.
      leastFrame_(16 + static_cast<double>(pixels) / 512),
      // As many frames as one second can hold (27 at 26.78 fps), held to one second's share:
      // a window of whole frames may not stretch the second.
      windowFrames_(std::max<std::size_t>(1, static_cast<std::size_t>(
                                                std::ceil(link.framesPerSecond)))),
      windowBytes_(kWindowShare * link.bitsPerSecond / 8),
      finest_(std::clamp(finest, kFinest, kCoarsest)),
      logKeyScale_(
          std::log(kKeyBytesPerPixel * static_cast<double>(std::max<std::size_t>(pixels, 1)))),
      logScale_(logKeyScale_ + std::log(kFirstFrameShare)) {}

double RateController::Predicted(BYTE threshold, bool key) const {
  return key ? std::exp(logKeyScale_ - LogFactor(threshold, 1))
             : std::exp(logScale_ - LogFactor(threshold, intervals_));
}

FramePlan RateController::Plan(bool key) const {
  FramePlan plan;
  // A key frame, which brings a whole new picture, may take what a one-second stretch of the
  // stream has left; ordinary frames keep the buffer within its depth.
  double window = windowBytes_;
  for (const double b : recent_) window -= b;
  double room = key ? window : std::min(depth_ + drain_ - buffer_, window);
  if (link_.maxFrameBytes != 0) room = std::min(room, double(link_.maxFrameBytes));
  // An ordinary frame aims at the link's bytes for its interval (and for the held frames
  // before it, which carried nothing), and brings the buffer back towards a quarter full over a
  // few frames (at once, the threshold would swing with every frame); a key frame, sent only
  // once the buffer is nearly empty, may fill it.
  const double aim = drain_ * (1 + idle_) + (depth_ / 4 - buffer_) / kCatchUpFrames;
  const double budget = key ? room : std::min(aim, room);
  // The threshold refines by a few steps a frame at most: a held or still picture costs next to
  // nothing, and the frames after it must not find the threshold at its finest.
  const BYTE finest = key || lastThreshold_ == 0
                          ? finest_
                          : static_cast<BYTE>(std::max<int>(
                                finest_, lastThreshold_ - kRefineStep * (1 + static_cast<int>(idle_))));
  plan.threshold = kCoarsest;
  for (BYTE t = finest; t < kCoarsest; ++t) {
    if (Predicted(t, key) <= budget) {
      plan.threshold = t;
      break;
    }
  }
  // A frame is sent when it is expected to leave the buffer at most half full, or when the link
  // is about to fall idle, whatever it is expected to cost (the room still bounds it). Frames
  // that would fill the buffer up to its depth would leave it there, and the stream would run
  // that much ahead of the link.
  const bool idle = buffer_ <= drain_;
  const double half = std::min(depth_ / 2 + drain_ - buffer_, room);
  plan.send = idle || (!key && half >= leastFrame_ && Predicted(kCoarsest, false) <= half);
  plan.maxBytes = static_cast<DWORD>(std::max(room, leastFrame_));
  plan.quality = FrameQualityForThreshold(plan.threshold);
  return plan;
}

void RateController::Interval(std::size_t bytes) {
  buffer_ = std::max(0.0, buffer_ + static_cast<double>(bytes) - drain_);
  recent_.push_back(static_cast<double>(bytes));
  if (recent_.size() >= windowFrames_) recent_.pop_front();
}

void RateController::Idle() {
  Interval(0);
  ++idle_;
}

void RateController::Sent(std::size_t bytes, const FramePlan& plan, bool key) {
  Interval(bytes);
  idle_ = 0;
  if (bytes == 0) {
    ++intervals_;
    return;
  }
  double observed = std::log(static_cast<double>(bytes)) + LogFactor(plan.threshold, intervals_);
  intervals_ = 1;
  const bool filled = static_cast<double>(bytes) + kRoomSlack + leastFrame_ >= plan.maxBytes;
  if (key) {
    lastThreshold_ = 0;  // the frame after a key frame is planned afresh
    logKeyScale_ = observed;
    if (!seenOrdinary_) logScale_ = observed + std::log(kFirstFrameShare);
    return;
  }
  lastThreshold_ = std::max<BYTE>(plan.threshold, 1);
  if (filled) observed = std::max(observed, logScale_) + kLogFilledGrowth;
  // However much the frames filled their room, no frame is expected to cost more than a key
  // frame at the finest threshold.
  observed = std::min(observed, logKeyScale_ - LogFactor(finest_, 1) + LogFactor(kCoarsest, 1));
  logScale_ = seenOrdinary_ ? (logScale_ + observed) / 2 : observed;
  seenOrdinary_ = true;
}

}  // namespace kvtc::host
