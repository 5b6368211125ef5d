// Plane geometry of a stream: the coded picture size after decimation, the block grid and the
// layout of one plane set.
//
//   plane set:  Y  (W+1) x (H+1)     row stride W+1, row 0 and column 0 are the border
//               U  (CW+1) x (CH+1)   row stride CW+1, CW = 4*BX, CH = 4*BY
//               V  (CW+1) x (CH+1)
//               2*(W+1) spare bytes
//
// Blocks of 8x8 luma samples (with a 4x4 block in each chroma plane) cover plane rows 1 to
// 8*BY and columns 1 to 8*BX; BX = W/8 and BY = H/8.
#pragma once

#include <cstdint>

namespace kvtc::stream {

struct PlaneGeometry {
  std::uint32_t frameWidth = 0;   // w, before decimation
  std::uint32_t frameHeight = 0;  // h, before decimation
  std::uint32_t width = 0;        // W, coded
  std::uint32_t height = 0;       // H, coded
  std::uint32_t lumaStride = 0;   // W + 1
  std::uint32_t lumaRows = 0;     // H + 1
  std::uint32_t blocksAcross = 0; // BX
  std::uint32_t blocksDown = 0;   // BY
  std::uint32_t blockCount = 0;   // BX * BY
  std::uint32_t chromaWidth = 0;  // CW = 4 * BX
  std::uint32_t chromaHeight = 0; // CH = 4 * BY
  std::uint32_t chromaStride = 0; // CW + 1
  std::uint32_t chromaRows = 0;   // CH + 1
  std::uint32_t uOffset = 0;      // (W+1)(H+1)
  std::uint32_t vOffset = 0;      // uOffset + (CW+1)(CH+1)
  std::uint32_t planeSetSize = 0; // vOffset + (CW+1)(CH+1) + 2(W+1)
  std::uint32_t mapStride = 0;    // W + 4
  std::uint32_t mapRows = 0;      // 8 * BY + 4
  std::uint32_t mapSize = 0;      // mapRows * mapStride
};

// The decimation factor a settings value stands for: 2, 4 or 8, any other value 1 (none).
std::uint32_t DecimationFactor(std::uint8_t decimation);

// The geometry of a stream of frameWidth x frameHeight pictures with the given decimation
// setting. Each halving step rounds the size down to a multiple of 8.
PlaneGeometry ComputePlaneGeometry(std::uint32_t frameWidth, std::uint32_t frameHeight,
                                   std::uint8_t decimation);

}  // namespace kvtc::stream
