#include "compare/results.h"

#include <cmath>
#include <cstdio>
#include <algorithm>

#include "kvtc/tool_errors.h"

namespace kvtc::compare {
namespace {

std::string Format(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// The codecs in the order they first appear.
std::vector<std::string> Codecs(const std::vector<Result>& results) {
  std::vector<std::string> codecs;
  for (const Result& r : results) {
    if (std::find(codecs.begin(), codecs.end(), r.codec) == codecs.end()) codecs.push_back(r.codec);
  }
  return codecs;
}

std::FILE* OpenForWriting(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "w");
  if (!f) throw tool::FileError(path, "cannot write the chart data");
  return f;
}

void Close(std::FILE* f, const std::string& path) {
  if (std::fclose(f) != 0) throw tool::FileError(path, "cannot write the chart data");
}

}  // namespace

std::string MarkdownTables(const std::vector<Result>& results) {
  std::string out;
  std::string clip;
  const Result* reference = nullptr;
  for (const Result& r : results) {
    if (r.clip != clip) {
      clip = r.clip;
      reference = nullptr;
      for (const Result& c : results) {
        if (c.clip == clip && c.reference) reference = &c;
      }
      out += "\n### " + clip + ", " + std::to_string(r.frames) + " frames\n\n"
             "| codec | encode fps | KVTC LAN is x faster | decode to BGR24 fps | "
             "KVTC LAN is x faster | decode to YUY2 fps | bytes/frame | PSNR-Y (dB) |\n"
             "|---|---:|---:|---:|---:|---:|---:|---:|\n";
    }
    const auto ratio = [](double ours, double theirs) {
      return Format("%.2f", ours / theirs);
    };
    out += "| " + r.codec + " | " + Format("%.0f", r.EncodeFps()) + " | " +
           (reference ? ratio(reference->EncodeFps(), r.EncodeFps()) : "") + " | " +
           Format("%.0f", r.DecodeFps()) + " | " +
           (reference ? ratio(reference->DecodeFps(), r.DecodeFps()) : "") + " | " +
           (r.yuy2Seconds ? Format("%.0f", r.frames / *r.yuy2Seconds) : "-") + " | " +
           Format("%.0f", r.bytes / r.frames) + " | " + Format("%.2f", r.psnrY) + " |\n";
  }
  return out;
}

void WriteChartData(const std::vector<Result>& results, const std::string& speedPath,
                    const std::string& qualityPath) {
  std::FILE* speed = OpenForWriting(speedPath);
  std::fprintf(speed, "codec\tencode 320x240\tdecode 320x240\tencode 640x480\tdecode 640x480\n");
  for (const std::string& codec : Codecs(results)) {
    std::fprintf(speed, "\"%s\"", codec.c_str());
    for (int width : {320, 640}) {
      double logEncode = 0, logDecode = 0;
      int n = 0;
      for (const Result& r : results) {
        if (r.codec != codec || r.width != width) continue;
        logEncode += std::log(r.EncodeFps());
        logDecode += std::log(r.DecodeFps());
        ++n;
      }
      if (n == 0) {
        std::fprintf(speed, "\t?\t?");
      } else {
        std::fprintf(speed, "\t%.1f\t%.1f", std::exp(logEncode / n), std::exp(logDecode / n));
      }
    }
    std::fprintf(speed, "\n");
  }
  Close(speed, speedPath);

  // One block a codec (two blank lines between them: gnuplot's "index"), headed by the
  // codec's name, one line a clip.
  std::FILE* quality = OpenForWriting(qualityPath);
  for (const std::string& codec : Codecs(results)) {
    std::fprintf(quality, "\"%s\"\tbytes/frame\tPSNR-Y\twidth\n", codec.c_str());
    for (const Result& r : results) {
      if (r.codec != codec) continue;
      std::fprintf(quality, "\"%s\"\t%.1f\t%.3f\t%d\n", r.clip.c_str(), r.bytes / r.frames,
                   r.psnrY, r.width);
    }
    std::fprintf(quality, "\n\n");
  }
  Close(quality, qualityPath);
}

}  // namespace kvtc::compare
