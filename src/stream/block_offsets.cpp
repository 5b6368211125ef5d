#include "stream/block_offsets.h"

namespace kvtc::stream {

BlockOffsets ComputeBlockOffsets(const PlaneGeometry& g) {
  BlockOffsets o;
  for (int r = 0; r < 9; ++r) {
    for (int c = 0; c < 9; ++c) o.luma[r][c] = static_cast<std::int32_t>(r * g.lumaStride + c);
  }
  for (int r = 0; r < 5; ++r) {
    for (int c = 0; c < 5; ++c) o.chroma[r][c] = static_cast<std::int32_t>(r * g.chromaStride + c);
  }
  for (int r = 0; r < 11; ++r) {
    for (int c = 0; c < 11; ++c) o.map[r][c] = static_cast<std::int32_t>(r * g.mapStride + c);
  }
  return o;
}

}  // namespace kvtc::stream
