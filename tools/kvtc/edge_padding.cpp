#include "kvtc/edge_padding.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

namespace kvtc::tool {

int PaddedSide(int side, int factor) {
  const int unit = 8 * factor;
  return std::max(unit, (side + unit - 1) / unit * unit);
}

std::uint8_t DefaultDecimation(int width, int height, double linkBytesPerSecond) {
  // A whole camera picture at the coarsest threshold with half-resolution luma costs about
  // 0.13 bytes a pixel (cup.mp4: 40 KB at 640x480). A picture the link cannot carry in a
  // second is built up over seconds of blocks that are still black.
  constexpr double kCoarsestBytesPerPixel = 0.14;
  for (const int f : {1, 2, 4}) {
    const int w = PaddedSide(width, f) / f, h = PaddedSide(height, f) / f;
    const bool fitsLink =
        linkBytesPerSecond <= 0 || kCoarsestBytesPerPixel * w * h <= linkBytesPerSecond;
    if (w <= 640 && h <= 480 && fitsLink) return static_cast<std::uint8_t>(f == 1 ? 0 : f);
  }
  return 8;
}

void PadByRepeatingEdges(const AVFrame& src, AVFrame& dst) {
  const auto format = static_cast<AVPixelFormat>(src.format);
  const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format);
  const bool planar = desc->flags & AV_PIX_FMT_FLAG_PLANAR;
  const int planes = av_pix_fmt_count_planes(format);
  for (int p = 0; p < planes; ++p) {
    const bool chroma = p == 1 || p == 2;
    const int shiftW = chroma && planar ? desc->log2_chroma_w : 0;
    const int shiftH = chroma && planar ? desc->log2_chroma_h : 0;
    const int srcRows = -((-src.height) >> shiftH);
    const int dstRows = -((-dst.height) >> shiftH);
    const int srcBytes = av_image_get_linesize(format, src.width, p);
    const int dstBytes = av_image_get_linesize(format, dst.width, p);
    // The repeated unit: one sample of a plane, or the pixel (pair) of a packed layout.
    const int unit = av_image_get_linesize(format, planar ? 1 << shiftW : 1 << desc->log2_chroma_w, p);
    for (int y = 0; y < dstRows; ++y) {
      const std::uint8_t* from = src.data[p] + static_cast<std::ptrdiff_t>(std::min(y, srcRows - 1)) * src.linesize[p];
      std::uint8_t* to = dst.data[p] + static_cast<std::ptrdiff_t>(y) * dst.linesize[p];
      std::memcpy(to, from, static_cast<std::size_t>(srcBytes));
      for (int x = srcBytes; x + unit <= dstBytes; x += unit) {
        std::memcpy(to + x, from + srcBytes - unit, static_cast<std::size_t>(unit));
      }
    }
  }
}

}  // namespace kvtc::tool
