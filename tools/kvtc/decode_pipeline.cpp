#include "kvtc/decode_pipeline.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>

#include "host/codec_settings.h"
#include "kvtc/le_bytes.h"
#include "kvtc/progress.h"
#include "settings/settings_record.h"

namespace kvtc::tool {

BYTE StoredDecimation(std::span<const std::uint8_t> state) {
  if (state.size() < settings::kSettingsSize || LoadU32(state.data()) != settings::kSettingsMagic) {
    return 0;
  }
  return state[offsetof(settings::SettingsRecord, bDecimation)];
}

BYTE StreamDecimation(const AviReader& avi, const settings::SettingsRecord& saved) {
  if (!avi.Video().codecState.empty()) return StoredDecimation(avi.Video().codecState);
  // Without the state: the first decimation, from none up, at which the codec decodes the
  // first frame. The frame's syntax walks a fixed number of blocks, so at a decimation
  // smaller than the stream's it runs past the end of its sections, and the codec reports
  // the frame damaged in its error log (the trial's lines are taken out again).
  if (avi.Frames().empty()) return 0;
  const std::vector<std::uint8_t> first = avi.ReadFrame(0);
  const std::string log = host::ErrorLogPath();
  const auto logSize = [&log]() -> off_t {
    struct stat st {};
    return log.empty() || stat(log.c_str(), &st) != 0 ? -1 : st.st_size;
  };
  for (const BYTE decimation : {BYTE{0}, BYTE{2}, BYTE{4}, BYTE{8}}) {
    const off_t before = logSize();
    {
      host::Decompressor trial(avi.Video().format, decimation, host::DisplayChoices{}, saved);
      trial.Decode(first, [](std::span<const std::uint8_t>) {});
    }
    if (logSize() == before) return decimation;
    if (before >= 0 && truncate(log.c_str(), before) != 0) {
      // The log keeps the trial's line; nothing else depends on it.
    }
  }
  return 0;  // damaged at every size: decoding reports it, frame by frame
}

StreamDecoder::StreamDecoder(const AviReader& avi, const host::DisplayChoices& display,
                             const settings::SettingsRecord& saved)
    : avi_(avi), decimation_(StreamDecimation(avi, saved)) {
  decompressor_ =
      std::make_unique<host::Decompressor>(avi.Video().format, decimation_, display, saved);
  converter_ = std::make_unique<OutputConverter>(display.format, decompressor_->Width(),
                                                 decompressor_->Height(),
                                                 decompressor_->Palette(), display.zoom);
  const BITMAPINFOHEADER& h = avi.Video().format.header();
  shownWidth_ = host::ShownExtent(avi.Video().shownWidth, h.biWidth, decompressor_->Width());
  shownHeight_ =
      host::ShownExtent(avi.Video().shownHeight, std::abs(h.biHeight), decompressor_->Height());
}

AVRational StreamDecoder::Rate() const {
  const AviVideoInfo& v = avi_.Video();
  AVRational rate{static_cast<int>(v.rateNum), static_cast<int>(v.rateDen)};
  if (rate.num <= 0 || rate.den <= 0) rate = {15, 1};
  return av_mul_q(rate, AVRational{decompressor_->PicturesPerFrame(), 1});
}

DecodeSummary StreamDecoder::Run(const PictureSink& sink, bool quiet, std::int64_t frameLimit) {
  DecodeSummary summary;
  const auto& frames = avi_.Frames();
  const std::int64_t total = frameLimit >= 0 ? std::min<std::int64_t>(frameLimit, frames.size())
                                             : static_cast<std::int64_t>(frames.size());
  Progress progress(quiet, total, av_q2d(av_div_q(Rate(), {decompressor_->PicturesPerFrame(), 1})));
  std::uint64_t bytes = 0;
  for (std::int64_t i = 0; i < total; ++i) {
    const std::vector<std::uint8_t> frame = avi_.ReadFrame(static_cast<std::size_t>(i));
    const host::FrameOutcome outcome =
        decompressor_->Decode(frame, [&](std::span<const std::uint8_t> bitmap) {
          AVFrame shown = converter_->ToPicture(bitmap);  // a view: top-left part
          shown.width = shownWidth_;
          shown.height = shownHeight_;
          sink(bitmap, shown);
          ++summary.pictures;
        });
    if (!outcome.decoded) summary.damaged.push_back({static_cast<std::size_t>(i), outcome.problem});
    bytes += frame.size();
    ++summary.frames;
    progress.Update(summary.frames, bytes);
  }
  progress.Done();
  summary.codecSeconds = decompressor_->CodecSeconds();
  return summary;
}

}  // namespace kvtc::tool
