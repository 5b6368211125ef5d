#include "host/rate_control.h"

#include <algorithm>
#include <cmath>

#include "host/codec_settings.h"

namespace kvtc::host {
namespace {

constexpr BYTE kCoarsest = 30;
constexpr double kDepthSeconds = 0.2;
constexpr double kExponent = 1.2;
// Before the first key frame: a key frame at threshold T taken to cost 8 bytes a pixel over
// (T + 4)^1.2 (about what a detailed camera picture costs); until a non-key frame has been
// seen, one is taken to cost a tenth of the key frame.
constexpr double kKeyBytesPerPixel = 8;
constexpr double kFirstFrameShare = 0.1;

// The log of how a frame's cost falls with its threshold and grows with the frame intervals it
// covers (the change since the last frame sent, which grows more slowly than the time).
double LogFactor(BYTE threshold, std::uint32_t intervals) {
  return kExponent * std::log(threshold + 4.0) - std::log(static_cast<double>(intervals)) / 3;
}

}  // namespace

RateController::RateController(const LinkBudget& link, BYTE finest, std::size_t pixels)
    : link_(link),
      drain_(link.bitsPerSecond / 8 / link.framesPerSecond),
      depth_(link.bitsPerSecond / 8 * kDepthSeconds),
      finest_(std::min(finest, kCoarsest)),
      logKeyScale_(
          std::log(kKeyBytesPerPixel * static_cast<double>(std::max<std::size_t>(pixels, 1)))),
      logScale_(logKeyScale_ + std::log(kFirstFrameShare)) {}

double RateController::Predicted(BYTE threshold, bool key) const {
  return key ? std::exp(logKeyScale_ - LogFactor(threshold, 1))
             : std::exp(logScale_ - LogFactor(threshold, intervals_));
}

FramePlan RateController::Plan(bool key) const {
  FramePlan plan;
  const double room = depth_ + drain_ - buffer_;
  // An ordinary frame aims to leave the buffer a quarter full after its interval; a key frame,
  // sent only once the buffer is nearly empty, may fill it.
  double budget = key ? room : std::min(depth_ / 4 + drain_ - buffer_, room);
  if (link_.maxFrameBytes != 0) budget = std::min(budget, double(link_.maxFrameBytes));
  plan.threshold = kCoarsest;
  for (BYTE t = finest_; t < kCoarsest; ++t) {
    if (Predicted(t, key) <= budget) {
      plan.threshold = t;
      break;
    }
  }
  // A frame is sent when the link is about to fall idle, whatever it is expected to cost.
  plan.send = buffer_ <= drain_ || (!key && Predicted(kCoarsest, false) <= room);
  plan.quality = FrameQualityForThreshold(plan.threshold);
  return plan;
}

void RateController::Sent(std::size_t bytes, BYTE threshold, bool key) {
  buffer_ = std::max(0.0, buffer_ + static_cast<double>(bytes) - drain_);
  if (bytes == 0) {
    ++intervals_;
    return;
  }
  const double observed = std::log(static_cast<double>(bytes)) + LogFactor(threshold, intervals_);
  intervals_ = 1;
  if (key) {
    logKeyScale_ = observed;
    if (!seenOrdinary_) logScale_ = observed + std::log(kFirstFrameShare);
    return;
  }
  logScale_ = seenOrdinary_ ? (logScale_ + observed) / 2 : observed;
  seenOrdinary_ = true;
}

}  // namespace kvtc::host
