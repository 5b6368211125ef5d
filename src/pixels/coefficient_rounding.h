// The rounding every colour coefficient table uses: half away from zero, except that values
// in (-1, 0) become 0 (the sign is taken from the truncated value).
#pragma once

#include <cmath>
#include <cstdint>

namespace kvtc::pixels {

inline std::int32_t RoundCoefficient(double x) {
  const double whole = std::trunc(x);
  return static_cast<std::int32_t>(whole >= 0 ? std::trunc(x + 0.5) : std::trunc(x - 0.5));
}

}  // namespace kvtc::pixels
