#include "encoder/encode_frame.h"

#include <algorithm>
#include <array>
#include <optional>

#include "encoder/frame_assembly.h"
#include "encoder/frame_coding.h"
#include "encoder/key_and_refresh.h"
#include "encoder/picture_input.h"
#include "encoder/stream_start.h"
#include "pixels/pixel_format.h"
#include "stream/frame_format.h"

namespace kvtc::encoder {

namespace {

// Input codes whose converters write the luma plane only: such frames have no chroma to send.
bool LumaOnlyInput(std::uint8_t code) {
  switch (code) {
    case pixels::kGrey8:
    case pixels::kGrey4:
    case 4:
    case pixels::kIndex332:
    case pixels::kColourCube:
    case 9:
    case pixels::kPlanarYvu9:
      return true;
    default:
      return false;
  }
}

FrameHeaderFields HeaderFor(const FrameChoices& c, const KeyAndRefresh& plan,
                            bool losslessChroma) {
  FrameHeaderFields h;
  if (c.packed) h.flags |= stream::kFlagPacked;
  if (c.losslessLuma) h.flags |= stream::kFlagLosslessLuma;
  if (losslessChroma) h.flags |= stream::kFlagLosslessChroma;
  if (c.grey) h.flags |= stream::kFlagGrey;
  if (plan.period != 0) h.flags |= stream::kFlagRefreshPeriod;
  if (c.radius != 0) h.flags |= stream::kFlagSearchRadius;
  if (plan.key) h.flags |= stream::kFlagKey;
  h.period = static_cast<std::uint8_t>(plan.period);
  h.radius = static_cast<std::uint8_t>(c.radius);
  h.phase = static_cast<std::uint8_t>(plan.phase);
  return h;
}

// The thresholds a frame is tried with, in order: T, then T+8, T+16 and T+24 (at least 30).
std::array<std::uint32_t, 4> Thresholds(std::uint32_t t) {
  const auto cap = [](std::uint32_t v) { return std::min<std::uint32_t>(v, 255); };
  return {t, cap(t + 8), cap(t + 16), cap(std::max<std::uint32_t>(t + 24, 30))};
}

// Stores what the frame put in force and hands the frame out.
LRESULT Emit(stream::CodecContext& context, const FrameChoices& choices,
             const KeyAndRefresh& planned, const KeyAndRefresh& sent,
             const FrameHeaderFields& header, std::uint32_t threshold, SectionWriters& writers,
             std::span<std::uint8_t> output, EncodedFrame& result) {
  stream::EncoderState& e = context.enc;
  const std::size_t size = AssembleFrame(
      output, header, e.literals.span().first(writers.literals.count), choices.packed,
      writers.blockBits.Written(), writers.refinementBits.Written(), context.tables);
  if (size == 0) {  // the budget was checked with the same sizes; this cannot happen
    RestoreReconstruction(e);
    return ICERR_ERROR;
  }
  FinishFrame(context, choices, sent.key);

  CommitKeyAndRefresh(e, planned, sent);
  MarkShown(e, sent);
  e.losslessLuma = choices.losslessLuma ? 1 : 0;
  e.losslessChroma = (header.flags & stream::kFlagLosslessChroma) ? 1 : 0;
  e.sendGrey = choices.grey ? 1 : 0;
  e.searchRadius = choices.radius;
  e.twiceRadius = 2 * choices.radius;
  e.motionBiasBase = static_cast<std::uint8_t>(e.twiceRadius);
  e.motionBits = choices.motion.bits;
  e.motionCentre = static_cast<std::uint8_t>(choices.motion.centre);
  ++e.frameCounter;
  result = {size, sent.key, threshold, writers.skipped};
  return ICERR_OK;
}

}  // namespace

LRESULT EncodeFrame(stream::CodecContext& context, const settings::SettingsRecord& settings,
                    std::span<const std::uint8_t> input, std::span<std::uint8_t> output,
                    EncodedFrame& result) {
  result = {};
  stream::EncoderState& e = context.enc;
  if (e.frameCounter == 0 && !StartEncoderStream(context, settings)) return ICERR_MEMORY;

  // Lossless options, grey, period and radius are read afresh for every frame.
  FrameChoices choices;
  choices.packed = context.inputFormat == pixels::kGrey4;
  choices.grey = choices.packed || (settings.bFlags & settings::SF_SENDGRAY) ||
                 LumaOnlyInput(context.inputFormat);
  choices.chromaChange = !choices.grey && (settings.bFlags & settings::SF_CHROMACHANGE);
  choices.losslessLuma = settings.bLosslessLuma != 0;
  const bool losslessChroma = settings.bLosslessChroma != 0;
  choices.losslessChroma = losslessChroma && !choices.grey;
  choices.radius = CodedRadius(settings);
  choices.motion = stream::ComputeMotionParameters(choices.radius, choices.losslessLuma);

  const LRESULT prepared = PrepareCurrentPicture(context, input, choices.grey);
  if (prepared != ICERR_OK) return prepared;

  // Luma samples between representatives were never sent while lossless luma was off, so the
  // decoder's copies of them are not ours: the frame that turns it on re-sends every sample as
  // a key frame.
  const bool losslessLumaTurnsOn =
      choices.losslessLuma && !e.losslessLuma && e.frameCounter != 0;
  const KeyAndRefresh plan = PlanKeyAndRefresh(e, settings.bRefreshPeriod,
                                               settings.bForceKey || losslessLumaTurnsOn);

  SectionWriters writers(e, choices.packed);
  bool dirty = false;  // the reconstruction holds a pass that was not accepted
  const auto pass = [&](const KeyAndRefresh& frame, std::uint32_t t, bool partial,
                        FrameHeaderFields& header) {
    if (dirty) RestoreReconstruction(e);
    dirty = true;
    header = HeaderFor(choices, frame, losslessChroma);
    return CodeFrameBlocks(context, choices, frame, t, header.Encode().size, output.size(),
                           partial, writers);
  };
  // The frame at T, then at each raised threshold, until it fits; the threshold last tried.
  std::uint32_t threshold = context.threshold;
  const auto tryThresholds = [&](const KeyAndRefresh& frame) -> std::optional<LRESULT> {
    bool first = true;
    for (const std::uint32_t t : Thresholds(context.threshold)) {
      if (!first && t <= threshold) continue;  // thresholds capped at 255 repeat
      first = false;
      threshold = t;
      FrameHeaderFields header;
      if (pass(frame, t, false, header).FitsIn(output.size())) {
        return Emit(context, choices, plan, frame, header, t, writers, output, result);
      }
    }
    return std::nullopt;
  };
  if (const auto done = tryThresholds(plan)) return *done;

  // The planned frame does not fit. A key frame that could not be made leaves the decoder's
  // picture to be rebuilt, and while blocks are not shown, build-up frames carry them, at the
  // highest threshold; later frames refine what they left. Otherwise an owed key frame gives
  // way to an ordinary frame, with its refresh blocks, at the lowest threshold it fits with.
  const KeyAndRefresh sent = WithoutKeyOrRefresh(plan);
  if (plan.key && !e.keyOwed) MarkAllUnshown(e);
  if (e.unshownBlocks != 0) {
    const std::span<const std::uint8_t> unshown = e.unshown.span().first(e.geometry.blockCount);
    for (std::size_t step = e.buildUpStep; step < kBuildUpPeriods.size(); ++step) {
      const KeyAndRefresh buildUp = WithBuildUpRefresh(sent, kBuildUpPeriods[step], unshown);
      FrameHeaderFields header;
      if (pass(buildUp, threshold, true, header).FitsIn(output.size())) {
        e.buildUpStep = static_cast<std::uint8_t>(step);
        return Emit(context, choices, plan, buildUp, header, threshold, writers, output, result);
      }
    }
  } else if (plan.key) {
    KeyAndRefresh ordinary = plan;
    ordinary.key = false;
    if (const auto done = tryThresholds(ordinary)) return *done;
  }

  // Blocks go out while the budget holds, the rest as unchanged.
  const FrameHeaderFields fallback = HeaderFor(choices, sent, losslessChroma);
  const FrameSize unchanged{fallback.Encode().size, 0, choices.packed, e.geometry.blockCount, 0};
  if (!unchanged.FitsIn(output.size())) {
    if (dirty) RestoreReconstruction(e);
    return ICERR_BADPARAM;
  }
  FrameHeaderFields header;
  pass(sent, threshold, true, header);
  return Emit(context, choices, plan, sent, header, threshold, writers, output, result);
}

}  // namespace kvtc::encoder
