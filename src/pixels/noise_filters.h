// Noise reduction on the luma plane of the encoder's current picture, in place: a recursive
// 3x3 median that removes isolated dots and thin lines, and a 2x2 box smoothing.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kvtc::pixels {

// The median of the medians of the three rows of the 3x3 window whose top-left sample is at
// `topLeft` (comparisons only).
std::uint8_t MedianOf3x3(std::size_t stride, const std::uint8_t* topLeft);

// Replaces every sample of rows 1..rows-2 and columns 1..stride-2 by the median of its 3x3
// window, in raster order: windows read the samples above and to the left already filtered.
// The first and last row and column are not written; planes of fewer than 3 rows or columns
// are left alone.
void MedianFilter(std::uint8_t* plane, std::size_t stride, std::size_t rows);

// Every sample of rows 0..rows-2 and columns 0..samplesPerRow-2 becomes the rounded mean of
// the 2x2 block whose top-left it is, always of unfiltered values; the last column then
// repeats the one before it, and the last row the row before it. The samples are `step` bytes
// apart from `offset` (row stride step * samplesPerRow), so one channel of interleaved samples
// can be filtered. Planes of fewer than 2 rows or columns are left alone.
void SmoothFilter(std::uint8_t* plane, std::size_t samplesPerRow, std::size_t rows,
                  std::size_t offset, std::size_t step, const std::uint8_t* quarterSum);

}  // namespace kvtc::pixels
