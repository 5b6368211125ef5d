#include "decoder/stream_init.h"

#include <algorithm>

#include "decoder/error_log.h"

namespace kvtc::decoder {
namespace {

constexpr std::uint8_t kPlaneStart = 128;  // the picture before any frame

bool AllocatePlaneSet(stream::HeapBuffer<std::uint8_t>& planes, std::size_t size) {
  if (!planes.Allocate(size)) return false;
  std::fill(planes.begin(), planes.end(), kPlaneStart);
  return true;
}

}  // namespace

bool StartDecoderStream(stream::CodecContext& context, const settings::SettingsRecord& settings) {
  const std::uint32_t w = settings.dwWidth;
  const std::uint32_t h = settings.dwHeight;
  if (w == 0 || h == 0 || w > kMaxFrameSide || h > kMaxFrameSide) return false;

  stream::DecoderState& d = context.dec;
  d.frameCounter = 0;
  d.interpolationPhase = 0;
  d.hasPicture = 0;
  d.pictureGrey = 0;
  d.searchRadius = settings.bSearchRadius;
  d.refreshPeriod = settings.bRefreshPeriod;
  d.losslessLuma = settings.bLosslessLuma;
  d.losslessChroma = settings.bLosslessChroma;
  d.geometry = stream::ComputePlaneGeometry(w, h, context.decimation);
  d.offsets = stream::ComputeBlockOffsets(d.geometry);

  const stream::PlaneGeometry& g = d.geometry;
  const std::size_t picture = std::size_t{g.width} * g.height * 4;
  if (!AllocatePlaneSet(d.current, g.planeSetSize) ||
      !AllocatePlaneSet(d.reference, g.planeSetSize) || !d.updateMap.Allocate(g.mapSize) ||
      !d.expansion.Ensure(kExpansionBytes) || !d.output.Allocate(picture) ||
      !d.previousOutput.Allocate(picture)) {
    return false;
  }
  // The zoom buffers and the interpolation scratch picture depend on the decoder mode, which
  // may change from frame to frame; the pipeline allocates them when a frame needs them.
  d.zoom2x.reset();
  d.zoom4x.reset();
  d.scratch.reset();

  stream::ArithmeticTables& t = context.tables;
  if (!stream::EnsureSumTables(t) || !stream::EnsureTripleTable(t) ||
      !stream::BuildNibbleTables(t)) {
    return false;
  }
  OpenErrorLog();  // a log that cannot be opened only costs the log lines
  return true;
}

}  // namespace kvtc::decoder
