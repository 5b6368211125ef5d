#include "kvtc/media_reader.h"

extern "C" {
#include <libavutil/dict.h>
#include <libavutil/imgutils.h>
#include <libavutil/parseutils.h>
}

#include "driver/pixel_format_codes.h"
#include "kvtc/tool_errors.h"

namespace kvtc::tool {
namespace {

std::string RateText(AVRational r) {
  return std::to_string(r.num) + "/" + std::to_string(r.den);
}

}  // namespace

AVRational ParseRate(const std::string& text) {
  AVRational rate{0, 1};
  if (av_parse_video_rate(&rate, text.c_str()) < 0 || rate.num <= 0 || rate.den <= 0 ||
      av_q2d(rate) > 1000) {
    throw UsageError("--rate needs a frame rate such as 15, 29.97 or 30000/1001 (got '" + text +
                     "')");
  }
  return rate;
}

MediaReader::MediaReader(const MediaSource& source)
    : path_(source.path), packet_(AllocPacket()), frame_(av_frame_alloc()) {
  if (!frame_) throw std::bad_alloc();
  const AVInputFormat* forced = nullptr;
  AVDictionary* options = nullptr;
  std::string url = source.path == "-" ? "pipe:0" : source.path;
  if (source.rawSize) {
    forced = av_find_input_format("rawvideo");
    const std::string size =
        std::to_string(source.rawSize->first) + "x" + std::to_string(source.rawSize->second);
    av_dict_set(&options, "video_size", size.c_str(), 0);
    av_dict_set(&options, "pixel_format", source.rawPixelFormat.c_str(), 0);
  } else if (source.path == "-") {
    forced = av_find_input_format("yuv4mpegpipe");
  } else if (source.path.find('%') != std::string::npos) {
    forced = av_find_input_format("image2");
  }
  if (source.rate && (source.rawSize || source.path.find('%') != std::string::npos)) {
    av_dict_set(&options, "framerate", RateText(*source.rate).c_str(), 0);
  }
  AVFormatContext* format = nullptr;
  const int opened = avformat_open_input(&format, url.c_str(), forced, &options);
  av_dict_free(&options);
  format_.reset(format);
  if (opened < 0 && source.path == "-" && !source.rawSize) {
    throw IoError("standard input: empty or not a Y4M stream (raw frames need --size and "
                  "--pix-fmt)");
  }
  if (opened < 0) throw FileError(path_, "cannot open: " + AvErrorText(opened));
  if (const int r = avformat_find_stream_info(format_.get(), nullptr); r < 0) {
    throw FileError(path_, "cannot read its streams: " + AvErrorText(r));
  }
  const AVCodec* decoder = nullptr;
  stream_ = av_find_best_stream(format_.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
  if (stream_ < 0) {
    for (unsigned i = 0; i < format_->nb_streams; ++i) {
      if (driver::IsKvtStream(format_->streams[i]->codecpar->codec_tag)) {
        throw FileError(path_, "it is already KVT Codec video; decode it with 'kvtc decode " +
                                   path_ + " -o OUT'");
      }
    }
    throw FileError(path_, stream_ == AVERROR_DECODER_NOT_FOUND
                               ? "FFmpeg has no decoder for its video"
                               : "no video stream in it");
  }
  if (!decoder) throw FileError(path_, "no decoder for its video");
  const AVStream* st = format_->streams[stream_];

  codec_.reset(avcodec_alloc_context3(decoder));
  if (!codec_) throw std::bad_alloc();
  avcodec_parameters_to_context(codec_.get(), st->codecpar);
  codec_->thread_count = 2;
  if (const int r = avcodec_open2(codec_.get(), decoder, nullptr); r < 0) {
    throw FileError(path_, "cannot decode its video: " + AvErrorText(r));
  }
  if (codec_->width <= 0 || codec_->height <= 0) {
    throw FileError(path_, "its video has no picture size");
  }
  if (source.rawSize) {
    rawFrameBytes_ = av_image_get_buffer_size(codec_->pix_fmt, codec_->width, codec_->height, 1);
  }

  // The rate every picture's time is a whole number of frames at (a variable-rate file's
  // mean would put its pictures between frames), as libavformat guesses it.
  rate_ = source.rate.value_or(av_guess_frame_rate(format_.get(), format_->streams[stream_], nullptr));
  if (rate_.num <= 0 || rate_.den <= 0) rate_ = {25, 1};
  if (!source.rate && !source.rawSize) timeBase_ = st->time_base;
  if (st->nb_frames > 0) {
    expectedFrames_ = st->nb_frames;
  } else if (st->duration > 0) {
    expectedFrames_ = av_rescale_q(st->duration, st->time_base, av_inv_q(rate_));
  } else if (format_->duration > 0) {
    expectedFrames_ = av_rescale_q(format_->duration, AV_TIME_BASE_Q, av_inv_q(rate_));
  }
}

const AVFrame* MediaReader::Next() {
  while (!finished_) {
    const int got = avcodec_receive_frame(codec_.get(), frame_.get());
    if (got == 0) return frame_.get();
    if (got == AVERROR_EOF) {
      finished_ = true;
      break;
    }
    if (got != AVERROR(EAGAIN)) throw FileError(path_, "cannot decode: " + AvErrorText(got));
    if (draining_) {
      finished_ = true;
      break;
    }
    const int read = av_read_frame(format_.get(), packet_.get());
    if (read == AVERROR_EOF) {
      draining_ = true;
      avcodec_send_packet(codec_.get(), nullptr);
      continue;
    }
    if (read < 0) throw FileError(path_, "cannot read: " + AvErrorText(read));
    if (packet_->stream_index == stream_ && packet_->size < rawFrameBytes_) {
      // Raw input that ends part-way through a frame: the whole frames are the video.
      partialBytes_ = packet_->size;
      av_packet_unref(packet_.get());
      draining_ = true;
      avcodec_send_packet(codec_.get(), nullptr);
      continue;
    }
    if (packet_->stream_index == stream_) {
      const int sent = avcodec_send_packet(codec_.get(), packet_.get());
      if (sent < 0 && sent != AVERROR(EAGAIN)) {
        av_packet_unref(packet_.get());
        throw FileError(path_, "cannot decode: " + AvErrorText(sent));
      }
    }
    av_packet_unref(packet_.get());
  }
  return nullptr;
}

}  // namespace kvtc::tool
