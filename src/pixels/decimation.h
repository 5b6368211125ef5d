// Decimation: the caller's input picture shrunk in place by 2, 4 or 8 before conversion, in
// halving steps that each average 2x2 pixels and round the new width and height down to a
// multiple of 8.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "pixels/input_converters.h"

namespace kvtc::pixels {

// One byte channel of a w x h picture of `step`-byte pixels, the channel at byte `channel` of
// each pixel: output pixel (i, j) is the rounded mean of source pixels (2i..2i+1, 2j..2j+1),
// for i < (w & ~15)/2 and j < (h & ~15)/2. Output rows follow each other without a gap. The
// source and destination may be the same buffer.
void ReduceChannel(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t w, std::uint32_t h,
                   std::uint32_t channel, std::uint32_t step, const std::uint8_t* quarterSum);

// One chroma channel of a packed 4:2:2 picture: `w` samples per source row, `h` half the
// source rows, `step` 4. For each group of four source rows it averages the samples
// (2i, 2i+1) of the group's first and third rows, for i < (w & ~7)/2, and writes the result
// to both output rows of the group, so that the converter finds it in the first row of each
// pair. The source and destination may be the same buffer.
void ReduceChromaPair(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t w, std::uint32_t h,
                      std::uint32_t channel, std::uint32_t step, const std::uint8_t* quarterSum);

struct PictureSize {
  std::uint32_t width, height;
};

// Reduces the picture in `buffer`, laid out by input code `code`, in place by `factor` (2, 4
// or 8; any other factor leaves it alone) and returns its new size. Nothing happens, and the
// result is empty, when the buffer is smaller than the picture. `fields` describes bit-field
// pixels (code 6).
std::optional<PictureSize> DecimateInput(std::span<std::uint8_t> buffer, std::uint8_t code,
                                         PictureSize size, std::uint32_t factor,
                                         const BitFieldLayout& fields,
                                         const std::uint8_t* quarterSum);

}  // namespace kvtc::pixels
