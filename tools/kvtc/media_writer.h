// Pictures to anything FFmpeg writes, chosen by the output name: ".y4m", a ".png" sequence
// ("out%04d.png") or a single ".png", an uncompressed ".avi" (24-bit RGB), ".mp4" (H.264 or
// MPEG-4), any other container with its usual codec, or "-" for a Y4M stream on standard
// output. A single output file is written under a temporary name and renamed when complete,
// an image sequence in a temporary folder whose pictures are moved into place when complete.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "kvtc/av_support.h"
#include "kvtc/pending_file.h"
#include "kvtc/pending_sequence.h"

namespace kvtc::tool {

class MediaWriter {
 public:
  // `grey` prefers a grey pixel format where the output has one. Throws IoError naming the
  // path when FFmpeg cannot write it.
  MediaWriter(const std::string& path, int width, int height, AVRational rate, bool grey);
  ~MediaWriter();
  MediaWriter(const MediaWriter&) = delete;
  MediaWriter& operator=(const MediaWriter&) = delete;

  void Write(const AVFrame& picture);
  void Finish();
  // After Finish: pictures of the sequence's pattern numbered after the last one written,
  // left by an earlier run ("" when there are none).
  std::string StalePictures() const { return sequenceFolder_ ? sequenceFolder_->Stale() : ""; }

 private:
  struct FormatFree {
    void operator()(AVFormatContext* f) const { avformat_free_context(f); }
  };
  void Drain(bool flushing);

  std::string path_;
  bool pipe_ = false;
  bool sequence_ = false;
  std::optional<PendingFile> pending_;
  std::optional<PendingSequence> sequenceFolder_;
  std::unique_ptr<AVFormatContext, FormatFree> format_;
  CodecContextPtr encoder_;
  AVStream* stream_ = nullptr;
  FramePtr converted_;
  PacketPtr packet_;
  Scaler scaler_;
  std::int64_t written_ = 0;
};

}  // namespace kvtc::tool
