#include "decoder/decode_frame.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "decoder/block_walker.h"
#include "decoder/error_log.h"
#include "decoder/output_code.h"
#include "decoder/picture_output.h"
#include "decoder/reference_rows.h"
#include "decoder/sharpen.h"
#include "decoder/stream_init.h"
#include "decoder/temporal_interpolation.h"
#include "pixels/output_dispatch.h"
#include "platform/system_services.h"
#include "stream/frame_format.h"
#include "stream/picture_finishing.h"
#include "stream/plane_borders.h"

namespace kvtc::decoder {
namespace {

using stream::CodecContext;
using stream::DecoderState;

// The counter names frames in the error log and, at 0, means "no stream yet"; it skips 0
// when it wraps so that a very long stream never restarts itself.
void AdvanceFrameCounter(DecoderState& d) {
  if (++d.frameCounter == 0) d.frameCounter = 1;
}

void CopyPlaneSet(std::span<std::uint8_t> to, std::span<const std::uint8_t> from) {
  std::memcpy(to.data(), from.data(), std::min(to.size(), from.size()));
}

DecodeOutcome FromShowResult(ShowResult result, DecodeOutcome shown) {
  switch (result) {
    case ShowResult::kShown:
      return shown;
    case ShowResult::kTooSmall:
      return DecodeOutcome::kDestinationTooSmall;
    case ShowResult::kOutOfMemory:
      break;
  }
  return DecodeOutcome::kOutOfMemory;
}

// A frame that is not decoded after all: the planes go back to the last good picture (block
// decoding may have changed the current set), and the output buffers, the interpolation
// phase and the caller's picture stay as they were. The counter still moves, so that the
// log names frames by their place in the stream.
DecodeOutcome RejectFrame(DecoderState& d, DecodeOutcome outcome) {
  if (outcome == DecodeOutcome::kChecksumFailed) {
    LogChecksumFailure(d.frameCounter);
  } else {
    CopyPlaneSet(d.current.span(), d.reference.span());
    LogDamagedFrame(d.frameCounter);
  }
  AdvanceFrameCounter(d);
  return outcome;
}

// A call of an interpolating stream that shows the next in-between picture instead of
// decoding its bytes. The picture in the output buffers was converted with the previous
// decoded frame's grey state, so that state, not this frame's, decides its layout.
DecodeOutcome ShowInterpolatedPicture(CodecContext& context, std::uint8_t code, Blend blend,
                                      std::span<std::uint8_t> destination) {
  DecoderState& d = context.dec;
  const bool grey = d.pictureGrey != 0;
  const PictureToShow picture{pixels::SelectOutputCode(code, grey), grey, blend};
  return FromShowResult(ShowPicture(context, picture, destination), DecodeOutcome::kInterpolated);
}

}  // namespace

DecodeOutcome DecodeFrame(CodecContext& context, const settings::SettingsRecord& settings,
                          std::span<const std::uint8_t> frame,
                          std::span<std::uint8_t> destination) {
  if (!frame.data() || !destination.data()) return DecodeOutcome::kNoInput;
  if (frame.empty()) {
    platform::MessageBoxA(nullptr, "Wrong DIB Size: compressedDataSize = 0 encountered",
                          "KVT Decoder", MB_OK);
    return DecodeOutcome::kEmptyFrame;
  }

  DecoderState& d = context.dec;
  if (d.frameCounter == 0) {
    if (!SupportedFrameSize(settings.dwWidth, settings.dwHeight)) {
      return DecodeOutcome::kUnsupportedPicture;
    }
    if (!StartDecoderStream(context, settings)) return DecodeOutcome::kOutOfMemory;
  }
  const stream::PlaneGeometry& g = d.geometry;

  std::uint8_t code = ConvertedOutputCode(context.outputFormat);
  context.outputFormat = code;
  const std::uint8_t level = context.variantLevel;
  d.outputSize = static_cast<std::uint32_t>(pixels::OutputBytes(code, g.width, g.height));

  if (level != 0 && d.frameCounter >= 2) {
    if (const auto step = PendingInterpolation(level, d.interpolationPhase)) {
      d.interpolationPhase = step->nextPhase;
      return ShowInterpolatedPicture(context, code, step->blend, destination);
    }
  }

  // A frame whose sections do not fit in its bytes cannot even be checked.
  const std::optional<stream::FrameHeader> header = stream::ParseFrameHeader(frame);
  if (!header) return RejectFrame(d, DecodeOutcome::kDamaged);
  if (!stream::ChecksumMatches(*header)) return RejectFrame(d, DecodeOutcome::kChecksumFailed);

  const bool frameGrey = header->grey();
  d.refreshPeriod = header->refreshPeriod;
  d.searchRadius = header->searchRadius;
  d.motionBits = header->motion.bits;
  d.motionCentre = static_cast<std::uint8_t>(header->motion.centre);
  d.losslessLuma = header->losslessLuma() ? 1 : 0;
  d.losslessChroma = header->losslessChroma() ? 1 : 0;
  d.grey = frameGrey ? 1 : 0;
  // A map left clear by the frame before needs no clearing (a key frame neither clears nor
  // marks it).
  const bool mapWasClear = d.mapClear != 0;
  if (!header->key() && !mapWasClear) {
    std::fill(d.updateMap.begin(), d.updateMap.end(), std::uint8_t{0});
  }
  d.mapClear = 0;  // until the frame is known to leave it clear

  std::uint32_t touched = 0;
  std::fill(d.touchedRows.begin(), d.touchedRows.end(), std::uint8_t{0});
  const BlockWalkInput walk{*header,           g,
                            d.offsets,         context.tables,
                            d.current.span(),  d.reference.span(),
                            d.updateMap.span(), true,
                            &touched,          d.touchedRows.span()};
  if (DecodeBlocks(walk) == WalkResult::kDamaged) return RejectFrame(d, DecodeOutcome::kDamaged);

  // From here on the picture is shown grey when the frame is, or when grey display is asked
  // for: its chroma planes are decoded and kept, but neither finished nor shown, and the
  // palettised colour layouts show as 8-bit grey.
  const bool grey = frameGrey || (settings.bFlags & settings::SF_SHOWGRAY);
  code = pixels::SelectOutputCode(code, grey);
  context.outputFormat = code;
  const bool sharpen = context.variantFlag != 0;
  // A frame that touches no block makes no mark. Its planes still equal the reference (they
  // did when it started), so finishing, which without marks only rebuilds the borders (a
  // grey picture fills its whole luma plane), is done to both instead of copying one to the
  // other.
  const bool untouched = !header->key() && touched == 0;
  // Without a key frame, a grey picture (its luma is filled whole) or sharpening (which
  // borrows the reference planes), only the rows the frame touched, their neighbours and the
  // plane borders can differ from the reference.
  const bool rowsSuffice = !header->key() && !grey && !sharpen;
  if (untouched && !grey) {
    for (const std::span<std::uint8_t> planes : {d.current.span(), d.reference.span()}) {
      stream::RebuildBorders(g, planes, header->losslessLuma(), header->losslessChroma(), false);
    }
  } else {
    stream::FinishPicture({g, context.tables, d.current.span(), d.updateMap.span(),
                           header->key(), grey, header->losslessLuma(),
                           header->losslessChroma(), code, sharpen});
    if (rowsSuffice) {
      CopyTouchedRows(g, d.reference.span(), d.current.span(), d.touchedRows.span());
    } else {
      CopyPlaneSet(d.reference.span(), d.current.span());
    }
  }
  d.mapClear = untouched || (header->key() && mapWasClear) ? 1 : 0;
  if (sharpen) {
    SharpenLuma(g, d.current.span(), d.reference.span(), header->losslessLuma(),
                context.tables);
  }

  // The first picture a stream decodes is shown as it is, and interpolation starts with the
  // second, between the two. "First" counts decoded pictures only: a stream whose opening
  // frames were rejected has no earlier picture to start from.
  const bool interpolate = level != 0 && d.hasPicture;
  if (interpolate) CopyPlaneSet(d.previousOutput.span(), d.output.span().first(d.outputSize));
  const pixels::OutputFrame output{code, header->key(), header->losslessLuma(), grey,
                                   untouched};
  const bool converted =
      pixels::ConvertOutputFrame(context.decoderTables, context.tables, output, context.gamma,
                                 d.current.span(), g, d.updateMap.span(), d.output.span());
  // Sharpening only feeds the conversion: the next frame is decoded against the picture.
  if (sharpen) CopyPlaneSet(d.current.span(), d.reference.span());
  AdvanceFrameCounter(d);
  if (!converted) return DecodeOutcome::kOutOfMemory;
  d.hasPicture = 1;
  d.pictureGrey = grey ? 1 : 0;

  // The decoding call starts the in-between pictures at phase 1, whatever phase a change of
  // level between frames may have left behind.
  std::optional<Blend> blend;
  if (interpolate) {
    blend = DecodingBlend(level);
    d.interpolationPhase = 1;
  }
  return FromShowResult(ShowPicture(context, {code, grey, blend}, destination),
                        DecodeOutcome::kDecoded);
}

}  // namespace kvtc::decoder
