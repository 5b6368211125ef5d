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

// The sixteen cell representatives, rows 2, 4, 6, 8 by columns 2, 4, 6, 8, compared four at a
// time (one block row) with the prediction `predict(source)` makes at each.
template <class Predict>
unsigned CountDiffering(const std::uint8_t* current, const std::uint8_t* source,
                        const stream::BlockOffsets& o, const std::uint8_t* change, unsigned best,
                        Predict predict) {
  unsigned count = 0;
  for (int r = 2; r <= 8; r += 2) {
    for (int c = 2; c <= 8; c += 2) {
      const std::int32_t at = o.luma[r][c];
      count += change[current[at] - predict(source + at) + 255];
    }
    if (count >= best) break;
  }
  return count;
}

// All 64 samples, one block row at a time, with the absolute differences summed and the
// largest compared with T.
template <class Predict>
Score SumDifferences(const std::uint8_t* current, const std::uint8_t* source,
                     const stream::BlockOffsets& o, const std::uint8_t* absDiff,
                     std::uint32_t threshold, unsigned best, Predict predict) {
  unsigned sum = 0;
  bool over = false;
  for (int r = 1; r <= 8; ++r) {
    for (int c = 1; c <= 8; ++c) {
      const std::int32_t at = o.luma[r][c];
      const unsigned d = absDiff[current[at] - predict(source + at) + 255];
      sum += d;
      over |= d > threshold;
    }
    if (sum >= best) break;
  }
  return {sum, !over};
}

}  // namespace

MotionSearchResult SearchMotionSampled(const std::uint8_t* current, const std::uint8_t* reference,
                                       std::uint32_t firstStep, const SearchWindow& window,
                                       const stream::BlockOffsets& offsets, std::uint32_t stride,
                                       const SearchTables& t, std::uint32_t bias) {
  const std::int32_t v = static_cast<std::int32_t>(stride);
  const std::uint8_t* half = t.halfSum;
  const std::uint8_t* quarter = t.quarterSum;
  // Whole-sample prediction: an even displacement lands on a representative of the reference,
  // an odd one between two (or four), which are averaged. With a radius that is a power of two
  // the step levels only try even displacements, and the refinement's odd ones average
  // representatives two apart around an even centre.
  const auto score = [&](int dx, int dy, unsigned best) -> Score {
    const std::uint8_t* s = reference + dy * v + dx;
    unsigned cost = 0;
    switch ((dx & 1) | ((dy & 1) << 1)) {
      case 0:
        cost = CountDiffering(current, s, offsets, t.change, best,
                              [](const std::uint8_t* p) { return p[0]; });
        break;
      case 1:
        cost = CountDiffering(current, s, offsets, t.change, best,
                              [=](const std::uint8_t* p) { return half[p[-1] + p[1]]; });
        break;
      case 2:
        cost = CountDiffering(current, s, offsets, t.change, best,
                              [=](const std::uint8_t* p) { return half[p[-v] + p[v]]; });
        break;
      default:
        cost = CountDiffering(current, s, offsets, t.change, best, [=](const std::uint8_t* p) {
          return quarter[p[-v - 1] + p[-v + 1] + p[v - 1] + p[v + 1]];
        });
        break;
    }
    return {cost, cost == 0};
  };
  return StepSearch(score, 1, firstStep, 2, window, bias);
}

MotionSearchResult SearchMotionFull(const std::uint8_t* current, const std::uint8_t* reference,
                                    std::uint32_t firstStep, const SearchWindow& window,
                                    const stream::BlockOffsets& offsets, std::uint32_t stride,
                                    const SearchTables& t, std::uint32_t bias,
                                    std::uint32_t threshold) {
  const std::int32_t v = static_cast<std::int32_t>(stride);
  const std::uint8_t* half = t.halfSum;
  const std::uint8_t* quarter = t.quarterSum;
  // Half-sample prediction of displacement (hx, hy) half samples: the sample at the floor of
  // the half displacement, averaged with its right and lower neighbours on odd axes.
  const auto score = [&](int hx, int hy, unsigned best) -> Score {
    const std::uint8_t* s = reference + (hy >> 1) * v + (hx >> 1);
    switch ((hx & 1) | ((hy & 1) << 1)) {
      case 0:
        return SumDifferences(current, s, offsets, t.absDiff, threshold, best,
                              [](const std::uint8_t* p) { return p[0]; });
      case 1:
        return SumDifferences(current, s, offsets, t.absDiff, threshold, best,
                              [=](const std::uint8_t* p) { return half[p[0] + p[1]]; });
      case 2:
        return SumDifferences(current, s, offsets, t.absDiff, threshold, best,
                              [=](const std::uint8_t* p) { return half[p[0] + p[v]]; });
      default:
        return SumDifferences(current, s, offsets, t.absDiff, threshold, best,
                              [=](const std::uint8_t* p) {
                                return quarter[p[0] + p[1] + p[v] + p[v + 1]];
                              });
    }
  };
  return StepSearch(score, 2, firstStep, 1, window, bias);
}

}  // namespace kvtc::encoder
