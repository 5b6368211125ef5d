// A decoder's planes for walking hand-built frames: a reference picture with a known pattern
// and a current plane set that starts as its copy, as at the start of every frame.
#pragma once

#include <cstdint>
#include <vector>

#include "decoder/block_walker.h"
#include "stream/frame_format.h"

namespace kvtc::decoder {

struct WalkerFixture {
  stream::PlaneGeometry g;
  stream::BlockOffsets offsets;
  stream::ArithmeticTables tables;
  std::vector<std::uint8_t> reference, current, map;

  // flat < 0: a pattern that differs at every position; otherwise every sample is `flat`.
  WalkerFixture(std::uint32_t w, std::uint32_t h, int flat = -1)
      : g(stream::ComputePlaneGeometry(w, h, 0)), offsets(stream::ComputeBlockOffsets(g)),
        reference(g.planeSetSize), map(g.mapSize) {
    stream::EnsureSumTables(tables);
    for (std::uint32_t i = 0; i < g.planeSetSize; ++i) {
      reference[i] = static_cast<std::uint8_t>(flat >= 0 ? flat : (i * 37 + (i >> 4) * 11) & 255);
    }
    current = reference;
  }

  WalkResult Decode(const std::vector<std::uint8_t>& frame, bool marks = true) {
    const auto header = stream::ParseFrameHeader(frame);
    if (!header) return WalkResult::kDamaged;
    return DecodeBlocks({*header, g, offsets, tables, current, reference, map, marks});
  }

  int Y(int r, int c) const { return current[r * g.lumaStride + c]; }
  int U(int r, int c) const { return current[g.uOffset + r * g.chromaStride + c]; }
  int V(int r, int c) const { return current[g.vOffset + r * g.chromaStride + c]; }
  int RefY(int r, int c) const { return reference[r * g.lumaStride + c]; }
  int RefU(int r, int c) const { return reference[g.uOffset + r * g.chromaStride + c]; }
};

inline int Avg(int a, int b) { return (a + b + 1) >> 1; }

}  // namespace kvtc::decoder
