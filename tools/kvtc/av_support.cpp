#include "kvtc/av_support.h"

#include <algorithm>
#include <new>

extern "C" {
#include <libavutil/error.h>
#include <libavutil/log.h>
}

namespace kvtc::tool {

FramePtr AllocFrame(int width, int height, AVPixelFormat format) {
  FramePtr frame(av_frame_alloc());
  if (!frame) throw std::bad_alloc();
  frame->width = width;
  frame->height = height;
  frame->format = format;
  if (av_frame_get_buffer(frame.get(), 0) < 0) throw std::bad_alloc();
  return frame;
}

PacketPtr AllocPacket() {
  PacketPtr packet(av_packet_alloc());
  if (!packet) throw std::bad_alloc();
  return packet;
}

std::string AvErrorText(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

bool IsRgbFormat(AVPixelFormat format) {
  const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(format);
  return d && (d->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL));
}

bool IsGreyFormat(AVPixelFormat format) {
  const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(format);
  return d && !(d->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL)) &&
         d->nb_components <= 2;
}

bool IsFullRange(const AVFrame& frame) {
  switch (frame.format) {
    case AV_PIX_FMT_YUVJ420P:
    case AV_PIX_FMT_YUVJ422P:
    case AV_PIX_FMT_YUVJ444P:
    case AV_PIX_FMT_YUVJ440P:
    case AV_PIX_FMT_YUVJ411P:
      return true;
    default:
      // Grey pictures without a stated range are full range, as images are.
      if (frame.color_range == AVCOL_RANGE_UNSPECIFIED) {
        return IsGreyFormat(static_cast<AVPixelFormat>(frame.format));
      }
      return frame.color_range == AVCOL_RANGE_JPEG;
  }
}

void Scaler::Convert(const AVFrame& src, int srcWidth, int srcHeight, AVFrame& dst,
                     bool dstFullRange) {
  const int dstWidth = dst.width, dstHeight = dst.height;
  const auto dstFormat = static_cast<AVPixelFormat>(dst.format);
  const bool srcFull = IsFullRange(src);
  const int key[8] = {srcWidth, srcHeight,        src.format, srcFull,
                      dstWidth, dstHeight, dstFormat, dstFullRange};
  if (!context_ || !std::equal(key, key + 8, key_)) {
    // Bicubic only matters where sizes differ; accurate rounding and full chroma
    // interpolation keep same-size conversions as close to exact as the formats allow.
    context_.reset(sws_getContext(srcWidth, srcHeight, static_cast<AVPixelFormat>(src.format),
                                  dstWidth, dstHeight, dstFormat,
                                  SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr,
                                  nullptr, nullptr));
    if (!context_) throw std::bad_alloc();
    const int* bt601 = sws_getCoefficients(SWS_CS_ITU601);
    sws_setColorspaceDetails(context_.get(), bt601, srcFull, bt601, dstFullRange, 0, 1 << 16,
                             1 << 16);
    std::copy(key, key + 8, key_);
  }
  sws_scale(context_.get(), src.data, src.linesize, 0, srcHeight, dst.data, dst.linesize);
}

void QuietFfmpegLog() { av_log_set_level(AV_LOG_QUIET); }

}  // namespace kvtc::tool
