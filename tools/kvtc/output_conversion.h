// The decompressor's output bitmaps turned into pictures FFmpeg can write.
//
// Luma in the codec's packed 4:2:2 output runs 0..215 and its chroma
// is in the codec's own scale; 4-bit grey holds 15 - luma / 17 per pixel; 15-bit RGB is
// widened to 24 bits.
#pragma once

#include <span>
#include <vector>

#include "host/output_layout.h"
#include "kvtc/av_support.h"

namespace kvtc::tool {

class OutputConverter {
 public:
  // `palette` is the codec's palette for the 8-bit layouts (256 entries), else empty;
  // `zoom` is the codec's enlargement of the pictures.
  OutputConverter(host::OutputFormat format, int width, int height,
                  std::span<const RGBQUAD> palette, int zoom);

  // Wraps or converts one output bitmap into a picture (BGR0, BGR24, PAL8, full-range GRAY8
  // or full-range YUYV), valid until the next call.
  const AVFrame& ToPicture(std::span<const std::uint8_t> bitmap);

 private:
  host::OutputFormat format_;
  int width_;
  int height_;
  int zoom_;
  FramePtr picture_;
};

}  // namespace kvtc::tool
