// kvtc decode INPUT.avi -o OUT [options]
#include <sys/stat.h>

#include <cstdio>
#include <optional>

#include "host/codec_settings.h"
#include "kvtc/arg_parser.h"
#include "kvtc/commands.h"
#include "kvtc/decode_pipeline.h"
#include "kvtc/media_writer.h"
#include "kvtc/pending_file.h"
#include "kvtc/raw_writer.h"
#include "kvtc/tool_errors.h"
#include "stream/plane_geometry.h"

namespace kvtc::tool {
namespace {

constexpr OptionDef kOptions[] = {
    {"output", "OUT", "where the pictures go: .y4m, .png sequence (out%04d.png), .avi "
                      "(uncompressed), .mp4, ... or '-' for Y4M on standard output (required)",
     'o'},
    {"raw", "", "write the codec's bitmaps exactly as it delivers them (top row first)"},
    {"output-format", "FORMAT", "the codec's output layout: rgb32, rgb24 (default), rgb555, "
                                "yuy2, gray8, pal332, cube or gray4"},
    {"gamma", "G", "display gamma 0.5..2.0 (default: the saved one)"},
    {"show-gray", "", "display in grey scale"},
    {"show-color", "", "display in colour (when the saved settings say grey)"},
    {"zoom", "Z", "enlarge the picture 1 (none), 2, 4 or 8 times (default: by the stream's "
                  "decimation, back to the source's size)"},
    {"interp", "N", "1, 2 or 4 pictures a frame by temporal interpolation; the frame rate is "
                    "multiplied to match (default: as the stream is tagged)"},
    {"sharpen", "", "sharpen the luma"},
    {"no-sharpen", "", "do not sharpen (when the stream is tagged for it)"},
    {"frames", "N", "decode at most N frames"},
    {"quiet", "", "no progress or summary", 'q'},
};

host::DisplayChoices ChoicesFrom(const ParsedArgs& a) {
  host::DisplayChoices d;
  if (auto f = a.Choice("output-format", host::kOutputFormatNames))
    d.format = static_cast<host::OutputFormat>(*f);
  if (auto g = a.Number("gamma", 0.5, 2.0)) d.gamma = static_cast<float>(*g);
  if (a.Has("show-gray") && a.Has("show-color")) {
    throw UsageError("--show-gray and --show-color contradict each other");
  }
  if (a.Has("show-gray") || a.Has("show-color")) d.showGray = a.Has("show-gray");
  if (auto z = a.Integer("zoom", 1, 8)) {
    if (*z != 1 && *z != 2 && *z != 4 && *z != 8) {
      throw UsageError("--zoom must be 1, 2, 4 or 8 (got " + std::to_string(*z) + ")");
    }
    d.zoom = static_cast<int>(*z);
  }
  if (d.zoom > 1 && !host::Zoomable(d.format)) {
    throw UsageError(
        "--zoom works with the rgb32, rgb24, rgb555, gray8, pal332 and cube "
        "outputs, not " +
        std::string(host::kOutputFormatNames[static_cast<int>(d.format)]));
  }
  if (auto n = a.Integer("interp", 1, 4)) {
    if (*n == 3) throw UsageError("--interp must be 1, 2 or 4 (got 3)");
    d.interp = static_cast<int>(*n);
  }
  if (a.Has("sharpen") && a.Has("no-sharpen")) {
    throw UsageError("--sharpen and --no-sharpen contradict each other");
  }
  if (a.Has("sharpen") || a.Has("no-sharpen")) d.sharpen = a.Has("sharpen");
  return d;
}

long FileSize(const std::string& path) {
  struct stat st {};
  return path.empty() || stat(path.c_str(), &st) != 0 ? 0 : static_cast<long>(st.st_size);
}

// The lines a log gained past `offset`.
long LinesAfter(const std::string& path, long offset) {
  std::FILE* f = path.empty() ? nullptr : std::fopen(path.c_str(), "rb");
  if (!f) return 0;
  long lines = 0;
  if (std::fseek(f, offset, SEEK_SET) == 0) {
    for (int c; (c = std::fgetc(f)) != EOF;) lines += c == '\n';
  }
  std::fclose(f);
  return lines;
}

constexpr CommandHelp kHelp = {
    "kvtc decode INPUT.avi -o OUT [options]",
    "Decompresses a KVT Codec AVI. A frame whose checksum fails is\n"
    "reported (and logged by the codec); the picture before it stands in\n"
    "for it and the rest decodes. Exit status 2 then, with the output\n"
    "complete. A file that ends early or is damaged gives every frame\n"
    "before the damage, then exit status 2 naming the byte where it broke.",
    kOptions};

}  // namespace

int RunDecode(std::span<const std::string> args) {
  const auto parsed = ParseCommand(args, kHelp);
  if (!parsed) return kExitOk;
  const ParsedArgs& a = *parsed;
  const std::string& input = OnePositional(a, "INPUT.avi");
  const std::string output = Required(a, "output", "give where the pictures go with -o OUT");
  host::DisplayChoices display = ChoicesFrom(a);
  const auto frameLimit = a.Integer("frames", 1, 1L << 30);
  const bool quiet = a.Has("quiet");

  RequireDistinctFiles(input, output);
  const AviReader avi(input);
  // A damaged file gives what it holds: its complete frames are decoded, and then the command
  // fails saying where the file broke. One that holds no frame has nothing to give.
  if (avi.Frames().empty()) avi.RequireComplete();
  avi.RequireKvtStream();

  const std::string log = host::ErrorLogPath();
  const long logBefore = FileSize(log);

  std::optional<StreamDecoder> decoder;
  try {
    // A decimated stream is shown at its source's size unless --zoom says otherwise.
    if (!a.Has("zoom") && host::Zoomable(display.format)) {
      display.zoom = static_cast<int>(
          stream::DecimationFactor(StreamDecimation(avi, host::SavedSettings())));
    }
    decoder.emplace(avi, display, host::SavedSettings());
  } catch (const IoError& e) {
    throw NamedAfter(e, input, output);
  }
  std::optional<RawWriter> raw;
  std::optional<MediaWriter> media;
  if (a.Has("raw")) {
    raw.emplace(output);
  } else {
    const bool grey = display.format == host::OutputFormat::Gray8 ||
                      display.format == host::OutputFormat::Gray4 ||
                      display.showGray.value_or(false);
    media.emplace(output, decoder->Width(), decoder->Height(), decoder->Rate(), grey);
  }
  DecodeSummary summary;
  try {
    summary = decoder->Run(
        [&](std::span<const std::uint8_t> bitmap, const AVFrame& picture) {
          if (raw) raw->Write(bitmap);
          if (media) media->Write(picture);
        },
        quiet, frameLimit.value_or(-1));
  } catch (const IoError& e) {
    throw NamedAfter(e, input, output);
  }
  if (raw) raw->Finish();
  if (media) {
    media->Finish();
    if (const std::string stale = media->StalePictures(); !stale.empty()) {
      std::fprintf(stderr, "kvtc decode: note: %s\n", stale.c_str());
    }
  }

  for (const std::string& w : avi.Warnings()) {
    std::fprintf(stderr, "kvtc decode: note: %s: %s\n", input.c_str(), w.c_str());
  }
  for (const DamagedFrame& d : summary.damaged) {
    std::fprintf(stderr, "kvtc decode: %s: frame %zu: %s; the picture before it stands in\n",
                 input.c_str(), d.index, d.problem.c_str());
  }
  const long logged = LinesAfter(log, logBefore);
  if (!quiet) {
    std::fprintf(stderr, "%s: %lld frames, %lld pictures of %dx%d at %.3f fps",
                 output.c_str(), static_cast<long long>(summary.frames),
                 static_cast<long long>(summary.pictures), decoder->Width(), decoder->Height(),
                 av_q2d(decoder->Rate()));
    if (!summary.damaged.empty()) {
      std::fprintf(stderr, ", %zu damaged", summary.damaged.size());
    }
    std::fprintf(stderr, "\n");
    if (logged > 0) {
      std::fprintf(stderr, "the codec logged %ld checksum failure%s in %s\n", logged,
                   logged == 1 ? "" : "s", log.c_str());
    }
  }
  // Frames asked for that were all there are no loss, wherever the file breaks after them.
  if (!frameLimit || *frameLimit > static_cast<std::int64_t>(avi.Frames().size())) {
    avi.RequireComplete();
  }
  return summary.damaged.empty() ? kExitOk : kExitIo;
}

}  // namespace kvtc::tool
