#include "decoder/stream_init.h"

#include <algorithm>

#include "decoder/error_log.h"
#include "pixels/decoder_tables.h"
#include "stream/motion_vector.h"

namespace kvtc::decoder {
namespace {

constexpr std::uint8_t kPlaneStart = 128;  // the picture before any frame

bool AllocatePlaneSet(stream::HeapBuffer<std::uint8_t>& planes, std::size_t size) {
  if (!planes.Allocate(size)) return false;
  std::fill(planes.begin(), planes.end(), kPlaneStart);
  return true;
}

}  // namespace

bool SupportedFrameSize(std::uint32_t width, std::uint32_t height) {
  return width >= 1 && height >= 1 && width <= kMaxFrameSide && height <= kMaxFrameSide;
}

bool StartDecoderStream(stream::CodecContext& context, const settings::SettingsRecord& settings) {
  if (!SupportedFrameSize(settings.dwWidth, settings.dwHeight)) return false;

  stream::DecoderState& d = context.dec;
  d.frameCounter = 0;
  d.interpolationPhase = 0;
  d.hasPicture = 0;
  d.pictureGrey = 0;
  d.mapClear = 0;  // a new map holds anything
  d.searchRadius = settings.bSearchRadius;
  d.refreshPeriod = settings.bRefreshPeriod;
  d.losslessLuma = settings.bLosslessLuma ? 1 : 0;
  d.losslessChroma = settings.bLosslessChroma ? 1 : 0;
  const stream::MotionParameters motion =
      stream::ComputeMotionParameters(d.searchRadius, d.losslessLuma);
  d.motionBits = motion.bits;
  d.motionCentre = static_cast<std::uint8_t>(motion.centre);
  d.geometry = stream::ComputePlaneGeometry(settings.dwWidth, settings.dwHeight,
                                            context.decimation);
  d.offsets = stream::ComputeBlockOffsets(d.geometry);

  const stream::PlaneGeometry& g = d.geometry;
  const std::size_t picture = std::size_t{g.width} * g.height * 4;
  if (!AllocatePlaneSet(d.current, g.planeSetSize) ||
      !AllocatePlaneSet(d.reference, g.planeSetSize) || !d.updateMap.Allocate(g.mapSize) ||
      !d.touchedRows.Allocate(g.blocksDown) ||
      !d.output.Allocate(picture) || !d.previousOutput.Allocate(picture)) {
    return false;
  }
  // Packed samples are expanded as they are read, so no expansion buffer is needed; the zoom
  // buffers and the interpolation scratch picture depend on the decoder mode, which may
  // change from frame to frame, so the output step allocates them when a picture needs them.
  d.expansion.reset();
  d.zoom2x.reset();
  d.zoom4x.reset();
  d.scratch.reset();

  stream::ArithmeticTables& t = context.tables;
  if (!stream::EnsureSumTables(t) || !stream::EnsureTripleTable(t) ||
      !pixels::BuildDecoderTables(context.decoderTables, t, context.gamma, g.width)) {
    return false;
  }
  OpenErrorLog();  // a log that cannot be opened only costs the log lines
  return true;
}

}  // namespace kvtc::decoder
