// The decoder's conversion tables: YUV to RGB coefficients, gamma and the palettised and
// 15-bit layouts with gamma folded in, the colour cube and the dither matrix.
#pragma once

#include <cstdint>

#include "platform/global_heap.h"
#include "stream/arithmetic_tables.h"

namespace kvtc::pixels {

// A colour sum s (luma term plus chroma terms, -308..608 by construction of the coefficient
// tables) is clamped to 0..255 by reading sumClamp[kSumClampOffset + s].
inline constexpr int kSumClampOffset = 512;
inline constexpr int kSumClampEntries = 1280;  // covers -512..767

struct DecoderTables {
  platform::HeapBuffer<std::int32_t> lumaScale;                                    // 256
  platform::HeapBuffer<std::int32_t> redFromV, greenFromU, greenFromV, blueFromU;  // 256 each
  platform::HeapBuffer<std::uint8_t> gamma;                                        // 256
  double gammaKey = 0.0;  // the gamma the gamma-dependent tables were built for
  platform::HeapBuffer<std::int32_t> cubeLevel, cubeResidue;  // 256 each
  platform::HeapBuffer<std::int32_t> columnPhase;             // W + 1
  std::int32_t dither[16][16] = {};

  platform::HeapBuffer<std::uint8_t> sumClamp;  // kSumClampEntries
  // 3-3-2 index fields of a clamped component: red (bits 7-5), green (4-2), blue (1-0), with
  // the gamma folded in, and their gamma-free forms for re-quantising averaged pixels.
  platform::HeapBuffer<std::uint8_t> red332, green332, blue332;                 // 256 each
  platform::HeapBuffer<std::uint8_t> plainRed332, plainGreen332, plainBlue332;  // 256 each
  // 15-bit word fields of a clamped component, with and without the gamma, and the grey word.
  platform::HeapBuffer<std::uint16_t> red555, green555, blue555;                 // 256 each
  platform::HeapBuffer<std::uint16_t> plainRed555, plainGreen555, plainBlue555;  // 256 each
  platform::HeapBuffer<std::uint16_t> grey555;                                   // 256
  // The component value (51 * level) that a colour-cube index stands for, per component.
  platform::HeapBuffer<std::uint8_t> cubeRed, cubeGreen, cubeBlue;  // 256 each
};

// The gamma the tables are built for: a gamma that is not a positive finite number (a
// settings record can hold anything) is taken as 1.0, the identity.
double UsableGamma(double gamma);

// Fills every decoder table for `gamma` and a picture `width` wide (allocating the tables the
// first time), records the gamma as the key, and makes sure the shared sum, clamp and nibble
// tables exist. False when out of memory.
bool BuildDecoderTables(DecoderTables& tables, stream::ArithmeticTables& arithmetic, double gamma,
                        std::uint32_t width);

// Makes the column-phase table (j mod 16 for j = 0..width) cover a picture `width` wide.
bool EnsureColumnPhase(DecoderTables& tables, std::uint32_t width);

// Rebuilds the gamma-dependent tables (gamma, 3-3-2 fields, 15-bit fields and grey) when
// `gamma` differs from the key, and records it as the new key. False when out of memory.
bool EnsureGammaTables(DecoderTables& tables, double gamma);

}  // namespace kvtc::pixels
