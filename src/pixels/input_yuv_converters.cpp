// Input converters for YUV and grey bitmaps and the plain luma copies.
#include <algorithm>
#include <cstring>

#include "pixels/input_converters.h"
#include "pixels/plane_margins.h"

namespace kvtc::pixels {
namespace {

constexpr std::uint8_t kNeutralChroma = 128;

void ScaleLumaRows(const std::uint8_t* src, std::size_t pixelStep, const PlaneSet& p,
                   const std::uint8_t* inputScale) {
  for (std::uint32_t y = 0; y < p.height; ++y) {
    const std::uint8_t* px = src + y * pixelStep * p.width;
    std::uint8_t* luma = p.LumaRow(y);
    for (std::uint32_t x = 0; x < p.width; ++x, px += pixelStep) luma[x] = inputScale[*px];
  }
  FinishLumaMargins(p);
}

}  // namespace

void PackedYuvLumaTail(const std::uint8_t* src, const PlaneSet& p, std::uint32_t y,
                       std::uint32_t x, PackedYuvOrder order, const std::uint8_t* inputScale) {
  const std::uint8_t* px = src + 2 * (std::size_t{y} * p.width + x) + order.luma;
  std::uint8_t* luma = p.LumaRow(y);
  for (; x < p.width; ++x, px += 2) luma[x] = inputScale[*px];
}

void PackedYuvChromaTail(const std::uint8_t* src, const PlaneSet& p, std::uint32_t by,
                         std::uint32_t bx, PackedYuvOrder order) {
  // Chroma comes from the first row of each row pair. In a picture of odd width the last
  // pixel has a U byte but no V byte in its row; it takes the chroma of the pair to its left
  // (neutral grey in a picture one pixel wide), so nothing past the row is read.
  const std::uint32_t pairs = p.width / 2;
  const std::uint8_t* row = src + 4 * std::size_t{by} * p.width;
  std::uint8_t* u = p.u + by * p.chromaStride;
  std::uint8_t* v = p.v + by * p.chromaStride;
  for (; bx < p.chromaCols; ++bx) {
    if (pairs == 0) {
      u[bx] = v[bx] = kNeutralChroma;
    } else {
      const std::uint8_t* pair = row + 4 * std::min(bx, pairs - 1);
      u[bx] = pair[order.u];
      v[bx] = pair[order.v];
    }
  }
}

void ConvertFromPackedYuv(const std::uint8_t* src, const PlaneSet& p, PackedYuvOrder order,
                          const std::uint8_t* inputScale) {
  if (!p) return;
  for (std::uint32_t y = 0; y < p.height; ++y) PackedYuvLumaTail(src, p, y, 0, order, inputScale);
  FinishLumaMargins(p);
  for (std::uint32_t by = 0; by < p.chromaRows; ++by) PackedYuvChromaTail(src, p, by, 0, order);
  FinishChromaMargins(p, p.chromaCols, p.chromaRows);
}

void ConvertFromPlanar420(const std::uint8_t* src, const PlaneSet& p,
                          const std::uint8_t* inputScale) {
  if (!p) return;
  ScaleLumaRows(src, 1, p, inputScale);
  // The source chroma planes are (W/2) x (H/2); an odd picture's last block column or row has
  // none of its own and repeats the one before it.
  const std::uint32_t srcCols = p.width / 2;
  const std::uint32_t srcRows = p.height / 2;
  const std::uint8_t* srcU = src + std::size_t{p.width} * p.height;
  const std::uint8_t* srcV = srcU + std::size_t{srcCols} * srcRows;
  const std::uint32_t cols = std::min(srcCols, p.chromaCols);
  const std::uint32_t rows = std::min(srcRows, p.chromaRows);
  for (std::uint32_t y = 0; y < rows; ++y) {
    std::memcpy(p.u + y * p.chromaStride, srcU + y * srcCols, cols);
    std::memcpy(p.v + y * p.chromaStride, srcV + y * srcCols, cols);
  }
  FinishChromaMargins(p, cols, rows);
}

void ConvertFromGrey8(const std::uint8_t* src, const PlaneSet& p, const std::uint8_t* inputScale) {
  if (!p) return;
  ScaleLumaRows(src, 1, p, inputScale);
}

void ExpandGrey4(const std::uint8_t* src, const PlaneSet& p, const std::uint8_t* unpackHigh,
                 const std::uint8_t* unpackLow) {
  if (!p) return;
  // (W+1)/2 bytes per row; an odd width leaves the low nibble of each row's last byte unused.
  const std::size_t rowBytes = (std::size_t{p.width} + 1) / 2;
  for (std::uint32_t y = 0; y < p.height; ++y) {
    const std::uint8_t* row = src + y * rowBytes;
    std::uint8_t* luma = p.LumaRow(y);
    for (std::uint32_t x = 0; x + 1 < p.width; x += 2) {
      luma[x] = unpackHigh[row[x / 2]];
      luma[x + 1] = unpackLow[row[x / 2]];
    }
    if (p.width % 2) luma[p.width - 1] = unpackHigh[row[p.width / 2]];
  }
  FinishLumaMargins(p);
}

void CopyLumaRows(const std::uint8_t* src, const PlaneSet& p, bool lastRowFirst) {
  if (!p) return;
  for (std::uint32_t y = 0; y < p.height; ++y) {
    const std::uint32_t from = lastRowFirst ? p.height - 1 - y : y;
    std::memcpy(p.LumaRow(y), src + std::size_t{from} * p.width, p.width);
  }
  FinishLumaMargins(p);
}

}  // namespace kvtc::pixels
