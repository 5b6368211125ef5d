#include "compare/peer_runs.h"

#include <algorithm>
#include <limits>

#include "compare/measurement.h"
#include "kvtc/tool_errors.h"

namespace kvtc::compare {
namespace {

constexpr AVRational kRate{15, 1};

struct DictionaryFree {
  void operator()(AVDictionary* d) const { av_dict_free(&d); }
};

void Check(int status, const Clip& clip, const PeerCodec& codec, const char* what) {
  if (status < 0) {
    throw tool::IoError(clip.name + ": " + codec.name + " " + what + ": " +
                        tool::AvErrorText(status));
  }
}

struct Encoded {
  std::vector<tool::PacketPtr> packets;
  tool::CodecContextPtr context;  // the encoder that made them, for the decoder's parameters
  double seconds = 0;
};

// Takes every packet the encoder has ready.
void Collect(AVCodecContext& encoder, std::vector<tool::PacketPtr>& packets, const Clip& clip,
             const PeerCodec& codec) {
  for (;;) {
    tool::PacketPtr packet = tool::AllocPacket();
    const int status = avcodec_receive_packet(&encoder, packet.get());
    if (status == AVERROR(EAGAIN) || status == AVERROR_EOF) return;
    Check(status, clip, codec, "encoding");
    packets.push_back(std::move(packet));
  }
}

Encoded Encode(const Clip& clip, std::size_t frames, const PeerCodec& codec) {
  const AVCodec* encoder = avcodec_find_encoder_by_name(codec.encoder.c_str());
  if (!encoder || !encoder->pix_fmts) {
    throw tool::IoError("this FFmpeg has no " + codec.encoder + " encoder");
  }
  Encoded out;
  out.context.reset(avcodec_alloc_context3(encoder));
  if (!out.context) throw std::bad_alloc();
  AVCodecContext& c = *out.context;
  c.width = clip.width;
  c.height = clip.height;
  c.pix_fmt = encoder->pix_fmts[0];
  c.time_base = av_inv_q(kRate);
  c.framerate = kRate;
  c.thread_count = 1;
  AVDictionary* raw = nullptr;
  for (const auto& [key, value] : codec.options) av_dict_set(&raw, key.c_str(), value.c_str(), 0);
  int status = avcodec_open2(&c, encoder, &raw);
  std::unique_ptr<AVDictionary, DictionaryFree> unused(raw);
  Check(status, clip, codec, "cannot open the encoder");
  if (const AVDictionaryEntry* e = av_dict_get(unused.get(), "", nullptr, AV_DICT_IGNORE_SUFFIX)) {
    throw tool::IoError(codec.encoder + " has no option " + e->key);
  }

  tool::FramePtr input = tool::AllocFrame(clip.width, clip.height, c.pix_fmt);
  PlayerConversion conversion;
  Stopwatch clock;
  for (std::size_t i = 0; i < frames; ++i) {
    clock.Start();
    Check(av_frame_make_writable(input.get()), clip, codec, "input picture");
    conversion.Run(*clip.frames[i], *input);
    input->pts = static_cast<std::int64_t>(i);
    Check(avcodec_send_frame(&c, input.get()), clip, codec, "encoding");
    Collect(c, out.packets, clip, codec);
    clock.Stop();
  }
  clock.Start();
  Check(avcodec_send_frame(&c, nullptr), clip, codec, "encoding");
  Collect(c, out.packets, clip, codec);
  clock.Stop();
  out.seconds = clock.Seconds();
  return out;
}

// Decodes the packets to BGR24; scores the pictures when `score` is given.
double Decode(const Clip& clip, std::size_t frames, const PeerCodec& codec,
              const Encoded& encoded, BgrScore* score) {
  const AVCodec* decoder = avcodec_find_decoder(encoded.context->codec_id);
  if (!decoder) throw tool::IoError("this FFmpeg has no decoder for " + codec.encoder);
  tool::CodecContextPtr context(avcodec_alloc_context3(decoder));
  if (!context) throw std::bad_alloc();
  AVCodecContext& c = *context;
  c.width = clip.width;
  c.height = clip.height;
  c.bits_per_coded_sample = encoded.context->bits_per_coded_sample;
  c.thread_count = 1;
  if (encoded.context->extradata_size > 0) {
    c.extradata = static_cast<std::uint8_t*>(
        av_mallocz(encoded.context->extradata_size + AV_INPUT_BUFFER_PADDING_SIZE));
    if (!c.extradata) throw std::bad_alloc();
    std::copy_n(encoded.context->extradata, encoded.context->extradata_size, c.extradata);
    c.extradata_size = encoded.context->extradata_size;
  }
  Check(avcodec_open2(&c, decoder, nullptr), clip, codec, "cannot open the decoder");

  tool::FramePtr picture(av_frame_alloc());
  if (!picture) throw std::bad_alloc();
  tool::FramePtr bgr = tool::AllocFrame(clip.width, clip.height, AV_PIX_FMT_BGR24);
  PlayerConversion conversion;
  Stopwatch clock;
  std::size_t shown = 0;
  // Takes every picture the decoder has ready; the clock runs except while scoring.
  const auto drain = [&] {
    for (;;) {
      const int status = avcodec_receive_frame(&c, picture.get());
      if (status == AVERROR(EAGAIN) || status == AVERROR_EOF) return;
      Check(status, clip, codec, "decoding");
      conversion.Run(*picture, *bgr);
      if (score && shown < frames) {
        clock.Stop();
        score->Add(*clip.frames[shown], bgr->data[0], bgr->linesize[0]);
        clock.Start();
      }
      ++shown;
    }
  };
  for (const tool::PacketPtr& packet : encoded.packets) {
    clock.Start();
    Check(avcodec_send_packet(&c, packet.get()), clip, codec, "decoding");
    drain();
    clock.Stop();
  }
  clock.Start();
  Check(avcodec_send_packet(&c, nullptr), clip, codec, "decoding");
  drain();
  clock.Stop();
  if (shown != frames) {
    throw tool::IoError(clip.name + ": " + codec.name + " gave " + std::to_string(shown) +
                        " pictures for " + std::to_string(frames) + " frames");
  }
  return clock.Seconds();
}

}  // namespace

const std::vector<PeerCodec>& PeerCodecs() {
  // The vintage codecs key only the first frame of a clip, as the codec does; the modern ones
  // keep their own key-frame and refresh schedule.
  static const std::vector<PeerCodec> codecs = {
      {"msvideo1", "msvideo1", {{"g", "300"}}},
      {"cinepak", "cinepak", {{"g", "300"}}, 12},
      {"rpza", "rpza", {{"g", "300"}}},
      {"libx264", "libx264", {{"preset", "ultrafast"}, {"tune", "zerolatency"},
                              {"intra-refresh", "1"}}},
      {"libvpx (VP8)", "libvpx", {{"deadline", "realtime"}, {"cpu-used", "8"},
                                  {"lag-in-frames", "0"}, {"crf", "10"}, {"b", "2M"}}},
  };
  return codecs;
}

Result RunPeer(const Clip& clip, const PeerCodec& codec, int repeats) {
  constexpr double kLongEnough = 5;  // seconds
  const std::size_t frames =
      codec.frameLimit > 0 ? std::min<std::size_t>(codec.frameLimit, clip.frames.size())
                           : clip.frames.size();
  Result result(clip.name, clip.width, clip.height, codec.name, static_cast<int>(frames));
  if (frames < clip.frames.size()) result.codec += " (" + std::to_string(frames) + " frames)";
  result.encodeSeconds = std::numeric_limits<double>::infinity();
  Encoded kept;
  for (int pass = 0; pass < repeats && result.encodeSeconds > kLongEnough; ++pass) {
    Encoded encoded = Encode(clip, frames, codec);
    result.encodeSeconds = std::min(result.encodeSeconds, encoded.seconds);
    if (pass == 0) kept = std::move(encoded);
  }
  for (const tool::PacketPtr& packet : kept.packets) result.bytes += packet->size;

  BgrScore score;
  result.decodeSeconds = Decode(clip, frames, codec, kept, &score);
  result.psnrY = score.PsnrY();
  for (int pass = 1; pass < repeats; ++pass) {
    result.decodeSeconds =
        std::min(result.decodeSeconds, Decode(clip, frames, codec, kept, nullptr));
  }
  return result;
}

}  // namespace kvtc::compare
