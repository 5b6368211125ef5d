// The decompressor's output layouts, as a host asks for them: the destination bitmap header of
// each, the output pixel-format code the codec is set to, and the size of one picture.
//
// Hosts ask for top-down bitmaps (negative height), which the codec delivers with rows packed
// without padding.
#pragma once

#include <cstddef>
#include <string_view>

#include "host/bitmap_info.h"

namespace kvtc::host {

enum class OutputFormat { Rgb32, Rgb24, Rgb555, Yuy2, Gray8, Pal332, Cube, Gray4 };

// The --output-format names, in the order of the enumeration.
inline constexpr std::string_view kOutputFormatNames[] = {
    "rgb32", "rgb24", "rgb555", "yuy2", "gray8", "pal332", "cube", "gray4"};

// The destination header for pictures of width x height, top-down.
BitmapInfo OutputHeader(OutputFormat format, int width, int height);
// The output pixel-format code the decompressor is set to for this layout.
BYTE OutputCode(OutputFormat format);
// Bytes of one row and of one picture as the codec writes them.
std::size_t OutputRowBytes(OutputFormat format, int width);
std::size_t OutputImageBytes(OutputFormat format, int width, int height);
// 8-bit layouts whose colours come from the codec's palette.
bool UsesPalette(OutputFormat format);
// Layouts the codec's zoom enlarges byte by byte in their own arrangement.
bool Zoomable(OutputFormat format);

}  // namespace kvtc::host
