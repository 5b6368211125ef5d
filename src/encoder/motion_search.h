// Motion search: the displacement of the reference picture that best predicts a changed luma
// block, found by a step search that halves its step at every level and a refinement at
// distance 1 (whole samples with lossless luma off, half samples with it on).
//
// Every candidate is scored against exactly the prediction the decoder would make for it, so
// a candidate that scores perfectly needs no residual. Candidates are tried in the order
// (j = -1, 0, +1) x (i = -1, 0, +1) and replace the best only when strictly better, so the
// first of equal costs wins and the zero displacement stays when nothing beats it.
#pragma once

#include <cstdint>

#include "pixels/pixel_kernels.h"

namespace kvtc::encoder {

// Displacements, in whole luma samples, that the search may try: every reference sample the
// scoring, the refinement and the compensation read for a vector inside it lies in the
// reference planes, and every coded value fits the motion code (see search_window.h).
struct SearchWindow {
  int xmin = 0;
  int ymin = 0;
  int xmax = 0;
  int ymax = 0;

  bool Contains(int x, int y) const { return x >= xmin && x <= xmax && y >= ymin && y <= ymax; }
};

// The chosen vector in coded form (displacement plus the motion centre), and whether the block
// still needs samples after the prediction. Residual needed is false only when the search
// stopped on a perfect candidate.
struct MotionSearchResult {
  std::uint32_t x = 0;
  std::uint32_t y = 0;
  bool residualNeeded = true;
};

// `current` and `reference` point at the block's grid origin in their luma planes (stride
// `stride`). `firstStep` is the search radius R, `bias` 2R and T `threshold`; the candidates
// are scored by the costs of `kernels`.
//
// Sampled (lossless luma off): the cost of a displacement is the number of the sixteen cell
// representatives that differ from the whole-sample prediction; levels run down to step 2,
// then the refinement tries the whole-sample neighbours. Coded components: displacement + bias.
MotionSearchResult SearchMotionSampled(const std::uint8_t* current, const std::uint8_t* reference,
                                       std::uint32_t firstStep, const SearchWindow& window,
                                       std::uint32_t stride, std::uint32_t threshold,
                                       std::uint32_t bias, const pixels::PixelKernels& kernels);

// Full (lossless luma on): the cost is the sum of absolute differences over all 64 samples;
// levels run down to step 1, the refinement tries the half-sample neighbours, and a candidate
// that becomes the best with no sample more than T away ends the search. Coded components are
// in half samples: 2 * (displacement + bias) + half step.
MotionSearchResult SearchMotionFull(const std::uint8_t* current, const std::uint8_t* reference,
                                    std::uint32_t firstStep, const SearchWindow& window,
                                    std::uint32_t stride, std::uint32_t threshold,
                                    std::uint32_t bias, const pixels::PixelKernels& kernels);

}  // namespace kvtc::encoder
