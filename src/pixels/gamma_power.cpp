#include "pixels/gamma_power.h"

#include <cmath>

namespace kvtc::pixels {
namespace {

// ln 2 in two parts: the first has its low bits clear, so that n * kLn2High is exact.
constexpr double kLn2High = 6.93147180369123816490e-01;
constexpr double kLn2Low = 1.90821492927058770002e-10;
constexpr double kInverseLn2 = 1.44269504088896338700e+00;
constexpr double kSqrtHalf = 0.70710678118654752440;

// ln m for m in [sqrt(1/2), sqrt(2)): 2 atanh(s) with s = (m - 1) / (m + 1), |s| < 0.172.
double LogNearOne(double m) {
  const double s = (m - 1.0) / (m + 1.0);
  const double s2 = s * s;
  double series = 1.0 / 31.0;  // 1 + s2/3 + s2^2/5 + ... to the term that no longer counts
  for (int k = 29; k >= 1; k -= 2) series = series * s2 + 1.0 / k;
  return 2.0 * s * series;
}

// e^r for |r| <= ln(2) / 2, by its Taylor series.
double ExpSmall(double r) {
  double sum = 1.0;
  for (int k = 18; k >= 1; --k) sum = sum * r / k + 1.0;
  return sum;
}

}  // namespace

double GammaPower(double x, double e) {
  if (x <= 0.0) return 0.0;
  if (e == 1.0) return x;
  int exponent2 = 0;
  double m = std::frexp(x, &exponent2);  // exact: x = m 2^exponent2, m in [1/2, 1)
  if (m < kSqrtHalf) {
    m *= 2.0;
    --exponent2;
  }
  const double log = exponent2 * kLn2High + (exponent2 * kLn2Low + LogNearOne(m));
  const double y = e * log;
  const double n = std::floor(y * kInverseLn2 + 0.5);
  const double r = (y - n * kLn2High) - n * kLn2Low;
  return std::ldexp(ExpSmall(r), static_cast<int>(n));  // exact scaling by 2^n
}

double GammaLevel(int i, double exponent) {
  return 255.0 * GammaPower(i * 0.00392156862745098, exponent) + 0.5;
}

}  // namespace kvtc::pixels
