#include "encoder/motion_search.h"

#include <limits>

namespace kvtc::encoder {

namespace {

struct Score {
  unsigned cost;
  bool perfect;  // ends the search when the candidate becomes the best
};

constexpr unsigned kUnscored = std::numeric_limits<unsigned>::max();

// The step search shared by both variants. `score(px, py, best)` rates the displacement
// (px, py) given in the scorer's units (whole samples for the sampled search, half samples
// for the full one: `units` per whole sample) and may stop counting once the cost can no
// longer beat `best`. Levels run while the halved step is at least `lastStep`.
template <class Scorer>
MotionSearchResult StepSearch(Scorer score, int units, std::uint32_t firstStep,
                              std::uint32_t lastStep, const SearchWindow& window,
                              std::uint32_t bias) {
  unsigned best = score(0, 0, kUnscored).cost;
  int cx = 0;
  int cy = 0;
  const auto result = [&](int i, int j, bool residual) {
    return MotionSearchResult{static_cast<std::uint32_t>(units * (cx + static_cast<int>(bias)) + i),
                              static_cast<std::uint32_t>(units * (cy + static_cast<int>(bias)) + j),
                              residual};
  };

  std::uint32_t step = firstStep;
  do {
    const int s = static_cast<int>(step);
    int bx = cx;
    int by = cy;
    for (int j = -1; j <= 1; ++j) {
      for (int i = -1; i <= 1; ++i) {
        if (i == 0 && j == 0) continue;
        const int x = cx + i * s;
        const int y = cy + j * s;
        if (!window.Contains(x, y)) continue;
        const Score candidate = score(units * x, units * y, best);
        if (candidate.cost >= best) continue;
        best = candidate.cost;
        bx = x;
        by = y;
        if (candidate.perfect) {
          cx = x;
          cy = y;
          return result(0, 0, false);
        }
      }
    }
    cx = bx;
    cy = by;
    step >>= 1;
  } while (step >= lastStep && step != 0);

  // Refinement at distance 1 of the scorer's unit; it never leaves the window, so a step
  // towards an edge is skipped when the centre already lies on it.
  int bi = 0;
  int bj = 0;
  for (int j = -1; j <= 1; ++j) {
    if ((j < 0 && cy == window.ymin) || (j > 0 && cy == window.ymax)) continue;
    for (int i = -1; i <= 1; ++i) {
      if (i == 0 && j == 0) continue;
      if ((i < 0 && cx == window.xmin) || (i > 0 && cx == window.xmax)) continue;
      const Score candidate = score(units * cx + i, units * cy + j, best);
      if (candidate.cost >= best) continue;
      best = candidate.cost;
      bi = i;
      bj = j;
      if (candidate.perfect) return result(i, j, false);
    }
  }
  return result(bi, bj, true);
}

}  // namespace

MotionSearchResult SearchMotionSampled(const std::uint8_t* current, const std::uint8_t* reference,
                                       std::uint32_t firstStep, const SearchWindow& window,
                                       std::uint32_t stride, std::uint32_t threshold,
                                       std::uint32_t bias, const pixels::PixelKernels& kernels) {
  const std::int32_t v = static_cast<std::int32_t>(stride);
  // Whole-sample prediction: an even displacement lands on a representative of the reference,
  // an odd one between two (or four), which are averaged. With a radius that is a power of two
  // the step levels only try even displacements, and the refinement's odd ones average
  // representatives two apart around an even centre.
  const auto score = [&](int dx, int dy, unsigned best) -> Score {
    const int oddX = dx & 1;
    const int oddY = dy & 1;
    const std::uint8_t* footprint = reference + (dy - oddY) * v + dx - oddX;
    const unsigned cost = kernels.countChangedRepresentatives(current, footprint, v, 2 * oddX,
                                                              2 * oddY * v, threshold, best);
    return {cost, cost == 0};
  };
  return StepSearch(score, 1, firstStep, 2, window, bias);
}

MotionSearchResult SearchMotionFull(const std::uint8_t* current, const std::uint8_t* reference,
                                    std::uint32_t firstStep, const SearchWindow& window,
                                    std::uint32_t stride, std::uint32_t threshold,
                                    std::uint32_t bias, const pixels::PixelKernels& kernels) {
  const std::int32_t v = static_cast<std::int32_t>(stride);
  // Half-sample prediction of displacement (hx, hy) half samples: the sample at the floor of
  // the half displacement, averaged with its right and lower neighbours on odd axes.
  const auto score = [&](int hx, int hy, unsigned best) -> Score {
    const std::uint8_t* s = reference + (hy >> 1) * v + (hx >> 1);
    const pixels::PredictionSad cost =
        kernels.predictionSad8x8(current, s, v, hx & 1, (hy & 1) * v, threshold, best);
    return {cost.sum, cost.within};
  };
  return StepSearch(score, 2, firstStep, 1, window, bias);
}

}  // namespace kvtc::encoder
