// The decoder's conversion tables: YUV to RGB coefficients, gamma and the palettised and
// 15-bit layouts with gamma folded in, the colour cube and the dither matrix.
#pragma once

#include <cstdint>

#include "platform/global_heap.h"

namespace kvtc::pixels {

struct DecoderTables {
  platform::HeapBuffer<std::int32_t> lumaScale;                       // 256
  platform::HeapBuffer<std::int32_t> redFromV, greenFromU, greenFromV, blueFromU;  // 256 each
  platform::HeapBuffer<std::uint8_t> gamma;                           // 256
  double gammaKey = 0.0;  // the gamma the gamma-dependent tables were built for
  platform::HeapBuffer<std::int32_t> cubeLevel, cubeResidue;          // 256 each
  platform::HeapBuffer<std::int32_t> columnPhase;                     // W + 1
  std::int32_t dither[16][16] = {};
};

}  // namespace kvtc::pixels
