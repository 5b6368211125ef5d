// How far decoded pictures are from the originals: the mean squared error over a whole clip,
// of the luma (BT.601 weights) and of the three RGB components, and the PSNR it gives.
#pragma once

#include <cstdint>

#include "kvtc/av_support.h"

namespace kvtc::tool {

class PictureError {
 public:
  // Adds one pair of RGB24 pictures of the same size.
  void Add(const AVFrame& original, const AVFrame& decoded);

  // In decibels against a peak of 255; infinity when the pictures were identical.
  double PsnrY() const;
  double PsnrRgb() const;

 private:
  double squaredY_ = 0;
  double squaredRgb_ = 0;
  std::uint64_t pixels_ = 0;
};

}  // namespace kvtc::tool
