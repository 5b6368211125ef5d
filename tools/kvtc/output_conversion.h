// The decompressor's output layouts, as the tool asks for them, and their conversion into
// pictures FFmpeg can write.
//
// The tool asks for top-down bitmaps (negative height), which the codec delivers with rows
// packed without padding. Luma in the codec's packed 4:2:2 output runs 0..215 and its chroma
// is in the codec's own scale; 4-bit grey holds 15 - luma / 17 per pixel.
#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "kvtc/av_support.h"
#include "kvtc/bitmap_info.h"

namespace kvtc::tool {

enum class OutputFormat { Rgb32, Rgb24, Rgb555, Yuy2, Gray8, Pal332, Cube, Gray4 };

// The --output-format names, in the order of the enumeration.
inline constexpr std::string_view kOutputFormatNames[] = {
    "rgb32", "rgb24", "rgb555", "yuy2", "gray8", "pal332", "cube", "gray4"};

// The destination header for pictures of width x height, top-down.
BitmapInfo OutputHeader(OutputFormat format, int width, int height);
// The output pixel-format code the decompressor is set to for this layout.
BYTE OutputCode(OutputFormat format);
std::size_t OutputImageBytes(OutputFormat format, int width, int height);
// 8-bit layouts whose colours come from the codec's palette.
bool UsesPalette(OutputFormat format);
// Layouts the codec's zoom enlarges byte by byte in their own arrangement.
bool Zoomable(OutputFormat format);

class OutputConverter {
 public:
  // `palette` is the codec's palette for the 8-bit layouts (256 entries), else empty.
  OutputConverter(OutputFormat format, int width, int height, std::span<const RGBQUAD> palette);

  // Wraps or converts one output bitmap into a picture (BGR0, BGR24, RGB555, PAL8, GRAY8 or
  // full-range YUYV), valid until the next call.
  const AVFrame& ToPicture(std::span<const std::uint8_t> bitmap);

 private:
  OutputFormat format_;
  int width_;
  int height_;
  FramePtr picture_;
};

}  // namespace kvtc::tool
