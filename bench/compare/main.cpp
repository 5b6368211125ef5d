// kvtc_compare [OUTPUT-DIR]: the codec against the codecs people would pick instead, on the
// same pictures in memory, one thread, codec time only. Prints the table and writes
// OUTPUT-DIR/compare.md with the chart's data beside it (compare-speed.tsv,
// compare-quality.tsv). COMPARE_FRAMES (default 120) caps each clip's length, COMPARE_REPEATS
// (default 2) is how many runs of each direction the fastest is taken from, and
// KVTC_FOOTAGE_DIR holds the camera clips.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "compare/clip_set.h"
#include "compare/kvtc_runs.h"
#include "compare/peer_runs.h"
#include "compare/results.h"
#include "kvtc/tool_errors.h"

namespace kvtc::compare {
namespace {

struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

int EnvInteger(const char* name, int fallback, int low, int high) {
  const char* text = std::getenv(name);
  if (!text || !*text) return fallback;
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text, &end, 10);
  if (errno != 0 || *end != '\0' || value < low || value > high) {
    throw UsageError(std::string(name) + " must be a whole number from " + std::to_string(low) +
                     " to " + std::to_string(high) + " (got '" + text + "')");
  }
  return static_cast<int>(value);
}

std::string ProcessorName() {
  std::ifstream cpuinfo("/proc/cpuinfo");
  std::string line;
  while (std::getline(cpuinfo, line)) {
    if (line.rfind("model name", 0) == 0) {
      const auto colon = line.find(':');
      if (colon != std::string::npos) return line.substr(line.find_first_not_of(" \t", colon + 1));
    }
  }
  return "unknown processor";
}

struct KvtcPreset {
  const char* name;
  settings::Preset preset;
};
constexpr KvtcPreset kPresets[] = {{"KVTC LAN", settings::Preset::Lan},
                                   {"KVTC ISDN", settings::Preset::Isdn},
                                   {"KVTC Modem", settings::Preset::Modem}};

int Run(int argc, char** argv) {
  if (argc > 2) throw UsageError("usage: kvtc_compare [OUTPUT-DIR]");
  const std::string dir = argc == 2 ? argv[1] : "demo";
  const int frames = EnvInteger("COMPARE_FRAMES", 120, 2, 3000);
  const int repeats = EnvInteger("COMPARE_REPEATS", 2, 1, 20);
  const char* footageEnv = std::getenv("KVTC_FOOTAGE_DIR");
  const std::string footage =
      footageEnv && *footageEnv ? footageEnv : "/usr/local/share/kvtc/footage";
  if (mkdir(dir.c_str(), 0777) != 0 && errno != EEXIST) {
    throw tool::FileError(dir, std::string("cannot make the directory: ") + std::strerror(errno));
  }
  tool::QuietFfmpegLog();

  const std::vector<Clip> clips = LoadClips(footage, frames, {{320, 240}, {640, 480}});
  std::vector<Result> results;
  for (const Clip& clip : clips) {
    std::fprintf(stderr, "%s:", clip.name.c_str());
    for (const KvtcPreset& p : kPresets) {
      std::fprintf(stderr, " %s", p.name);
      results.push_back(RunKvtc(clip, p.preset, p.name, repeats));
    }
    for (const PeerCodec& codec : PeerCodecs()) {
      std::fprintf(stderr, ", %s", codec.name.c_str());
      results.push_back(RunPeer(clip, codec, repeats));
    }
    std::fprintf(stderr, "\n");
  }

  const std::string tables = MarkdownTables(results);
  std::fputs(tables.c_str(), stdout);
  std::fflush(stdout);
  const std::string md = dir + "/compare.md";
  std::FILE* f = std::fopen(md.c_str(), "w");
  if (!f) throw tool::FileError(md, std::string("cannot write: ") + std::strerror(errno));
  std::fprintf(
      f,
      "One thread on %s; up to %d frames a clip at 15 fps, held in memory; each figure the "
      "fastest of %d runs, counting the codec's time only. KVTC runs through DriverProc from "
      "bottom-up 24-bit RGB bitmaps. The other codecs run through libavcodec, with libswscale's "
      "conversion from the same pictures into the encoder's input format and from each decoded "
      "picture to BGR24 counted in. PSNR-Y compares the BGR24 pictures with the sources. "
      "\"KVTC LAN is x faster\": KVTC LAN's fps divided by the row's.\n\n%s",
      ProcessorName().c_str(), frames, repeats, tables.c_str());
  if (std::fclose(f) != 0) throw tool::FileError(md, "cannot write");
  WriteChartData(results, dir + "/compare-speed.tsv", dir + "/compare-quality.tsv");
  std::fprintf(stderr, "wrote %s and the chart data beside it\n", md.c_str());
  return 0;
}

}  // namespace
}  // namespace kvtc::compare

int main(int argc, char** argv) {
  try {
    return kvtc::compare::Run(argc, argv);
  } catch (const kvtc::compare::UsageError& e) {
    std::fprintf(stderr, "kvtc_compare: %s\n", e.what());
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kvtc_compare: %s\n", e.what());
    return 2;
  }
}
