// Pictures from anything FFmpeg reads: a file, "-" for a Y4M stream on standard input, an
// image sequence ("frame%04d.png"), or raw frames of a given size and pixel format.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "kvtc/av_support.h"

namespace kvtc::tool {

struct MediaSource {
  std::string path;                               // "-" for standard input
  std::optional<std::pair<int, int>> rawSize;     // raw frames: --size
  std::string rawPixelFormat;                     // raw frames: --pix-fmt
  std::optional<AVRational> rate;                 // --rate: overrides the source's
};

class MediaReader {
 public:
  // Opens the source and its first video stream; throws IoError naming the path.
  explicit MediaReader(const MediaSource& source);
  MediaReader(const MediaReader&) = delete;
  MediaReader& operator=(const MediaReader&) = delete;

  int Width() const { return codec_->width; }
  int Height() const { return codec_->height; }
  AVPixelFormat PixelFormat() const { return codec_->pix_fmt; }
  AVRational Rate() const { return rate_; }
  // The unit of the pictures' timestamps; {0, 1} when they are taken one a frame (raw frames,
  // image sequences, or a --rate that re-times the source).
  AVRational TimeBase() const { return timeBase_; }
  // The number of frames the container announces, 0 when it does not know.
  std::int64_t ExpectedFrames() const { return expectedFrames_; }

  // The next picture, valid until the next call; nullptr at the end. Throws IoError when the
  // media cannot be decoded.
  const AVFrame* Next();
  // Raw input: the bytes of an incomplete last frame that Next left out, and a whole frame's.
  int PartialBytes() const { return partialBytes_; }
  int RawFrameBytes() const { return rawFrameBytes_; }

 private:
  struct FormatClose {
    void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
  };
  std::string path_;
  std::unique_ptr<AVFormatContext, FormatClose> format_;
  CodecContextPtr codec_;
  int stream_ = -1;
  AVRational rate_{0, 1};
  AVRational timeBase_{0, 1};
  std::int64_t expectedFrames_ = 0;
  PacketPtr packet_;
  FramePtr frame_;
  int rawFrameBytes_ = 0;
  int partialBytes_ = 0;
  bool draining_ = false;
  bool finished_ = false;
};

// "30000/1001", "15", "29.97" or "ntsc"; throws UsageError naming --rate.
AVRational ParseRate(const std::string& text);

}  // namespace kvtc::tool
