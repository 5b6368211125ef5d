#include "kvtc/encode_pipeline.h"

#include <limits>

#include "host/compressor.h"
#include "host/frame_clock.h"
#include "host/frame_inspection.h"
#include "kvtc/avi_writer.h"
#include "kvtc/progress.h"
#include "kvtc/settings_text.h"
#include "kvtc/tool_errors.h"
#include "stream/plane_geometry.h"

namespace kvtc::tool {
namespace {

std::uint32_t BlocksOf(int width, int height, BYTE decimation) {
  const stream::PlaneGeometry g = stream::ComputePlaneGeometry(
      static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height), decimation);
  return g.blockCount;
}

}  // namespace

EncodeSummary EncodeToAvi(const EncodeJob& job, const std::function<const AVFrame*()>& next) {
  InputConverter converter(job.inputFormat, job.width, job.height, job.sourceWidth,
                           job.sourceHeight);
  host::Compressor compressor(converter.Header(), job.settings, converter.RequiredInputCode(),
                              job.quality);

  AviVideoInfo info;
  info.format = compressor.OutputFormat();
  info.handler = compressor.Handler();
  info.rateNum = static_cast<std::uint32_t>(job.rate.num);
  info.rateDen = static_cast<std::uint32_t>(job.rate.den);
  const host::StateBlock state = compressor.State();
  info.codecState.assign(state.begin(), state.end());
  info.name = StreamName(compressor.Name(), job.settings);
  info.shownWidth = static_cast<std::uint32_t>(job.sourceWidth);
  info.shownHeight = static_cast<std::uint32_t>(job.sourceHeight);
  AviWriter avi(job.output, info);
  host::BuildUpTracker buildUp(BlocksOf(job.width, job.height, job.settings.bDecimation));

  EncodeSummary summary;
  summary.codecName = compressor.Name();
  Progress progress(job.quiet, job.frameLimit >= 0 ? job.frameLimit : job.expectedFrames,
                    av_q2d(job.rate));
  host::FramePacer pacer(compressor, job.pacing);
  host::FrameClock clock(av_q2d(job.rate),
                         job.timeBase.num > 0 ? av_q2d(job.timeBase) * av_q2d(job.rate) : 0);
  std::int64_t pictures = 0;
  std::int64_t nextKey = 0;  // the frame from which a key frame is asked for
  for (; job.frameLimit < 0 || pictures < job.frameLimit; ++pictures) {
    const AVFrame* picture = next();
    if (!picture) break;
    const std::int64_t stamp = picture->best_effort_timestamp;
    const host::FramePlace place =
        clock.Place(stamp == AV_NOPTS_VALUE ? std::nullopt : std::optional(stamp));
    for (std::int64_t h = 0; h < place.held; ++h) {
      pacer.Hold();
      avi.WriteFrame({}, false);
      ++summary.held;
      ++summary.frames;
    }
    const bool requestKey = summary.frames >= nextKey;
    if (requestKey) {
      nextKey = job.keyInterval ? (summary.frames / job.keyInterval + 1) * job.keyInterval
                                : std::numeric_limits<std::int64_t>::max();
    }
    const host::PacedFrame frame = pacer.Compress(converter.Convert(*picture), requestKey);
    avi.WriteFrame(frame.bytes, frame.key);
    if (summary.buildUpFrames == 0 && !frame.dropped &&
        buildUp.Add(host::InspectFrame(frame.bytes))) {
      summary.buildUpFrames = summary.frames + 1;
    }
    summary.keyFrames += frame.key;
    summary.bytes += frame.bytes.size();
    ++summary.frames;
    progress.Update(job.frameLimit >= 0 ? pictures + 1 : summary.frames, summary.bytes);
  }
  progress.Done();
  if (summary.frames == 0) throw IoError("no pictures to encode");
  const host::StateBlock final = compressor.State();
  avi.SetCodecState(final);
  avi.Finish();
  summary.codecSeconds = compressor.CodecSeconds();
  summary.dropped = pacer.Dropped();
  summary.cuts = pacer.Cuts();
  return summary;
}

}  // namespace kvtc::tool
