#include "pixels/noise_filters.h"

#include <algorithm>

namespace kvtc::pixels {
namespace {

std::uint8_t MedianOf3(std::uint8_t a, std::uint8_t b, std::uint8_t c) {
  const std::uint8_t lo = std::min(a, b);
  const std::uint8_t hi = std::max(a, b);
  return std::max(lo, std::min(c, hi));
}

}  // namespace

std::uint8_t MedianOf3x3(std::size_t stride, const std::uint8_t* w) {
  const std::uint8_t m0 = MedianOf3(w[0], w[1], w[2]);
  const std::uint8_t m1 = MedianOf3(w[stride], w[stride + 1], w[stride + 2]);
  const std::uint8_t m2 = MedianOf3(w[2 * stride], w[2 * stride + 1], w[2 * stride + 2]);
  return m1 >= m0 ? std::max(std::min(m1, m2), m0) : std::max(std::min(m0, m2), m1);
}

void MedianFilter(std::uint8_t* plane, std::size_t stride, std::size_t rows) {
  if (rows < 3 || stride < 3) return;
  for (std::size_t r = 1; r + 1 < rows; ++r) {
    for (std::size_t c = 1; c + 1 < stride; ++c) {
      plane[r * stride + c] = MedianOf3x3(stride, plane + (r - 1) * stride + (c - 1));
    }
  }
}

void SmoothFilter(std::uint8_t* plane, std::size_t samplesPerRow, std::size_t rows,
                  std::size_t offset, std::size_t step, const std::uint8_t* quarterSum) {
  if (rows < 2 || samplesPerRow < 2) return;
  // In raster order a sample is last read by its own block, so overwriting it there leaves
  // every later block reading unfiltered values.
  const std::size_t stride = step * samplesPerRow;
  std::uint8_t* base = plane + offset;
  for (std::size_t r = 0; r + 1 < rows; ++r) {
    std::uint8_t* row = base + r * stride;
    for (std::size_t c = 0; c + 1 < samplesPerRow; ++c) {
      std::uint8_t* p = row + c * step;
      p[0] = quarterSum[p[0] + p[step] + p[stride] + p[stride + step]];
    }
    row[(samplesPerRow - 1) * step] = row[(samplesPerRow - 2) * step];
  }
  std::uint8_t* last = base + (rows - 1) * stride;
  const std::uint8_t* previous = last - stride;
  for (std::size_t c = 0; c < samplesPerRow; ++c) last[c * step] = previous[c * step];
}

}  // namespace kvtc::pixels
