#include "kvtc/picture_metrics.h"

#include <cmath>
#include <limits>

namespace kvtc::tool {
namespace {

double Psnr(double squared, double samples) {
  if (samples == 0) return 0;
  if (squared == 0) return std::numeric_limits<double>::infinity();
  return 10 * std::log10(255.0 * 255.0 * samples / squared);
}

}  // namespace

void PictureError::Add(const AVFrame& a, const AVFrame& b) {
  for (int y = 0; y < a.height; ++y) {
    const std::uint8_t* p = a.data[0] + static_cast<std::ptrdiff_t>(y) * a.linesize[0];
    const std::uint8_t* q = b.data[0] + static_cast<std::ptrdiff_t>(y) * b.linesize[0];
    for (int x = 0; x < a.width; ++x, p += 3, q += 3) {
      const double dr = p[0] - q[0], dg = p[1] - q[1], db = p[2] - q[2];
      const double dy = 0.299 * dr + 0.587 * dg + 0.114 * db;
      squaredY_ += dy * dy;
      squaredRgb_ += dr * dr + dg * dg + db * db;
    }
  }
  pixels_ += static_cast<std::uint64_t>(a.width) * a.height;
}

double PictureError::PsnrY() const { return Psnr(squaredY_, static_cast<double>(pixels_)); }
double PictureError::PsnrRgb() const { return Psnr(squaredRgb_, 3.0 * pixels_); }

}  // namespace kvtc::tool
