// A displaced block of the reference as the prediction of a luma block, and how well it
// predicts the block of the current picture: the costs the motion search ranks its candidates
// by, and the prediction the decoder's and the encoder's motion compensation write.
//
// The prediction of the sample at offset `at` is source[at], or the rounded mean of the
// samples of a 2x2 footprint: source[at] with source[at + across] when `across` is not 0, with
// source[at + down] when `down` is not 0, and with both and source[at + across + down] when
// neither is: (a + b + 1) >> 1 of two, (a + b + c + d + 2) >> 2 of four, as the decoder
// predicts. `current` and `source` point at g(0, 0) of their blocks, rows `stride` apart.
//
// Both costs may stop counting once they reach `best`, since such a candidate is not taken:
// the cost is then some value of at least `best`, and `within` says nothing.
#pragma once

#include <cstdint>
#include <type_traits>

namespace kvtc::pixels {

// The footprint's shape, which each kernel is compiled for.
enum class Footprint { kOne, kAcross, kDown, kFour };

// `f(std::integral_constant<Footprint, shape>{})` for the shape of (across, down).
template <class F>
auto ByFootprint(std::int32_t across, std::int32_t down, F f) {
  if (across == 0) {
    return down == 0 ? f(std::integral_constant<Footprint, Footprint::kOne>{})
                     : f(std::integral_constant<Footprint, Footprint::kDown>{});
  }
  return down == 0 ? f(std::integral_constant<Footprint, Footprint::kAcross>{})
                   : f(std::integral_constant<Footprint, Footprint::kFour>{});
}

// Writes the prediction of all 64 samples g(1..8, 1..8) into `dest` (rows `stride` apart,
// g(0, 0) at `dest`), `dest` and `source` being different planes.
void PredictBlock8x8(std::uint8_t* dest, const std::uint8_t* source, std::int32_t stride,
                     std::int32_t across, std::int32_t down);

struct PredictionSad {
  std::uint32_t sum = 0;  // of |current - prediction|
  bool within = false;    // no sample more than T from its prediction
};

// Over all 64 samples g(1..8, 1..8).
PredictionSad PredictionSad8x8(const std::uint8_t* current, const std::uint8_t* source,
                               std::int32_t stride, std::int32_t across, std::int32_t down,
                               std::uint32_t threshold, std::uint32_t best);

// The number of the sixteen cell representatives g(2, 4, 6, 8 x 2, 4, 6, 8) more than T from
// their prediction. The kernels may read up to two samples right of the footprints' rightmost
// in each row they look at (the planes after the luma plane hold them).
std::uint32_t CountChangedRepresentatives(const std::uint8_t* current, const std::uint8_t* source,
                                          std::int32_t stride, std::int32_t across,
                                          std::int32_t down, std::uint32_t threshold,
                                          std::uint32_t best);

namespace encode {
void PredictBlock8x8Sse2(std::uint8_t* dest, const std::uint8_t* source, std::int32_t stride,
                         std::int32_t across, std::int32_t down);
PredictionSad PredictionSad8x8Sse2(const std::uint8_t* current, const std::uint8_t* source,
                                   std::int32_t stride, std::int32_t across, std::int32_t down,
                                   std::uint32_t threshold, std::uint32_t best);
std::uint32_t CountChangedRepresentativesSse2(const std::uint8_t* current,
                                              const std::uint8_t* source, std::int32_t stride,
                                              std::int32_t across, std::int32_t down,
                                              std::uint32_t threshold, std::uint32_t best);
}  // namespace encode

}  // namespace kvtc::pixels
