// Blending two converted pictures of the same layout into a third: the in-between pictures of
// temporal interpolation. The plain kernels look the rounded means up in the sum tables and
// are the reference every faster level reproduces byte for byte; the faster ones compute the
// same rounded means with byte averages:
//   (P + N + 1) >> 1   = avg(P, N)
//   (3P + N + 2) >> 2  = avg(P, floor((P + N) / 2)),
//   floor((P + N) / 2) = avg(P, N) - ((P ^ N) & 1)
// (the second holds because when P + N is odd, 3P + N = 2P + (P + N) is odd too, so dropping
// the half that avg would round up never crosses a multiple of 4).
#pragma once

#include <cstddef>
#include <cstdint>

#include "stream/arithmetic_tables.h"

namespace kvtc::pixels {

// How far from the previous picture P towards the next picture N a shown picture lies.
enum class Blend : std::uint8_t {
  kQuarter,        // (3P + N + 2) >> 2
  kHalf,           // (P + N + 1) >> 1
  kThreeQuarters,  // (P + 3N + 2) >> 2
  kWhole,          // N
};

// `count` bytes of `shown` from as many of `previous` and `next`, through halfSum, quarterSum
// and triple.
void BlendBytes(Blend blend, const std::uint8_t* previous, const std::uint8_t* next,
                std::uint8_t* shown, std::size_t count, const stream::ArithmeticTables& t);

// The same for 4-bit pixels, two to a byte: each nibble is blended on its own, so that one
// pixel never carries into the other.
void BlendNibbles(Blend blend, const std::uint8_t* previous, const std::uint8_t* next,
                  std::uint8_t* shown, std::size_t count, const stream::ArithmeticTables& t);

namespace finish {
void BlendBytesSse2(Blend blend, const std::uint8_t* previous, const std::uint8_t* next,
                    std::uint8_t* shown, std::size_t count, const stream::ArithmeticTables& t);
void BlendNibblesSse2(Blend blend, const std::uint8_t* previous, const std::uint8_t* next,
                      std::uint8_t* shown, std::size_t count, const stream::ArithmeticTables& t);
void BlendBytesAvx2(Blend blend, const std::uint8_t* previous, const std::uint8_t* next,
                    std::uint8_t* shown, std::size_t count, const stream::ArithmeticTables& t);
void BlendNibblesAvx2(Blend blend, const std::uint8_t* previous, const std::uint8_t* next,
                      std::uint8_t* shown, std::size_t count, const stream::ArithmeticTables& t);
}  // namespace finish

}  // namespace kvtc::pixels
