// A "Kvt" AVI in, pictures out: every frame of the stream through the decompressor, with the
// decimation the stream was coded with (from the codec state stored with it) and the display
// choices of the command line.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "host/decompressor.h"
#include "kvtc/avi_reader.h"
#include "kvtc/output_conversion.h"

namespace kvtc::tool {

struct DamagedFrame {
  std::size_t index;
  std::string problem;
};

struct DecodeSummary {
  std::int64_t frames = 0;
  std::int64_t pictures = 0;
  std::vector<DamagedFrame> damaged;
  double codecSeconds = 0;
};

// Receives each picture: the codec's bitmap as it wrote it, and the same as a picture (cropped
// to the shown size).
using PictureSink = std::function<void(std::span<const std::uint8_t>, const AVFrame&)>;

class StreamDecoder {
 public:
  // Throws IoError when the stream is not one the codec decodes.
  StreamDecoder(const AviReader& avi, const host::DisplayChoices& display,
                const settings::SettingsRecord& saved);

  // The pictures the sink receives: the codec's, cropped to the part the source showed (the
  // stream's frame rectangle at the codec's scale) when the coded pictures were padded.
  int Width() const { return shownWidth_; }
  int Height() const { return shownHeight_; }
  // The picture rate: the stream's, times the pictures each frame yields.
  AVRational Rate() const;
  // The decimation the stream was coded with (0: none); see StreamDecimation.
  BYTE Decimation() const { return decimation_; }

  DecodeSummary Run(const PictureSink& sink, bool quiet, std::int64_t frameLimit = -1);

 private:
  const AviReader& avi_;
  BYTE decimation_ = 0;
  int shownWidth_ = 0;
  int shownHeight_ = 0;
  std::unique_ptr<host::Decompressor> decompressor_;
  std::unique_ptr<OutputConverter> converter_;
};

// The decimation recorded in a stored state block, 0 when there is none.
BYTE StoredDecimation(std::span<const std::uint8_t> codecState);
// The decimation the stream was coded with: the stored one, or, when the AVI lost the codec
// state, the one its first frame decodes at.
BYTE StreamDecimation(const AviReader& avi, const settings::SettingsRecord& saved);

}  // namespace kvtc::tool
