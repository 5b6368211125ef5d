// What a host adds to a compression session between its pictures and the codec: a key frame
// at every scene cut, and a link budget (rate control with a leaky-bucket buffer, dropping
// frames the link cannot take). `kvtc encode` and the GStreamer element both pace their
// frames through it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "host/compressor.h"
#include "host/rate_control.h"
#include "host/scene_cut.h"

namespace kvtc::host {

struct PacingChoices {
  bool sceneCuts = true;            // ask for a key frame where a new scene starts
  std::optional<LinkBudget> link;   // rate control; none: every frame at the session's quality
  BYTE finest = 0;                  // with a link: the finest threshold it may choose
};

struct PacedFrame {
  std::span<const std::uint8_t> bytes;  // empty when the frame was dropped; valid until the next
  bool key = false;                     // as the codec reported it
  bool cut = false;                     // the picture starts a new scene
  bool dropped = false;
};

class FramePacer {
 public:
  FramePacer(Compressor& compressor, const PacingChoices& choices);

  // Compresses (or drops) the next picture; `requestKey` is the caller's own request, which,
  // like a cut's, waits for the next frame that is sent when this one is dropped.
  PacedFrame Compress(std::span<const std::uint8_t> bits, bool requestKey);
  // A frame interval in which the source has no new picture: the host sends an empty frame
  // (the decoder shows the last picture again) and the link drains.
  void Hold() {
    if (rate_) rate_->Idle();
  }

  std::int64_t Dropped() const { return dropped_; }
  std::int64_t Cuts() const { return cuts_; }
  const RateController* Rate() const { return rate_ ? &*rate_ : nullptr; }

 private:
  Compressor& compressor_;
  bool sceneCuts_;
  SceneCutDetector detector_;
  std::optional<RateController> rate_;
  bool keyOwed_ = false;
  std::int64_t dropped_ = 0;
  std::int64_t cuts_ = 0;
};

}  // namespace kvtc::host
