// The encoder's colour tables: luma and chroma contributions of each RGB component.
#pragma once

#include <cstdint>

#include "platform/global_heap.h"
#include "stream/arithmetic_tables.h"

namespace kvtc::pixels {

struct EncoderColourTables {
  platform::HeapBuffer<std::int32_t> lumaFromR, lumaFromG, lumaFromB;  // 256 each
  platform::HeapBuffer<std::int32_t> uFromR, uFromG, uFromB;           // 1024 each (sums)
  platform::HeapBuffer<std::int32_t> vFromR, vFromG, vFromB;           // 1024 each (sums)
  // A chroma sum s clamped to a byte at chromaClamp[kChromaClampOffset + s]. V reaches 260 for
  // saturated red and -5 for saturated cyan; kept modulo 256 they would come back as their
  // opposite colours, so chroma saturates instead.
  platform::HeapBuffer<std::uint8_t> chromaClamp;  // 768, covers -256..511
};
inline constexpr int kChromaClampOffset = 256;

// Fills the colour tables (allocating them the first time) and the 4-bit pack and unpack
// tables. Luma is scaled so that white comes out at 215; the chroma tables take the sum of
// one component over a 2x2 block (0..1020); chroma saturates at 0 and 255. False when out of
// memory.
bool BuildEncoderTables(EncoderColourTables& colour, stream::ArithmeticTables& arithmetic);

}  // namespace kvtc::pixels
