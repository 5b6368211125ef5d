// What one codec did with one clip, and how the comparison presents it: a Markdown table per
// clip and the data files the chart is drawn from.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kvtc::compare {

struct Result {
  Result(std::string clipName, int clipWidth, int clipHeight, std::string codecName,
         int frameCount)
      : clip(std::move(clipName)), width(clipWidth), height(clipHeight),
        codec(std::move(codecName)), frames(frameCount) {}

  std::string clip;    // "cup.mp4 640x480"
  int width = 0;
  int height = 0;
  std::string codec;   // "KVTC LAN", "libx264"
  bool reference = false;  // the row every other row's speed is measured against
  int frames = 0;
  double encodeSeconds = 0;
  double decodeSeconds = 0;               // to a 24-bit BGR picture
  std::optional<double> yuy2Seconds;      // to packed 4:2:2, where the codec delivers it
  double bytes = 0;                       // every frame's compressed bytes
  double psnrY = 0;                       // of the 24-bit pictures against the sources

  double EncodeFps() const { return frames / encodeSeconds; }
  double DecodeFps() const { return frames / decodeSeconds; }
};

// The table of every clip, rows in the order given, each clip under its own heading.
std::string MarkdownTables(const std::vector<Result>& results);

// The chart's data: per codec, the geometric mean over the clips of each size of encode and
// decode fps (one line a codec), and per codec and clip the bytes a frame against PSNR-Y.
void WriteChartData(const std::vector<Result>& results, const std::string& speedPath,
                    const std::string& qualityPath);

}  // namespace kvtc::compare
