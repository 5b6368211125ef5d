// kvtc encode INPUT -o OUT.avi [options]
#include <cstdio>
#include <vector>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
}

#include "host/codec_settings.h"
#include "kvtc/arg_parser.h"
#include "kvtc/commands.h"
#include "kvtc/edge_padding.h"
#include "kvtc/encode_pipeline.h"
#include "kvtc/media_reader.h"
#include "kvtc/pending_file.h"
#include "kvtc/tool_errors.h"
#include "stream/plane_geometry.h"

namespace kvtc::tool {
namespace {

constexpr OptionDef kOptions[] = {
    {"output", "OUT.avi", "the AVI file to write (required)", 'o'},
    {"input-format", "FORMAT",
     "bitmap layout handed to the codec: rgb24, rgb32, rgb555, pal8, gray8, gray6, gray4, "
     "yuy2, cyuv or yvu9 (grey: its luma only is coded) (default: yuy2 for YUV sources, rgb24 "
     "for RGB, gray8 for grey)"},
    {"size", "WxH", "raw input: picture size"},
    {"pix-fmt", "FMT", "raw input: FFmpeg pixel format, e.g. yuv420p or rgb24"},
    {"rate", "FPS", "frame rate, e.g. 15 or 30000/1001 (default: the input's, each picture "
                    "at its time; given, the pictures follow one another at it)"},
    {"frames", "N", "encode at most N pictures"},
    {"preset", "NAME", "lan, isdn or modem: the preset's threshold, refresh, lossless options, "
                       "filter and search radius"},
    {"quality", "Q", "0..10000, sent with every frame (10000 best)"},
    {"threshold", "T", "change threshold 0..30 (0 best); the quality that gives it is sent"},
    {"refresh", "PERIOD", "refresh every block within PERIOD frames, 0..255 (0 off)"},
    {"radius", "R", "motion search radius: 0, 2, 4, 8 or 16 pixels"},
    {"lossless-luma", "", "code every luma sample"},
    {"no-lossless-luma", "", "code luma at half resolution"},
    {"lossless-chroma", "", "code every chroma sample"},
    {"no-lossless-chroma", "", "code chroma at half resolution"},
    {"gray", "", "send grey scale only"},
    {"color-changes", "", "change detection also compares colour (blocks whose colour changed "
                          "are sent even when their luma did not)"},
    {"filter", "NAME", "noise filter on the input: none, median or smooth"},
    {"decimate", "F", "shrink the picture by 1 (none), 2, 4 or 8 before coding (default: the "
                      "least that brings it within 640x480)"},
    {"keyint", "N", "ask for a key frame every N frames (0: the first only; default: the "
                    "saved key-frame interval)"},
    {"no-scene-cut", "", "no key frame where a new scene starts (by default one is asked for)"},
    {"bitrate", "KBIT/S", "fit the stream to a link of this rate: each frame's quality is chosen "
                          "from what recent frames cost, and frames the link cannot take are "
                          "dropped (the decoder shows the last picture again)"},
    {"max-frame-bytes", "N", "with --bitrate: no frame above N bytes (the codec is held to it; "
                             "at least one bit a block)"},
    // With --bitrate, --threshold and --quality give the finest threshold it may choose.
    {"quiet", "", "no progress or summary", 'q'},
};

constexpr std::string_view kPresets[] = {"lan", "isdn", "modem"};
constexpr std::string_view kFilters[] = {"none", "median", "smooth"};

host::CompressorChoices ChoicesFrom(const ParsedArgs& a) {
  host::CompressorChoices c;
  if (auto p = a.Choice("preset", kPresets)) {
    c.preset = *p == 0 ? settings::Preset::Lan : *p == 1 ? settings::Preset::Isdn
                                                         : settings::Preset::Modem;
  }
  if (auto t = a.Integer("threshold", 0, 30)) c.threshold = static_cast<BYTE>(*t);
  if (auto q = a.Integer("quality", 0, 10000)) {
    if (c.threshold) throw UsageError("--quality and --threshold cannot be given together");
    c.threshold = host::ThresholdForFrameQuality(static_cast<DWORD>(*q));
  }
  if (auto p = a.Integer("refresh", 0, 255)) c.refreshPeriod = static_cast<BYTE>(*p);
  if (auto r = a.Integer("radius", 0, 16)) {
    if (*r != 0 && *r != 2 && *r != 4 && *r != 8 && *r != 16) {
      throw UsageError("--radius must be 0, 2, 4, 8 or 16 (got " + std::to_string(*r) + ")");
    }
    c.searchRadius = static_cast<BYTE>(*r);
  }
  if (a.Has("lossless-luma") && a.Has("no-lossless-luma")) {
    throw UsageError("--lossless-luma and --no-lossless-luma contradict each other");
  }
  if (a.Has("lossless-chroma") && a.Has("no-lossless-chroma")) {
    throw UsageError("--lossless-chroma and --no-lossless-chroma contradict each other");
  }
  if (a.Has("lossless-luma") || a.Has("no-lossless-luma")) c.losslessLuma = a.Has("lossless-luma");
  if (a.Has("lossless-chroma") || a.Has("no-lossless-chroma")) {
    c.losslessChroma = a.Has("lossless-chroma");
  }
  if (a.Has("gray")) c.sendGray = true;
  if (a.Has("color-changes")) c.chromaChange = true;
  if (auto f = a.Choice("filter", kFilters)) c.filter = static_cast<host::NoiseFilter>(*f);
  if (auto d = a.Integer("decimate", 1, 8)) {
    if (*d != 1 && *d != 2 && *d != 4 && *d != 8) {
      throw UsageError("--decimate must be 1, 2, 4 or 8 (got " + std::to_string(*d) + ")");
    }
    c.decimation = static_cast<BYTE>(*d == 1 ? 0 : *d);
  }
  return c;
}

// The container a file's first bytes prove it to be (a signature, not a guess), or nullptr.
const AVInputFormat* ContainerOf(const std::string& path) {
  if (path == "-" || path.find('%') != std::string::npos) return nullptr;
  std::vector<unsigned char> head(4096 + AVPROBE_PADDING_SIZE, 0);
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return nullptr;
  const std::size_t n = std::fread(head.data(), 1, 4096, f);
  std::fclose(f);
  AVProbeData probe{};
  probe.filename = "";
  probe.buf = head.data();
  probe.buf_size = static_cast<int>(n);
  int score = AVPROBE_SCORE_MAX * 9 / 10;  // only a near-certain detection is returned
  return av_probe_input_format2(&probe, 1, &score);
}

MediaSource SourceFrom(const ParsedArgs& a, const std::string& input) {
  MediaSource source;
  source.path = input;
  if (a.Has("size") != a.Has("pix-fmt")) {
    throw UsageError("raw input needs both --size and --pix-fmt");
  }
  if (auto size = a.Get("size")) {
    if (const AVInputFormat* f = ContainerOf(input)) {
      throw UsageError("--size and --pix-fmt are for raw frames, and " + input + " is " +
                       (f->long_name ? f->long_name : f->name) +
                       ", which gives its own picture size and format");
    }
    source.rawSize = ParseSize("size", *size);
    source.rawPixelFormat = *a.Get("pix-fmt");
    if (av_get_pix_fmt(source.rawPixelFormat.c_str()) == AV_PIX_FMT_NONE) {
      throw UsageError("--pix-fmt: FFmpeg knows no pixel format '" + source.rawPixelFormat +
                       "' (try yuv420p, rgb24 or gray)");
    }
  }
  if (auto rate = a.Get("rate")) source.rate = ParseRate(*rate);
  return source;
}

constexpr CommandHelp kHelp = {
    "kvtc encode INPUT -o OUT.avi [options]",
    "Compresses a video with the KVT Codec into an AVI file. INPUT is any\n"
    "file FFmpeg reads, an image sequence such as frame%04d.png, or '-'\n"
    "for a Y4M stream on standard input (raw frames with --size and\n"
    "--pix-fmt). Settings start from the saved ones ('kvtc config').",
    kOptions};

}  // namespace

int RunEncode(std::span<const std::string> args) {
  const auto parsed = ParseCommand(args, kHelp);
  if (!parsed) return kExitOk;
  const ParsedArgs& a = *parsed;
  const std::string& input = OnePositional(a, "INPUT");
  const std::string output = Required(a, "output", "give the AVI to write with -o OUT.avi");
  if (output == "-") throw UsageError("the AVI must go to a file (it is finished by seeking back)");
  // Only AVI holds the codec's frames: a name that says another container would be a lie.
  if (const AVOutputFormat* f = av_guess_format(nullptr, output.c_str(), nullptr);
      f && std::string_view(f->name) != "avi") {
    throw UsageError("-o " + output + ": the codec's frames are stored in AVI files only " +
                     "(give a name ending in .avi); 'kvtc decode' makes " +
                     (f->long_name ? f->long_name : f->name) + " from it afterwards");
  }
  RequireDistinctFiles(input, output);

  const host::CompressorChoices choices = ChoicesFrom(a);
  const MediaSource source = SourceFrom(a, input);
  std::optional<InputFormat> forced;
  if (auto f = a.Choice("input-format", kInputFormatNames)) forced = static_cast<InputFormat>(*f);
  const auto frameLimit = a.Integer("frames", 1, 1L << 30);
  const auto keyInterval = a.Integer("keyint", 0, 1L << 30);

  EncodeJob job;
  job.settings = host::SavedSettings();
  host::ApplyCompressorChoices(choices, job.settings);
  job.quality = a.Has("quality") ? static_cast<DWORD>(*a.Integer("quality", 0, 10000))
                                 : host::FrameQualityForThreshold(job.settings.bThreshold);
  job.keyInterval = static_cast<unsigned>(keyInterval.value_or(job.settings.bKeyInterval));
  job.frameLimit = frameLimit.value_or(-1);
  job.pacing.sceneCuts = !a.Has("no-scene-cut");
  const auto bitrate = a.Number("bitrate", 1, 1e6);
  const auto maxFrameBytes = a.Integer("max-frame-bytes", 64, 1L << 30);
  if (maxFrameBytes && !bitrate) throw UsageError("--max-frame-bytes goes with --bitrate");
  job.quiet = a.Has("quiet");
  job.output = output;

  MediaReader reader(source);
  job.sourceWidth = reader.Width();
  job.sourceHeight = reader.Height();
  if (job.sourceWidth <= 0 || job.sourceHeight <= 0) {
    throw FileError(source.path, "its pictures have no size");
  }
  if (!choices.decimation && job.settings.bDecimation == 0) {
    job.settings.bDecimation =
        DefaultDecimation(job.sourceWidth, job.sourceHeight, bitrate ? *bitrate * 125 : 0);
    if (job.settings.bDecimation != 0 && !job.quiet) {
      const int f = job.settings.bDecimation;
      const bool forLink = DefaultDecimation(job.sourceWidth, job.sourceHeight) != f;
      std::fprintf(stderr,
                   "kvtc encode: %s: %dx%d is more than %s well; coding it at "
                   "%dx%d (--decimate %d; --decimate 1 keeps the full size)\n",
                   source.path.c_str(), job.sourceWidth, job.sourceHeight,
                   forLink ? "the link carries" : "a frame carries",
                   PaddedSide(job.sourceWidth, f) / f, PaddedSide(job.sourceHeight, f) / f, f);
    }
  }
  // The codec codes whole 8x8 blocks of the decimated picture: the bitmap is the picture
  // padded out to them by repeating its edges, and the AVI keeps the source's size.
  const int factor = static_cast<int>(stream::DecimationFactor(job.settings.bDecimation));
  job.width = PaddedSide(job.sourceWidth, factor);
  job.height = PaddedSide(job.sourceHeight, factor);
  job.inputFormat = forced.value_or(DefaultInputFormat(reader.PixelFormat()));
  job.rate = reader.Rate();
  job.timeBase = reader.TimeBase();
  if (bitrate) {
    job.pacing.link = host::LinkBudget{*bitrate * 1000, av_q2d(job.rate),
                                       static_cast<std::size_t>(maxFrameBytes.value_or(0))};
    // A threshold or quality given with it is the finest the rate control may choose.
    if (choices.threshold) job.pacing.finest = *choices.threshold;
    const auto pixels = static_cast<std::size_t>(job.width / factor) * (job.height / factor);
    if (!choices.losslessLuma && job.settings.bLosslessLuma &&
        host::LinkWantsHalfResolutionLuma(*job.pacing.link, pixels)) {
      job.settings.bLosslessLuma = 0;
      if (!job.quiet) {
        std::fprintf(stderr, "kvtc encode: at %g kbit/s luma is coded at half resolution "
                     "(--lossless-luma keeps every sample)\n", *bitrate);
      }
    }
  }
  job.expectedFrames = reader.ExpectedFrames();

  EncodeSummary summary;
  try {
    summary = EncodeToAvi(job, [&reader] { return reader.Next(); });
  } catch (const IoError& e) {
    throw NamedAfter(e, source.path, job.output);
  }
  if (reader.PartialBytes() > 0) {
    std::fprintf(stderr,
                 "kvtc encode: note: %s ends with %d bytes, less than a whole frame (%d bytes); "
                 "the %lld whole frames were encoded and those bytes left out\n",
                 source.path == "-" ? "standard input" : source.path.c_str(), reader.PartialBytes(), reader.RawFrameBytes(),
                 static_cast<long long>(summary.frames));
  }
  if (!job.quiet) {
    const double seconds = summary.frames / av_q2d(job.rate);
    std::fprintf(stderr,
                 "%s: %lld frames (%lld key), %llu bytes, %.0f bytes a frame, %.1f kbit/s, "
                 "%s input\n",
                 job.output.c_str(), static_cast<long long>(summary.frames),
                 static_cast<long long>(summary.keyFrames),
                 static_cast<unsigned long long>(summary.bytes),
                 static_cast<double>(summary.bytes) / summary.frames,
                 summary.bytes * 8.0 / 1000.0 / seconds,
                 std::string(kInputFormatNames[static_cast<int>(job.inputFormat)]).c_str());
    if (summary.held) {
      std::fprintf(stderr, "kvtc encode: %lld frames held where the source has no new picture "
                   "(its timing kept)\n", static_cast<long long>(summary.held));
    }
    if (summary.cuts || summary.dropped) {
      std::fprintf(stderr, "kvtc encode: %lld scene cuts (a key frame asked for at each), %lld "
                   "frames dropped to fit the link\n", static_cast<long long>(summary.cuts),
                   static_cast<long long>(summary.dropped));
    }
    if (summary.buildUpFrames != 1) {
      const int f = static_cast<int>(stream::DecimationFactor(job.settings.bDecimation));
      const std::string took =
          summary.buildUpFrames == 0
              ? "the first picture was still incomplete after the last frame"
              : "the first picture took " + std::to_string(summary.buildUpFrames) +
                    " frames to build up";
      // With a link, the room it gives a key frame (a second's worth) is what the picture did
      // not fit. At the smallest size only a faster link helps.
      const std::string remedy =
          f < 8 ? "--decimate " + std::to_string(2 * f) + " codes it smaller"
                : std::string("it is coded at the smallest size already") +
                      (job.pacing.link ? "; a faster --bitrate carries it" : "");
      std::fprintf(stderr, "kvtc encode: %dx%d is larger than %s: %s; %s\n", job.width / f,
                   job.height / f,
                   job.pacing.link ? "the link carries in a second" : "one frame can carry",
                   took.c_str(), remedy.c_str());
    }
  }
  return kExitOk;
}

}  // namespace kvtc::tool
