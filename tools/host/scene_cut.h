// Scene cuts in the pictures a host hands the codec, found cheaply from their luma
// histograms: a cut replaces most of the picture at once, so the share of samples whose
// brightness class changed jumps, while camera noise, a pan or a moving object shifts only a
// small share between two frames.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "host/bitmap_info.h"

namespace kvtc::host {

// Samples a picture has in each of 32 brightness classes.
using LumaHistogram = std::array<std::uint32_t, 32>;

// The histogram of a bitmap in any layout the codec takes (RGB of 16, 24 or 32 bits, colour
// tables of 4, 6 or 8 bits, "YUY2", "cyuv", "YVU9"), rows packed, over every second row and
// column.
LumaHistogram HistogramOf(std::span<const std::uint8_t> bits, const BitmapInfo& format);

// The share of samples (0..1) that would have to move class to turn one histogram into the
// other: half the summed absolute difference of the two, each as shares of its total.
double HistogramChange(const LumaHistogram& a, const LumaHistogram& b);

class SceneCutDetector {
 public:
  // A cut is a change above this share: twice what noise, a shaking camera, pans and moving
  // objects do on the project's camera clips (under 0.1), and well below the demo clip's cut
  // between two scenes of much the same brightness (about 0.35).
  static constexpr double kCutChange = 0.2;

  // Takes the next picture's histogram; true when it starts a new scene (never for the first).
  bool Add(const LumaHistogram& histogram);
  // The change the last picture made (0 for the first).
  double LastChange() const { return lastChange_; }

 private:
  std::optional<LumaHistogram> previous_;
  double lastChange_ = 0;
};

}  // namespace kvtc::host
