#include "host/frame_inspection.h"

namespace kvtc::host {

FrameInspection InspectFrame(std::span<const std::uint8_t> frame) {
  FrameInspection f;
  f.size = frame.size();
  const std::optional<stream::FrameHeader> h = stream::ParseFrameHeader(frame);
  if (!h) {
    f.problem = frame.empty() ? "empty frame"
                              : "shorter than its header and section lengths announce";
    if (!frame.empty()) f.flags = frame[0];
    return f;
  }
  f.flags = h->flags;
  f.period = h->refreshPeriod;
  f.radius = h->searchRadius;
  if (h->refreshPeriod != 0) f.phase = h->refreshPhase;
  f.sampleBytes = static_cast<std::uint32_t>(h->samples.size());
  f.blockBitBytes = static_cast<std::uint32_t>(h->blockBits.size());
  f.refinementBytes = static_cast<std::uint32_t>(h->refinementBits.size());
  f.checksumOk = stream::ChecksumMatches(*h);
  return f;
}

bool BuildUpTracker::Add(const FrameInspection& frame) {
  if (missing_ == 0) return true;
  if (!frame.WellFormed()) return false;
  if (frame.Key()) {
    missing_ = 0;
    return true;
  }
  if (frame.period == 0 || !frame.phase) return false;
  for (std::size_t i = *frame.phase; i < given_.size(); i += frame.period) {
    missing_ -= given_[i] == 0;
    given_[i] = 1;
  }
  return missing_ == 0;
}

}  // namespace kvtc::host
