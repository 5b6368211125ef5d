#include "pixels/prediction_cost.h"

namespace kvtc::pixels {
namespace {

template <Footprint kShape>
int Predict(const std::uint8_t* p, std::int32_t across, std::int32_t down) {
  if constexpr (kShape == Footprint::kOne) return p[0];
  if constexpr (kShape == Footprint::kAcross) return (p[0] + p[across] + 1) >> 1;
  if constexpr (kShape == Footprint::kDown) return (p[0] + p[down] + 1) >> 1;
  if constexpr (kShape == Footprint::kFour) {
    return (p[0] + p[across] + p[down] + p[across + down] + 2) >> 2;
  }
}

unsigned Distance(int a, int b) { return static_cast<unsigned>(a > b ? a - b : b - a); }

// One block row at a time, with the largest difference compared with T.
template <Footprint kShape>
PredictionSad Sum(const std::uint8_t* current, const std::uint8_t* source, std::int32_t stride,
                  std::int32_t across, std::int32_t down, std::uint32_t threshold,
                  std::uint32_t best) {
  PredictionSad cost;
  bool over = false;
  for (int r = 1; r <= 8; ++r) {
    for (int c = 1; c <= 8; ++c) {
      const std::int32_t at = r * stride + c;
      const unsigned d = Distance(current[at], Predict<kShape>(source + at, across, down));
      cost.sum += d;
      over |= d > threshold;
    }
    if (cost.sum >= best) break;
  }
  cost.within = !over;
  return cost;
}

// The representatives four at a time, one block row.
template <Footprint kShape>
std::uint32_t Count(const std::uint8_t* current, const std::uint8_t* source, std::int32_t stride,
                    std::int32_t across, std::int32_t down, std::uint32_t threshold,
                    std::uint32_t best) {
  std::uint32_t count = 0;
  for (int r = 2; r <= 8; r += 2) {
    for (int c = 2; c <= 8; c += 2) {
      const std::int32_t at = r * stride + c;
      count += Distance(current[at], Predict<kShape>(source + at, across, down)) > threshold;
    }
    if (count >= best) break;
  }
  return count;
}

}  // namespace

void PredictBlock8x8(std::uint8_t* dest, const std::uint8_t* source, std::int32_t stride,
                     std::int32_t across, std::int32_t down) {
  ByFootprint(across, down, [&](auto shape) {
    for (int r = 1; r <= 8; ++r) {
      for (int c = 1; c <= 8; ++c) {
        const std::int32_t at = r * stride + c;
        dest[at] = static_cast<std::uint8_t>(Predict<shape.value>(source + at, across, down));
      }
    }
  });
}

PredictionSad PredictionSad8x8(const std::uint8_t* current, const std::uint8_t* source,
                               std::int32_t stride, std::int32_t across, std::int32_t down,
                               std::uint32_t threshold, std::uint32_t best) {
  return ByFootprint(across, down, [&](auto shape) {
    return Sum<shape.value>(current, source, stride, across, down, threshold, best);
  });
}

std::uint32_t CountChangedRepresentatives(const std::uint8_t* current, const std::uint8_t* source,
                                          std::int32_t stride, std::int32_t across,
                                          std::int32_t down, std::uint32_t threshold,
                                          std::uint32_t best) {
  return ByFootprint(across, down, [&](auto shape) {
    return Count<shape.value>(current, source, stride, across, down, threshold, best);
  });
}

}  // namespace kvtc::pixels
