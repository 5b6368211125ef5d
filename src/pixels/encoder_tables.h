// The encoder's colour tables: luma and chroma contributions of each RGB component.
#pragma once

#include <cstdint>

#include "platform/global_heap.h"

namespace kvtc::pixels {

struct EncoderColourTables {
  platform::HeapBuffer<std::int32_t> lumaFromR, lumaFromG, lumaFromB;  // 256 each
  platform::HeapBuffer<std::int32_t> uFromR, uFromG, uFromB;           // 1024 each (sums)
  platform::HeapBuffer<std::int32_t> vFromR, vFromG, vFromB;           // 1024 each (sums)
};

}  // namespace kvtc::pixels
