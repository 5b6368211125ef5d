#include "kvtc/media_writer.h"


extern "C" {
#include <libavutil/opt.h>
}

#include "kvtc/tool_errors.h"

namespace kvtc::tool {
namespace {

bool EndsWith(const std::string& s, const char* suffix) {
  const std::string t(suffix);
  return s.size() >= t.size() && s.compare(s.size() - t.size(), t.size(), t) == 0;
}

bool Offers(const AVPixelFormat* list, AVPixelFormat f) {
  for (; list && *list != AV_PIX_FMT_NONE; ++list) {
    if (*list == f) return true;
  }
  return false;
}

// The encoder's pixel format: the picture's own kind (RGB or grey) where the encoder takes
// it, else 4:2:0 YUV, which every player shows. A picture of an odd width or height gets 4:4:4
// where the encoder offers it: encoders such as libx264 take 4:2:0 at even sizes only.
AVPixelFormat ChooseFormat(const AVCodec* codec, bool grey, bool oddSize) {
  const AVPixelFormat natural = grey ? AV_PIX_FMT_GRAY8 : AV_PIX_FMT_RGB24;
  if (codec->id == AV_CODEC_ID_RAWVIDEO) return AV_PIX_FMT_BGR24;
  if (codec->id == AV_CODEC_ID_WRAPPED_AVFRAME) return grey ? AV_PIX_FMT_GRAY8 : AV_PIX_FMT_YUV420P;
  const AVPixelFormat* list = codec->pix_fmts;
  if (!list) return AV_PIX_FMT_YUV420P;
  if (Offers(list, natural)) return natural;
  if (oddSize && Offers(list, AV_PIX_FMT_YUV444P)) return AV_PIX_FMT_YUV444P;
  if (Offers(list, AV_PIX_FMT_YUV420P)) return AV_PIX_FMT_YUV420P;
  return avcodec_find_best_pix_fmt_of_list(list, natural, 0, nullptr);
}

}  // namespace

MediaWriter::MediaWriter(const std::string& path, int width, int height, AVRational rate,
                         bool grey)
    : path_(path), pipe_(path == "-"), packet_(AllocPacket()) {
  sequence_ = !pipe_ && path.find('%', path.rfind('/') + 1) != std::string::npos;
  // A pipe or device whose name says no kind of media gets a Y4M stream, as "-" does.
  const bool stream =
      !pipe_ && !av_guess_format(nullptr, path.c_str(), nullptr) && WrittenInPlace(path);
  AVFormatContext* format = nullptr;
  avformat_alloc_output_context2(&format, nullptr, pipe_ || stream ? "yuv4mpegpipe" : nullptr,
                                 pipe_ ? nullptr : path.c_str());
  format_.reset(format);
  if (!format_) {
    throw FileError(path_, "cannot tell which media to write from the name (try .y4m, .png, "
                           ".avi or .mp4)");
  }
  const AVOutputFormat* container = format_->oformat;
  const AVCodecID id = EndsWith(path, ".avi")
                           ? AV_CODEC_ID_RAWVIDEO
                           : av_guess_codec(container, nullptr, pipe_ ? nullptr : path.c_str(),
                                            nullptr, AVMEDIA_TYPE_VIDEO);
  const AVCodec* codec = id == AV_CODEC_ID_NONE ? nullptr : avcodec_find_encoder(id);
  if (!codec) throw FileError(path_, "FFmpeg has no video encoder for this kind of file");

  encoder_.reset(avcodec_alloc_context3(codec));
  if (!encoder_) throw std::bad_alloc();
  encoder_->width = width;
  encoder_->height = height;
  encoder_->pix_fmt = ChooseFormat(codec, grey, width % 2 != 0 || height % 2 != 0);
  encoder_->time_base = av_inv_q(rate);
  encoder_->framerate = rate;
  encoder_->thread_count = 2;
  // YUV video keeps the usual limited range; grey is written full range and tagged so, as
  // images and players expect of it; RGB has no range.
  if (IsGreyFormat(encoder_->pix_fmt)) {
    encoder_->color_range = AVCOL_RANGE_JPEG;
  } else if (!IsRgbFormat(encoder_->pix_fmt)) {
    encoder_->color_range = AVCOL_RANGE_MPEG;
  }
  if (container->flags & AVFMT_GLOBALHEADER) encoder_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  if (std::string(codec->name) == "libx264") av_opt_set(encoder_->priv_data, "crf", "18", 0);
  if (const int r = avcodec_open2(encoder_.get(), codec, nullptr); r < 0) {
    throw FileError(path_, std::string("cannot encode ") + codec->name + ": " + AvErrorText(r));
  }
  stream_ = avformat_new_stream(format_.get(), nullptr);
  if (!stream_) throw std::bad_alloc();
  stream_->time_base = encoder_->time_base;
  avcodec_parameters_from_context(stream_->codecpar, encoder_.get());
  converted_ = AllocFrame(width, height, encoder_->pix_fmt);

  AVDictionary* options = nullptr;
  if (container->flags & AVFMT_NOFILE) {
    // The image muxer opens each file itself: a single image goes to the temporary name, a
    // sequence to a temporary folder beside it.
    av_freep(&format_->url);
    if (sequence_) {
      sequenceFolder_.emplace(path_);
      format_->url = av_strdup(sequenceFolder_->TempPattern().c_str());
    } else {
      pending_.emplace(path_);
      format_->url = av_strdup(pending_->TempPath().c_str());
      av_dict_set(&options, "update", "1", 0);
    }
  } else {
    if (!pipe_) pending_.emplace(path_);
    const std::string url = pipe_ ? "pipe:1" : pending_->TempPath();
    if (const int r = avio_open(&format_->pb, url.c_str(), AVIO_FLAG_WRITE); r < 0) {
      av_dict_free(&options);
      throw FileError(path_, "cannot write: " + AvErrorText(r));
    }
  }
  const int r = avformat_write_header(format_.get(), &options);
  av_dict_free(&options);
  if (r < 0) throw FileError(path_, "cannot write: " + AvErrorText(r));
}

MediaWriter::~MediaWriter() {
  if (format_ && format_->pb) avio_closep(&format_->pb);
}

void MediaWriter::Drain(bool flushing) {
  for (;;) {
    const int got = avcodec_receive_packet(encoder_.get(), packet_.get());
    if (got == AVERROR(EAGAIN) || (flushing && got == AVERROR_EOF)) return;
    if (got < 0) throw FileError(path_, "cannot encode: " + AvErrorText(got));
    // Every picture lasts one frame; a packet without a duration lets a container with an
    // edit list (.mp4, .mov) end the video before the last picture.
    if (packet_->duration <= 0) packet_->duration = 1;
    av_packet_rescale_ts(packet_.get(), encoder_->time_base, stream_->time_base);
    packet_->stream_index = stream_->index;
    if (const int r = av_interleaved_write_frame(format_.get(), packet_.get()); r < 0) {
      throw FileError(path_, "cannot write: " + AvErrorText(r));
    }
  }
}

void MediaWriter::Write(const AVFrame& picture) {
  if (av_frame_make_writable(converted_.get()) < 0) throw std::bad_alloc();
  scaler_.Convert(picture, *converted_, encoder_->color_range != AVCOL_RANGE_MPEG);
  converted_->pts = written_;
  if (const int r = avcodec_send_frame(encoder_.get(), converted_.get()); r < 0) {
    throw FileError(path_, "cannot encode: " + AvErrorText(r));
  }
  ++written_;
  Drain(false);
}

void MediaWriter::Finish() {
  avcodec_send_frame(encoder_.get(), nullptr);
  Drain(true);
  if (const int r = av_write_trailer(format_.get()); r < 0) {
    throw FileError(path_, "cannot write: " + AvErrorText(r));
  }
  if (format_->pb) {
    avio_flush(format_->pb);
    if (format_->pb->error < 0) {
      throw FileError(path_, "cannot write: " + AvErrorText(format_->pb->error));
    }
    avio_closep(&format_->pb);
  }
  if (pending_) pending_->Commit();
  if (sequenceFolder_) sequenceFolder_->Commit(written_);
}

}  // namespace kvtc::tool
