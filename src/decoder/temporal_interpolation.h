// Temporal interpolation: the in-between pictures that double (level 1) or quadruple
// (level 2) the displayed frame rate.
//
// The call that decodes a frame shows the point a quarter (level 2) or half (level 1) of the
// way from the previous picture to the new one and sets the phase to 1; the calls after it
// decode nothing and show the later points from the two pictures kept in the output buffers:
//
//   level 1:  decode: 1/2   phase 1: whole
//   level 2:  decode: 1/4   phase 1: 1/2   phase 2: 3/4   phase 3: whole
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "pixels/picture_blend.h"
#include "stream/arithmetic_tables.h"

namespace kvtc::decoder {

// How far from the previous picture towards the next one a shown picture lies.
using pixels::Blend;

// The picture a call shows without decoding, and the phase after it.
struct InterpolationStep {
  Blend blend;
  std::uint8_t nextPhase;
};

// The step a call at this level and phase takes instead of decoding, or none when the call
// decodes its frame.
std::optional<InterpolationStep> PendingInterpolation(std::uint8_t level, std::uint8_t phase);

// The point the decoding call of an interpolating stream shows; its phase afterwards is 1.
Blend DecodingBlend(std::uint8_t level);

// Blends two pictures of the same layout byte by byte into `shown` (all three of the same
// size) through the sum tables, with the triple table for the 3x products.
void BlendPictures(Blend blend, std::span<const std::uint8_t> previous,
                   std::span<const std::uint8_t> next, std::span<std::uint8_t> shown,
                   const stream::ArithmeticTables& tables);

// The same for 4-bit grey pictures, nibble by nibble, so that the two pixels of a byte are
// blended each on its own instead of carrying from one into the other.
void BlendNibblePictures(Blend blend, std::span<const std::uint8_t> previous,
                         std::span<const std::uint8_t> next, std::span<std::uint8_t> shown,
                         const stream::ArithmeticTables& tables);

// Blends two converted pictures of output code `code`: 4-bit grey nibble by nibble, every
// other layout byte by byte.
void BlendOutput(std::uint8_t code, Blend blend, std::span<const std::uint8_t> previous,
                 std::span<const std::uint8_t> next, std::span<std::uint8_t> shown,
                 const stream::ArithmeticTables& tables);

}  // namespace kvtc::decoder
