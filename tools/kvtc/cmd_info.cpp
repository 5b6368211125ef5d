// kvtc info INPUT.avi [--summary]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "host/codec_settings.h"
#include "host/frame_inspection.h"
#include "kvtc/arg_parser.h"
#include "kvtc/avi_reader.h"
#include "kvtc/commands.h"
#include "kvtc/decode_pipeline.h"
#include "kvtc/settings_text.h"
#include "kvtc/tool_errors.h"
#include "stream/plane_geometry.h"

namespace kvtc::tool {
namespace {

constexpr OptionDef kOptions[] = {
    {"summary", "", "totals only, no line per frame"},
};

// K key, L lossless luma, C lossless chroma, G grey, P packed samples; '.' where clear.
std::string FlagLetters(const host::FrameInspection& f) {
  std::string s = ".....";
  if (f.Key()) s[0] = 'K';
  if (f.flags & stream::kFlagLosslessLuma) s[1] = 'L';
  if (f.flags & stream::kFlagLosslessChroma) s[2] = 'C';
  if (f.flags & stream::kFlagGrey) s[3] = 'G';
  if (f.flags & stream::kFlagPacked) s[4] = 'P';
  return s;
}

void PrintStream(const AviReader& avi) {
  const AviVideoInfo& v = avi.Video();
  const BITMAPINFOHEADER& h = v.format.header();
  const double fps = v.rateDen ? static_cast<double>(v.rateNum) / v.rateDen : 0.0;
  std::printf("%s\n", avi.Path().c_str());
  std::printf("  video              %dx%d '%s' (handler '%s'%s%s)\n", h.biWidth,
              std::abs(h.biHeight), host::FourccText(h.biCompression).c_str(),
              host::FourccText(v.handler).c_str(), v.name.empty() ? "" : ", ", v.name.c_str());
  if (v.shownWidth && v.shownHeight &&
      (v.shownWidth != static_cast<std::uint32_t>(h.biWidth) ||
       v.shownHeight != static_cast<std::uint32_t>(std::abs(h.biHeight)))) {
    std::printf("  shown              %ux%u (the source; the rest is padding)\n", v.shownWidth,
                v.shownHeight);
  }
  std::printf("  rate               %u/%u = %.3f frames a second\n", v.rateNum, v.rateDen, fps);
  std::printf("  frames             %zu", avi.Frames().size());
  if (avi.DeclaredFrames() != avi.Frames().size()) {
    std::printf(" (the headers announce %u)", avi.DeclaredFrames());
  }
  std::printf("%s\n", avi.HasIndex() ? "" : ", no index");
  if (fps > 0) std::printf("  duration           %.3f s\n", avi.Frames().size() / fps);
  if (v.codecState.size() == 38) {
    settings::SettingsRecord r =
        RecordFromStateBlock(std::span<const std::uint8_t, 38>(v.codecState.data(), 38));
    if (NamesMedianFilter(v.name)) r.bFlags |= settings::SF_MEDIAN;
    std::printf("stored settings:\n%s", DescribeCompressorSettings(r).c_str());
  }
}

constexpr CommandHelp kHelp = {
    "kvtc info INPUT.avi [--summary]",
    "Shows the stream's size, rate and frame count and, for every frame,\n"
    "its size, whether the index marks it key, its flags (K key,\n"
    "L lossless luma, C lossless chroma, G grey, P packed), refresh period,\n"
    "search radius, refresh phase, the lengths of its sample, block-bit\n"
    "and refinement-bit sections, and whether its checksum holds.\n"
    "Exit status 2 when the file is truncated or any frame is damaged.",
    kOptions};

}  // namespace

int RunInfo(std::span<const std::string> args) {
  const auto parsed = ParseCommand(args, kHelp);
  if (!parsed) return kExitOk;
  const ParsedArgs& a = *parsed;
  const std::string& input = OnePositional(a, "INPUT.avi");
  const bool perFrame = !a.Has("summary");

  const AviReader avi(input);
  PrintStream(avi);
  for (const std::string& w : avi.Warnings()) std::printf("warning: %s\n", w.c_str());
  std::fflush(stdout);
  avi.RequireKvtStream();

  if (perFrame) {
    std::printf("%6s %7s %4s %6s %6s %6s %5s %6s %6s %6s  %s\n", "frame", "bytes", "idx",
                "flags", "period", "radius", "phase", "L1", "L2", "L3", "checksum");
  }
  const BITMAPINFOHEADER& format = avi.Video().format.header();
  host::BuildUpTracker buildUp(
      stream::ComputePlaneGeometry(static_cast<std::uint32_t>(format.biWidth),
                                   static_cast<std::uint32_t>(std::abs(format.biHeight)),
                                   StreamDecimation(avi, host::SavedSettings()))
          .blockCount);
  std::optional<std::size_t> whole;  // the frame after which the first picture is whole
  std::uint64_t bytes = 0;
  std::size_t keys = 0, indexKeys = 0, smallest = SIZE_MAX, largest = 0;
  std::vector<std::string> damaged;
  for (std::size_t i = 0; i < avi.Frames().size(); ++i) {
    const std::vector<std::uint8_t> frame = avi.ReadFrame(i);
    const host::FrameInspection f = host::InspectFrame(frame);
    const std::optional<bool> indexKey = avi.Frames()[i].indexKey;
    bytes += frame.size();
    smallest = std::min(smallest, frame.size());
    largest = std::max(largest, frame.size());
    keys += f.WellFormed() && f.Key();
    if (!whole && buildUp.Add(f)) whole = i;
    indexKeys += indexKey.value_or(false);
    // An empty chunk repeats the picture before it.
    const std::string verdict = f.size == 0       ? "repeat"
                                : !f.WellFormed() ? "malformed: " + f.problem
                                : f.checksumOk    ? "ok"
                                                  : "FAILED";
    if (f.size != 0 && !f.Decodable()) damaged.push_back(std::to_string(i) + " (" + verdict + ")");
    if (!perFrame) continue;
    if (f.size == 0) {
      std::printf("%6zu %7zu %4s  %s\n", i, f.size, indexKey ? (*indexKey ? "K" : "-") : "?",
                  verdict.c_str());
      continue;
    }
    std::printf("%6zu %7zu %4s %6s %6u %6u %5s %6u %6u %6u  %s\n", i, f.size,
                indexKey ? (*indexKey ? "K" : "-") : "?", FlagLetters(f).c_str(), f.period,
                f.radius, f.phase ? std::to_string(*f.phase).c_str() : "-", f.sampleBytes,
                f.blockBitBytes, f.refinementBytes, verdict.c_str());
  }
  const std::size_t n = avi.Frames().size();
  const AviVideoInfo& v = avi.Video();
  const double fps = v.rateDen ? static_cast<double>(v.rateNum) / v.rateDen : 0.0;
  std::printf("summary: %zu frames, %zu key (%zu marked key in the index), %llu bytes", n, keys,
              indexKeys, static_cast<unsigned long long>(bytes));
  if (n) {
    std::printf(", %.0f bytes a frame (%zu..%zu)", static_cast<double>(bytes) / n, smallest,
                largest);
    if (fps > 0) std::printf(", %.1f kbit/s", bytes * 8.0 / 1000.0 / (n / fps));
  }
  std::printf("\n");
  if (n != 0 && whole != std::size_t{0}) {
    std::printf("first picture: %s\n",
                whole ? ("built up over " + std::to_string(*whole + 1) + " frames").c_str()
                      : "never whole (no key frame, and not every block refreshed)");
  }
  if (!damaged.empty()) {
    std::string list;
    for (std::size_t i = 0; i < damaged.size() && i < 20; ++i) list += (i ? ", " : "") + damaged[i];
    if (damaged.size() > 20) list += ", ...";
    std::printf("damaged frames: %zu: %s\n", damaged.size(), list.c_str());
  }
  std::fflush(stdout);
  avi.RequireComplete();
  if (!damaged.empty()) {
    throw FileError(input, std::to_string(damaged.size()) + " damaged frame" +
                               (damaged.size() == 1 ? "" : "s") + ", first " + damaged.front());
  }
  return kExitOk;
}

}  // namespace kvtc::tool
