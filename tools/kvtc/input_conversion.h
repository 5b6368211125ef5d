// Turns decoded pictures into the bitmaps the codec compresses.
//
// Every layout is handed over bottom row first, as bitmaps are: the codec keeps the row order
// it is given, and its decompressor turns the picture right way up for top-down output. Rows
// are packed without padding, which is how the codec reads them. "YVU9" is the exception: its
// planes are stored top row first and the codec reverses them itself.
//
// YUV layouts carry luma over the full 0..255 range, which the codec scales to its own, and
// chroma in the codec's own scale: the codec takes packed chroma as it stands, and its U and V
// are BT.601's Cb and Cr scaled by 0.7359 and 1.0369.
#pragma once

#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "host/bitmap_info.h"
#include "kvtc/av_support.h"

namespace kvtc::tool {

enum class InputFormat { Rgb24, Rgb32, Rgb555, Pal8, Gray8, Gray6, Gray4, Yuy2, Cyuv, Yvu9 };

// The --input-format names, in the order of the enumeration.
inline constexpr std::string_view kInputFormatNames[] = {
    "rgb24", "rgb32", "rgb555", "pal8", "gray8", "gray6", "gray4", "yuy2", "cyuv", "yvu9"};

// The layout that loses least for pictures of the given format: 24-bit RGB for RGB and
// palettised sources, 8-bit grey for grey ones, packed 4:2:2 "YUY2" for YUV.
InputFormat DefaultInputFormat(AVPixelFormat source);

class InputConverter {
 public:
  // A bitmap of width x height; pictures of sourceWidth x sourceHeight (0: the same) are
  // converted at their own size and padded out to it by repeating their last column and row.
  InputConverter(InputFormat format, int width, int height, int sourceWidth = 0,
                 int sourceHeight = 0);

  InputFormat Format() const { return format_; }
  // The bitmap header the codec is given, with its colour table.
  const host::BitmapInfo& Header() const { return header_; }
  // The input code the codec must already hold for this layout to be read as intended: 8-bit
  // grey bitmaps are read as grey only when the code is 11 before the frame arrives.
  std::optional<BYTE> RequiredInputCode() const;

  // Converts a picture (scaled when its size differs) into the bitmap's bits.
  std::span<const std::uint8_t> Convert(const AVFrame& picture);

 private:
  void ConvertPacked422(const AVFrame& picture, AVPixelFormat packed);
  void ConvertGrey(const AVFrame& picture);
  void ConvertPalette(const AVFrame& picture);
  void ConvertYvu9(const AVFrame& picture);
  // The part of the picture that is converted (the bitmap's size drops an odd last row or
  // column of the source).
  std::pair<int, int> SourceSize(const AVFrame& picture) const;
  // Converts the picture into a frame of the bitmap's size in `format`.
  const AVFrame& Stage(const AVFrame& picture, AVPixelFormat format, bool fullRange);
  // Converts into `format` bottom row first with packed rows of `rowBytes`.
  void ConvertBottomUp(const AVFrame& picture, std::uint8_t* bits, int rowBytes,
                       AVPixelFormat format, bool fullRange);

  InputFormat format_;
  int width_;
  int height_;
  int sourceWidth_;
  int sourceHeight_;
  host::BitmapInfo header_;
  std::vector<std::uint8_t> bits_;
  std::vector<std::uint8_t> work_;  // the picture staged before it is packed into the bitmap
  FramePtr staged_;
  FramePtr unpadded_;  // the picture at its own size, when the bitmap is larger
  Scaler scaler_;
};

}  // namespace kvtc::tool
