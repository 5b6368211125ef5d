// kvtc demo: the built-in camera clip through every preset.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/codec_settings.h"
#include "kvtc/arg_parser.h"
#include "kvtc/commands.h"
#include "kvtc/contact_sheet.h"
#include "kvtc/decode_pipeline.h"
#include "kvtc/edge_padding.h"
#include "kvtc/encode_pipeline.h"
#include "kvtc/picture_metrics.h"
#include "kvtc/synthetic_clip.h"
#include "kvtc/tool_errors.h"
#include "stream/plane_geometry.h"

namespace kvtc::tool {
namespace {

constexpr OptionDef kOptions[] = {
    {"output-dir", "DIR", "where the AVIs, contact sheets and results go (default: demo)"},
    {"frames", "N", "length of the clip in frames (default: 60, four seconds)"},
    {"quiet", "", "no progress", 'q'},
};

struct PresetRun {
  const char* name;
  const char* file;
  settings::Preset preset;
};
constexpr PresetRun kPresets[] = {
    {"LAN", "lan", settings::Preset::Lan},
    {"ISDN", "isdn", settings::Preset::Isdn},
    {"Modem", "modem", settings::Preset::Modem},
};

struct Row {
  std::string preset;
  std::int64_t frames = 0;
  double bytesPerFrame = 0;
  double kbitPerSecond = 0;
  double psnrY = 0;
  double psnrRgb = 0;
  double encodeFps = 0;
  double decodeFps = 0;
};

std::string Table(const std::vector<Row>& rows) {
  std::string out =
      "| preset | frames | bytes/frame | kbit/s at 15 fps | PSNR Y (dB) | PSNR RGB (dB) | "
      "encode fps | decode fps |\n"
      "|---|---:|---:|---:|---:|---:|---:|---:|\n";
  for (const Row& r : rows) {
    char line[256];
    std::snprintf(line, sizeof line, "| %s | %lld | %.0f | %.1f | %.2f | %.2f | %.0f | %.0f |\n",
                  r.preset.c_str(), static_cast<long long>(r.frames), r.bytesPerFrame,
                  r.kbitPerSecond, r.psnrY, r.psnrRgb, r.encodeFps, r.decodeFps);
    out += line;
  }
  return out;
}

// Frames the contact sheets show: the start, the middle of the first scene, the last frame
// before the cut, the first after it, and the end.
std::vector<int> SheetFrames(const SyntheticClip& clip) {
  std::vector<int> frames = {0, clip.SceneCut() / 2, clip.SceneCut() - 1, clip.SceneCut(),
                             clip.Frames() - 1};
  frames.erase(std::unique(frames.begin(), frames.end()), frames.end());
  return frames;
}

struct ClipRun {
  std::string name;
  std::string path;  // without extension
  settings::Preset preset;
  int width, height;  // the originals are enlarged to this size
  // The encoder's options beyond the preset; the preset rows keep them all off.
  host::PacingChoices pacing{.sceneCuts = false, .link = std::nullopt};
  bool colourChanges = false;
};

// Encodes the originals (enlarged to the run's size) with the preset, at the decimation the
// tool picks for that size, decodes the AVI back to the source's size, and measures it; with
// sheet frames, writes the contact sheet.
Row RunClip(const std::vector<FramePtr>& originals, const ClipRun& run,
            const settings::SettingsRecord& base, const std::vector<int>& sheetFrames,
            bool quiet) {
  EncodeJob job;
  job.output = run.path + ".avi";
  job.inputFormat = InputFormat::Rgb24;
  job.rate = SyntheticClip::kRate;
  job.settings = base;
  host::CompressorChoices choices;
  choices.preset = run.preset;
  choices.chromaChange = run.colourChanges;
  host::ApplyCompressorChoices(choices, job.settings);
  job.pacing = run.pacing;
  job.settings.bDecimation = DefaultDecimation(run.width, run.height);
  const int factor = static_cast<int>(stream::DecimationFactor(job.settings.bDecimation));
  job.sourceWidth = run.width;
  job.sourceHeight = run.height;
  job.width = PaddedSide(run.width, factor);
  job.height = PaddedSide(run.height, factor);
  job.quality = host::FrameQualityForThreshold(job.settings.bThreshold);
  job.quiet = quiet;
  job.expectedFrames = static_cast<std::int64_t>(originals.size());

  const bool enlarged = run.width != SyntheticClip::kWidth || run.height != SyntheticClip::kHeight;
  FramePtr large = AllocFrame(run.width, run.height, AV_PIX_FMT_RGB24);
  Scaler enlarge;
  const auto picture = [&](std::size_t i) -> const AVFrame& {
    if (!enlarged) return *originals[i];
    enlarge.Convert(*originals[i], *large, true);
    return *large;
  };
  std::size_t next = 0;
  const EncodeSummary encoded = EncodeToAvi(job, [&]() -> const AVFrame* {
    return next < originals.size() ? &picture(next++) : nullptr;
  });

  const AviReader avi(job.output);
  host::DisplayChoices display;
  display.zoom = factor;
  StreamDecoder decoder(avi, display, base);
  PictureError error;
  ContactSheet sheet(run.width, run.height, static_cast<int>(sheetFrames.size()));
  FramePtr rgb = AllocFrame(run.width, run.height, AV_PIX_FMT_RGB24);
  Scaler scaler;
  std::size_t index = 0;
  const DecodeSummary decoded = decoder.Run(
      [&](std::span<const std::uint8_t>, const AVFrame& shown) {
        scaler.Convert(shown, *rgb, true);
        const AVFrame& original = picture(index);
        error.Add(original, *rgb);
        for (std::size_t r = 0; r < sheetFrames.size(); ++r) {
          if (sheetFrames[r] == static_cast<int>(index)) {
            sheet.SetRow(static_cast<int>(r), original, *rgb);
          }
        }
        ++index;
      },
      quiet);
  if (!decoded.damaged.empty()) {
    throw FileError(job.output, "frame " + std::to_string(decoded.damaged.front().index) +
                                    " did not decode: " + decoded.damaged.front().problem);
  }
  if (!sheetFrames.empty()) sheet.WritePng(run.path + ".png");

  Row row;
  row.preset = run.name;
  row.frames = encoded.frames;
  row.bytesPerFrame = static_cast<double>(encoded.bytes) / encoded.frames;
  row.kbitPerSecond = row.bytesPerFrame * 8 * av_q2d(SyntheticClip::kRate) / 1000;
  row.psnrY = error.PsnrY();
  row.psnrRgb = error.PsnrRgb();
  row.encodeFps = encoded.codecSeconds > 0 ? encoded.frames / encoded.codecSeconds : 0;
  row.decodeFps = decoded.codecSeconds > 0 ? decoded.frames / decoded.codecSeconds : 0;
  return row;
}

constexpr CommandHelp kHelp = {
    "kvtc demo [options]",
    "Builds a camera clip (320x240, 15 fps: moving textured objects, a\n"
    "slow pan, sensor noise and a scene cut), encodes it with the LAN,\n"
    "ISDN and Modem presets, decodes each, and writes one AVI and one\n"
    "contact sheet (original left, decoded right) per preset, with a\n"
    "table of sizes, rates, picture quality and codec speed. The clip\n"
    "enlarged to 1920x1080 then goes through the LAN preset as the tool\n"
    "codes such pictures by default (decimated, zoomed back on decoding).",
    kOptions};

}  // namespace

int RunDemo(std::span<const std::string> args) {
  const auto parsed = ParseCommand(args, kHelp);
  if (!parsed) return kExitOk;
  const ParsedArgs& a = *parsed;
  if (!a.Positionals().empty()) throw UsageError("demo takes no file arguments");
  const std::string dir = a.Get("output-dir").value_or("demo");
  const int frames = static_cast<int>(a.Integer("frames", 2, 3000).value_or(60));
  const bool quiet = a.Has("quiet");
  if (mkdir(dir.c_str(), 0777) != 0 && errno != EEXIST) {
    throw FileError(dir, std::string("cannot make the directory: ") + std::strerror(errno));
  }

  // The originals, kept to compare every decoded picture with.
  SyntheticClip clip(frames);
  std::vector<FramePtr> originals;
  while (const AVFrame* f = clip.Next()) {
    FramePtr copy(av_frame_clone(f));
    if (!copy || av_frame_make_writable(copy.get()) < 0) throw std::bad_alloc();
    originals.push_back(std::move(copy));
  }
  const std::vector<int> sheetFrames = SheetFrames(clip);

  // The demo shows the presets as they are built in, whatever the saved settings say.
  const settings::SettingsRecord base = settings::PresetRecord(settings::Preset::Lan);
  std::vector<Row> rows;
  for (const PresetRun& run : kPresets) {
    rows.push_back(RunClip(originals, {run.name, dir + "/" + run.file, run.preset,
                                       SyntheticClip::kWidth, SyntheticClip::kHeight},
                           base, sheetFrames, quiet));
  }
  // One row per encoder option on top of the ISDN preset, each with its contact sheet of the
  // cut: a key frame asked for at the cut, colour-aware change detection, and a link budget.
  const auto optionRun = [&](const char* name, const char* file) {
    return ClipRun{name, dir + "/" + file, settings::Preset::Isdn, SyntheticClip::kWidth,
                   SyntheticClip::kHeight};
  };
  ClipRun cut = optionRun("ISDN, scene cut", "isdn-scene-cut");
  cut.pacing.sceneCuts = true;
  ClipRun colour = optionRun("ISDN, color changes", "isdn-color");
  colour.colourChanges = true;
  ClipRun link = optionRun("ISDN, 128 kbit/s", "isdn-128k");
  link.pacing.link = host::LinkBudget{128000, av_q2d(SyntheticClip::kRate), 0};
  for (const ClipRun& run : {cut, colour, link}) {
    rows.push_back(RunClip(originals, run, base, sheetFrames, quiet));
  }
  // The same clip enlarged to 1080p, at the decimation the tool picks for it.
  rows.push_back(RunClip(originals, {"LAN 1920x1080", dir + "/lan1080", settings::Preset::Lan,
                                     1920, 1080},
                         base, {}, quiet));

  const std::string table = Table(rows);
  std::fputs(table.c_str(), stdout);
  const std::string results = dir + "/results.md";
  if (std::FILE* f = std::fopen(results.c_str(), "w")) {
    std::fprintf(f, "%d frames of the built-in clip, %dx%d at 15 fps; encode and decode fps "
                    "count the time spent inside the codec.\n\n%s",
                 frames, SyntheticClip::kWidth, SyntheticClip::kHeight, table.c_str());
    std::fclose(f);
  }
  if (!quiet) {
    std::fprintf(stderr,
                 "wrote %s/{lan,isdn,modem,isdn-scene-cut,isdn-color,isdn-128k,lan1080}.avi, the "
                 "contact sheets %s/*.png and %s\n",
                 dir.c_str(), dir.c_str(), results.c_str());
  }
  return kExitOk;
}

}  // namespace kvtc::tool
