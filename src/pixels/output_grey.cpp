// Grey output from the raw luma plane: 4-bit packing, its inverse, and 8-bit grey indices.
#include <algorithm>

#include "pixels/output_converters.h"

namespace kvtc::pixels {

void PackGrey4(const ConstPlaneSet& p, std::uint8_t* out, const std::uint8_t* packHigh,
               const std::uint8_t* packLow) {
  if (!p) return;
  const std::size_t rowBytes = (std::size_t{p.width} + 1) / 2;
  for (std::uint32_t y = 0; y < p.height; ++y) {
    const std::uint8_t* luma = p.LumaRow(y);
    std::uint8_t* row = out + y * rowBytes;
    for (std::size_t i = 0; i < rowBytes; ++i) {
      row[i] = static_cast<std::uint8_t>(packHigh[luma[2 * i]] | packLow[luma[2 * i + 1]]);
    }
  }
}

void UnpackNibbles(const std::uint8_t* src, std::size_t count, std::uint8_t* dst,
                   const std::uint8_t* unpackHigh, const std::uint8_t* unpackLow) {
  for (std::size_t i = 0; i < count; ++i) {
    dst[2 * i] = unpackHigh[src[i]];
    dst[2 * i + 1] = unpackLow[src[i]];
  }
}

void WriteGreyIndices(const ConstPlaneSet& p, std::uint8_t* out) {
  if (!p) return;
  for (std::uint32_t y = 0; y < p.height; ++y) {
    const std::uint8_t* luma = p.LumaRow(y + 1) + 1;
    std::uint8_t* row = out + std::size_t{p.width} * y;
    for (std::uint32_t x = 0; x < p.width; ++x) {
      row[x] = static_cast<std::uint8_t>(26 + std::min<int>(luma[x], 215));
    }
  }
}

}  // namespace kvtc::pixels
