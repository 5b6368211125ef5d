#include "compare/kvtc_runs.h"

#include <algorithm>
#include <limits>

#include "host/codec_settings.h"
#include "host/compressor.h"
#include "host/decompressor.h"
#include "kvtc/edge_padding.h"
#include "kvtc/input_conversion.h"
#include "compare/measurement.h"
#include "driver/driver_proc.h"
#include "kvtc/tool_errors.h"
#include "stream/plane_geometry.h"

namespace kvtc::compare {
namespace {

// The processor time the codec spends compressing and decompressing frames: every session's
// messages pass through here on their way to DriverProc.
Stopwatch g_codecClock;

LRESULT ClockedDriverProc(DWORD_PTR id, HDRVR driver, UINT message, LPARAM p1, LPARAM p2) {
  if (message != ICM_COMPRESS && message != ICM_DECOMPRESS) {
    return DriverProc(id, driver, message, p1, p2);
  }
  g_codecClock.Start();
  const LRESULT r = DriverProc(id, driver, message, p1, p2);
  g_codecClock.Stop();
  return r;
}

struct ClockedSessions {
  ClockedSessions() { host::SetDriverProcForTesting(&ClockedDriverProc); }
  ~ClockedSessions() { host::SetDriverProcForTesting(nullptr); }
  ClockedSessions(const ClockedSessions&) = delete;
  ClockedSessions& operator=(const ClockedSessions&) = delete;
  // The codec's time since the last call.
  double Lap() {
    const double lap = g_codecClock.Seconds() - total_;
    total_ = g_codecClock.Seconds();
    return lap;
  }

 private:
  double total_ = g_codecClock.Seconds();
};

}  // namespace

Result RunKvtc(const Clip& clip, settings::Preset preset, const std::string& name, int repeats) {
  // The presets as they are built in, at the decimation the tool picks for the size.
  const settings::SettingsRecord base = settings::PresetRecord(settings::Preset::Lan);
  settings::SettingsRecord record = base;
  host::CompressorChoices choices;
  choices.preset = preset;
  host::ApplyCompressorChoices(choices, record);
  record.bDecimation = tool::DefaultDecimation(clip.width, clip.height);
  const int factor = static_cast<int>(stream::DecimationFactor(record.bDecimation));
  const DWORD quality = host::FrameQualityForThreshold(record.bThreshold);

  // The bitmaps a capture driver would hand over, made before the clock starts.
  tool::InputConverter converter(tool::InputFormat::Rgb24, tool::PaddedSide(clip.width, factor),
                                 tool::PaddedSide(clip.height, factor), clip.width, clip.height);
  std::vector<std::vector<std::uint8_t>> bitmaps;
  for (const tool::FramePtr& picture : clip.frames) {
    const auto bits = converter.Convert(*picture);
    bitmaps.emplace_back(bits.begin(), bits.end());
  }

  ClockedSessions clocked;
  Result result(clip.name, clip.width, clip.height, name, static_cast<int>(clip.frames.size()));
  result.reference = preset == settings::Preset::Lan;
  result.encodeSeconds = std::numeric_limits<double>::infinity();
  std::vector<std::vector<std::uint8_t>> stream;
  host::BitmapInfo streamFormat;
  for (int pass = 0; pass < repeats; ++pass) {
    host::Compressor compressor(converter.Header(), record, converter.RequiredInputCode(),
                                quality);
    clocked.Lap();
    for (std::size_t i = 0; i < bitmaps.size(); ++i) {
      const host::CompressedFrame frame = compressor.Compress(bitmaps[i], i == 0);
      if (pass == 0) stream.emplace_back(frame.bytes.begin(), frame.bytes.end());
    }
    result.encodeSeconds = std::min(result.encodeSeconds, clocked.Lap());
    streamFormat = compressor.OutputFormat();
  }
  for (const auto& frame : stream) result.bytes += static_cast<double>(frame.size());

  for (const host::OutputFormat format : {host::OutputFormat::Rgb24, host::OutputFormat::Yuy2}) {
    double fastest = std::numeric_limits<double>::infinity();
    for (int pass = 0; pass < repeats; ++pass) {
      host::DisplayChoices display;
      display.format = format;
      display.zoom = factor;
      host::Decompressor decompressor(streamFormat, record.bDecimation, display, base);
      const int rowBytes =
          static_cast<int>(host::OutputRowBytes(format, decompressor.Width()));
      BgrScore score;
      clocked.Lap();
      const bool scored = pass == 0 && format == host::OutputFormat::Rgb24;
      for (std::size_t i = 0; i < stream.size(); ++i) {
        const host::FrameOutcome outcome =
            decompressor.Decode(stream[i], [&](std::span<const std::uint8_t> picture) {
              if (scored) score.Add(*clip.frames[i], picture.data(), rowBytes);
            });
        if (!outcome.decoded) {
          throw tool::IoError(clip.name + ": " + name + " frame " + std::to_string(i) +
                              " did not decode: " + outcome.problem);
        }
      }
      if (scored) result.psnrY = score.PsnrY();
      fastest = std::min(fastest, clocked.Lap());
    }
    if (format == host::OutputFormat::Rgb24) {
      result.decodeSeconds = fastest;
    } else {
      result.yuy2Seconds = fastest;
    }
  }
  return result;
}

}  // namespace kvtc::compare
