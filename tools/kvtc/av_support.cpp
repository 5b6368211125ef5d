#include "kvtc/av_support.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <vector>

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

void SwsStep::Run(const AVFrame& src, int srcWidth, int srcHeight, bool srcFullRange,
                  AVFrame& dst, bool dstFullRange) {
  const int key[8] = {srcWidth, srcHeight, src.format, srcFullRange,
                      dst.width, dst.height, dst.format, dstFullRange};
  if (!context_ || !std::equal(key, key + 8, key_)) {
    // Bicubic only matters where sizes differ; accurate rounding and full chroma
    // interpolation keep same-size conversions as close to exact as the formats allow.
    context_.reset(sws_getContext(srcWidth, srcHeight, static_cast<AVPixelFormat>(src.format),
                                  dst.width, dst.height, static_cast<AVPixelFormat>(dst.format),
                                  SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr,
                                  nullptr, nullptr));
    if (!context_) throw std::bad_alloc();
    const int* bt601 = sws_getCoefficients(SWS_CS_ITU601);
    sws_setColorspaceDetails(context_.get(), bt601, srcFullRange, bt601, dstFullRange, 0,
                             1 << 16, 1 << 16);
    std::copy(key, key + 8, key_);
  }
  sws_scale(context_.get(), src.data, src.linesize, 0, srcHeight, dst.data, dst.linesize);
}

namespace {

// One plane of 16-bit samples: out = (in - From) * Num / Den + To, in units of 1/256 of a
// level, rounded to nearest and clamped; through a table of every 16-bit sample, made on
// first use: a division a sample took a third of a whole encode of a YUV source.
template <std::int64_t From, std::int64_t Num, std::int64_t Den, std::int64_t To>
void ScalePlane(AVFrame& picture, int plane) {
  static const std::vector<std::uint16_t> scaled = [] {
    std::vector<std::uint16_t> table(65536);
    for (std::int64_t in = 0; in < 65536; ++in) {
      const std::int64_t d = (in - From) * Num;
      const std::int64_t q = (d >= 0 ? d + Den / 2 : d - Den / 2) / Den;
      table[static_cast<std::size_t>(in)] =
          static_cast<std::uint16_t>(std::clamp<std::int64_t>(q + To, 0, 65535));
    }
    return table;
  }();
  for (int y = 0; y < picture.height; ++y) {
    auto* row = reinterpret_cast<std::uint16_t*>(picture.data[plane] +
                                                 std::ptrdiff_t{picture.linesize[plane]} * y);
    for (int x = 0; x < picture.width; ++x) row[x] = scaled[row[x]];
  }
}

}  // namespace

void ChangeRange(AVFrame& picture, bool toFullRange) {
  // Luma: (L - 16) * 255 / 219 and back; chroma: (C - 128) * 255 / 224 + 128 and back.
  if (toFullRange) {
    ScalePlane<16 << 8, 255, 219, 0>(picture, 0);
    for (const int p : {1, 2}) ScalePlane<128 << 8, 255, 224, 128 << 8>(picture, p);
  } else {
    ScalePlane<0, 219, 255, 16 << 8>(picture, 0);
    for (const int p : {1, 2}) ScalePlane<128 << 8, 224, 255, 128 << 8>(picture, p);
  }
}

void Scaler::Convert(const AVFrame& src, int srcWidth, int srcHeight, AVFrame& dst,
                     bool dstFullRange) {
  const bool srcFull = IsFullRange(src);
  const auto levelled = [](int format) {
    return !IsRgbFormat(static_cast<AVPixelFormat>(format));
  };
  if (srcFull == dstFullRange || !levelled(src.format) || !levelled(dst.format)) {
    first_.Run(src, srcWidth, srcHeight, srcFull, dst, dstFullRange);
    return;
  }
  if (!wide_ || wide_->width != dst.width || wide_->height != dst.height) {
    wide_ = AllocFrame(dst.width, dst.height, AV_PIX_FMT_YUV444P16);
  }
  first_.Run(src, srcWidth, srcHeight, srcFull, *wide_, srcFull);
  ChangeRange(*wide_, dstFullRange);
  if (dst.format != AV_PIX_FMT_GRAY8) {
    second_.Run(*wide_, dst.width, dst.height, dstFullRange, dst, dstFullRange);
    return;
  }
  // libswscale changes the levels again on its way from YUV to grey: take the luma directly.
  for (int y = 0; y < dst.height; ++y) {
    const auto* from = reinterpret_cast<const std::uint16_t*>(
        wide_->data[0] + std::ptrdiff_t{wide_->linesize[0]} * y);
    std::uint8_t* to = dst.data[0] + std::ptrdiff_t{dst.linesize[0]} * y;
    for (int x = 0; x < dst.width; ++x) {
      to[x] = static_cast<std::uint8_t>(std::min(255, (from[x] + 128) >> 8));
    }
  }
}

void QuietFfmpegLog() { av_log_set_level(AV_LOG_QUIET); }

}  // namespace kvtc::tool
