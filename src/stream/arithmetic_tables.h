// The arithmetic tables every rounded average, clamp and absolute difference of the codec is
// looked up in. They do not depend on the picture size, so a context builds them once and
// reuses them when a stream restarts.
#pragma once

#include <cstdint>

#include "platform/global_heap.h"

namespace kvtc::stream {

using platform::HeapBuffer;

struct ArithmeticTables {
  HeapBuffer<std::uint8_t> halfSum;     // 512:  (i + 1) >> 1
  HeapBuffer<std::uint8_t> quarterSum;  // 1024: (i + 2) >> 2
  HeapBuffer<std::uint8_t> clamp;       // 768:  0 for 0..255, i - 256 for 256..511, 255 above
  HeapBuffer<std::uint8_t> absDiff;     // 511:  |i - 255|
  HeapBuffer<std::uint32_t> triple;     // 256:  3i
  HeapBuffer<std::uint32_t> quintuple;  // 256:  5i
  HeapBuffer<std::uint8_t> sharpenClamp;  // 2304: clamps -1024..1279 to 0..215 at 1024 + x
  HeapBuffer<std::uint8_t> inputScale;    // 256:  (216 i) >> 8
  HeapBuffer<std::uint8_t> pack4High;     // 256:  16 (15 - v / 17)
  HeapBuffer<std::uint8_t> pack4Low;      // 256:  15 - v / 17
  HeapBuffer<std::uint8_t> unpack4High;   // 256:  17 (15 - (b >> 4))
  HeapBuffer<std::uint8_t> unpack4Low;    // 256:  17 (15 - (b & 15))
};

// Builds halfSum, quarterSum, clamp and absDiff when absent. False when out of memory.
bool EnsureSumTables(ArithmeticTables& t);
// Builds triple when absent.
bool EnsureTripleTable(ArithmeticTables& t);
// Builds quintuple and sharpenClamp when absent.
bool EnsureSharpenTables(ArithmeticTables& t);
// Builds inputScale when absent.
bool EnsureInputScaleTable(ArithmeticTables& t);
// Allocates the four 4-bit tables when absent and fills them.
bool BuildNibbleTables(ArithmeticTables& t);

}  // namespace kvtc::stream
