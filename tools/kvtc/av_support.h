// Owners for FFmpeg's objects and the small conversions the tool needs around them.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <memory>
#include <string>

namespace kvtc::tool {

struct AvFrameFree {
  void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct AvPacketFree {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct AvCodecContextFree {
  void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct SwsFree {
  void operator()(SwsContext* s) const { sws_freeContext(s); }
};
using FramePtr = std::unique_ptr<AVFrame, AvFrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, AvPacketFree>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, AvCodecContextFree>;

// A picture of the given size and format with its own buffers; throws std::bad_alloc.
FramePtr AllocFrame(int width, int height, AVPixelFormat format);
PacketPtr AllocPacket();

// FFmpeg's text for an error code.
std::string AvErrorText(int code);

// True for formats whose samples are red, green and blue (palettised ones included).
bool IsRgbFormat(AVPixelFormat format);
// True for formats with only a grey component (with or without alpha).
bool IsGreyFormat(AVPixelFormat format);
// True when the picture's YUV samples use the full 0..255 range.
bool IsFullRange(const AVFrame& frame);

// One libswscale conversion, rebuilt only when the sizes, formats or ranges change.
class SwsStep {
 public:
  void Run(const AVFrame& src, int srcWidth, int srcHeight, bool srcFullRange, AVFrame& dst,
           bool dstFullRange);

 private:
  std::unique_ptr<SwsContext, SwsFree> context_;
  int key_[8] = {};
};

// A format conversion between pictures of possibly different sizes and formats, kept from
// picture to picture. YUV on either side is BT.601, in the range each side asks for.
class Scaler {
 public:
  // Converts the top-left srcWidth x srcHeight of src into dst, which has its own size and
  // format (and buffers from AllocFrame: libswscale may write past the end of a row).
  void Convert(const AVFrame& src, int srcWidth, int srcHeight, AVFrame& dst, bool dstFullRange);
  void Convert(const AVFrame& src, AVFrame& dst, bool dstFullRange) {
    Convert(src, src.width, src.height, dst, dstFullRange);
  }

 private:
  // libswscale leaves the levels alone between YUV or grey formats on its direct paths (same
  // chroma layout, or more than 8 bits a sample), so a change of range between such formats
  // goes through 16-bit 4:4:4 and the levels are rescaled here.
  SwsStep first_;
  SwsStep second_;
  FramePtr wide_;  // the 16-bit 4:4:4 picture between the two steps
};

// Rescales the 16-bit 4:4:4 planes of `picture` (level L of 8 bits at L << 8) from one YUV
// range to the other: luma 16..235 against 0..255, chroma 16..240 against 0..255 about 128.
void ChangeRange(AVFrame& picture, bool toFullRange);

// Quiets FFmpeg's own logging: the tool reports every failure in its own words.
void QuietFfmpegLog();

}  // namespace kvtc::tool
