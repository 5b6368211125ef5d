#include "stream/plane_geometry.h"

namespace kvtc::stream {

std::uint32_t DecimationFactor(std::uint8_t decimation) {
  return decimation == 2 || decimation == 4 || decimation == 8 ? decimation : 1;
}

PlaneGeometry ComputePlaneGeometry(std::uint32_t frameWidth, std::uint32_t frameHeight,
                                   std::uint8_t decimation) {
  PlaneGeometry g;
  g.frameWidth = frameWidth;
  g.frameHeight = frameHeight;
  const std::uint32_t f = DecimationFactor(decimation);
  g.width = f == 1 ? frameWidth : (frameWidth / f) & ~7u;
  g.height = f == 1 ? frameHeight : (frameHeight / f) & ~7u;
  g.lumaStride = g.width + 1;
  g.lumaRows = g.height + 1;
  g.blocksAcross = g.width / 8;
  g.blocksDown = g.height / 8;
  g.blockCount = g.blocksAcross * g.blocksDown;
  g.chromaWidth = 4 * g.blocksAcross;
  g.chromaHeight = 4 * g.blocksDown;
  g.chromaStride = g.chromaWidth + 1;
  g.chromaRows = g.chromaHeight + 1;
  g.uOffset = g.lumaStride * g.lumaRows;
  g.vOffset = g.uOffset + g.chromaStride * g.chromaRows;
  g.planeSetSize = g.vOffset + g.chromaStride * g.chromaRows + 2 * g.lumaStride;
  g.mapStride = g.width + 4;
  g.mapRows = 8 * g.blocksDown + 4;
  g.mapSize = g.mapRows * g.mapStride;
  return g;
}

}  // namespace kvtc::stream
