// The power function of the gamma curves. The C library's pow differs between the Linux and
// Windows runtimes (and the x87 code of 32-bit Windows rounds differently again), so the curves
// are computed in plain double arithmetic, which gives the same bits in every build.
#pragma once

namespace kvtc::pixels {

// x to the power e, for x in [0, 1] and e > 0.
double GammaPower(double x, double e);

// The 8-bit gamma curve's level i (0..255) for the exponent 1 / gamma, before truncation:
// 255 (i / 255)^exponent + 0.5.
double GammaLevel(int i, double exponent);

}  // namespace kvtc::pixels
