#include "host/frame_pacer.h"
#include <cstdlib>

namespace kvtc::host {

FramePacer::FramePacer(Compressor& compressor, const PacingChoices& choices)
    : compressor_(compressor), sceneCuts_(choices.sceneCuts) {
  const BITMAPINFOHEADER& h = compressor.InputFormat().header();
  const std::size_t pixels = static_cast<std::size_t>(std::abs(h.biWidth)) * std::abs(h.biHeight);
  if (choices.link) rate_.emplace(*choices.link, choices.finest, pixels);
}

PacedFrame FramePacer::Compress(std::span<const std::uint8_t> bits, bool requestKey) {
  PacedFrame paced;
  if (sceneCuts_) {
    paced.cut = detector_.Add(HistogramOf(bits, compressor_.InputFormat()));
    cuts_ += paced.cut;
  }
  const bool key = keyOwed_ || requestKey || paced.cut;
  if (!rate_) {
    const CompressedFrame frame = compressor_.Compress(bits, key);
    paced.bytes = frame.bytes;
    paced.key = frame.key;
    return paced;
  }
  const FramePlan plan = rate_->Plan(key);
  if (!plan.send) {
    keyOwed_ = key;
    paced.dropped = true;
    ++dropped_;
    rate_->Sent(0, plan, false);
    return paced;
  }
  keyOwed_ = false;
  const CompressedFrame frame = compressor_.Compress(bits, key, plan.quality, plan.maxBytes);
  rate_->Sent(frame.bytes.size(), plan, frame.key);
  paced.bytes = frame.bytes;
  paced.key = frame.key;
  return paced;
}

}  // namespace kvtc::host
