#include "encoder/stream_start.h"

#include <algorithm>
#include <iterator>

#include "encoder/change_detection.h"
#include "pixels/encoder_tables.h"
#include "stream/motion_vector.h"

namespace kvtc::encoder {

std::uint32_t CodedRadius(const settings::SettingsRecord& settings) {
  return std::min<std::uint32_t>(settings.bSearchRadius, 16);
}

bool StartEncoderStream(stream::CodecContext& context, const settings::SettingsRecord& s) {
  // The error log is the decoder's: the encoder never writes to it, so it does not open it.
  if (!pixels::BuildEncoderTables(context.encoderColour, context.tables) ||
      !stream::EnsureSumTables(context.tables) || !stream::BuildNibbleTables(context.tables)) {
    return false;
  }

  // The layout of bit-field input (6-bit grey): the bits of each component and the pixel size.
  std::copy(std::begin(s.bCompBits), std::end(s.bCompBits), context.compBits);
  context.compCount = s.bCompCount;

  stream::EncoderState& e = context.enc;
  e.keyInterval = s.bKeyInterval;
  e.decimation = s.bDecimation;
  e.refreshPeriod = s.bRefreshPeriod;
  e.losslessLuma = s.bLosslessLuma ? 1 : 0;
  e.losslessChroma = s.bLosslessChroma ? 1 : 0;
  e.sendGrey = (s.bFlags & settings::SF_SENDGRAY) ? 1 : 0;
  e.searchRadius = CodedRadius(s);
  e.twiceRadius = 2 * e.searchRadius;
  e.refreshPhase = 0;
  e.nextKeyFrame = 0;
  e.keyOwed = 0;
  const stream::MotionParameters motion =
      stream::ComputeMotionParameters(e.searchRadius, e.losslessLuma != 0);
  e.motionBits = motion.bits;
  e.motionCentre = static_cast<std::uint8_t>(motion.centre);
  e.motionBiasBase = static_cast<std::uint8_t>(e.twiceRadius);

  e.geometry = stream::ComputePlaneGeometry(s.dwWidth, s.dwHeight, s.bDecimation);
  e.offsets = stream::ComputeBlockOffsets(e.geometry);
  const stream::PlaneGeometry& g = e.geometry;
  const std::size_t planeSet = g.planeSetSize;
  if (!e.changeTable.Allocate(511) || !e.sampleChangeMap.Allocate(kSampleChangeMapSize) ||
      !e.current.Allocate(planeSet) || !e.reference.Allocate(planeSet) ||
      !e.reconstruction.Allocate(planeSet) || !e.blockBits.Allocate(8 * g.blockCount + 1) ||
      !e.refinementBits.Allocate(planeSet / 8 + 1) || !e.literals.Allocate(planeSet) ||
      !e.updateMap.Allocate(g.mapSize + 1) || !e.unshown.Allocate(g.blockCount + 1)) {
    return false;
  }
  std::fill(e.reference.begin(), e.reference.end(), std::uint8_t{128});
  std::fill(e.reconstruction.begin(), e.reconstruction.end(), std::uint8_t{128});
  std::fill(e.unshown.begin(), e.unshown.end(), std::uint8_t{1});
  e.unshownBlocks = g.blockCount;
  e.buildUpStep = 0;
  return true;
}

}  // namespace kvtc::encoder
