// What a compressed "Kvt" frame says about itself, from its bytes alone, as the codec's own
// frame parser reads them: the flags, the refresh period, search radius and refresh phase,
// the lengths of the sample, block-bit and refinement-bit sections, and whether the checksum
// holds. A frame shorter than its header and lengths announce is described, not trusted.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "stream/frame_format.h"

namespace kvtc::host {

struct FrameInspection {
  std::size_t size = 0;
  // Empty when the frame is well formed; else what is wrong with it.
  std::string problem;
  std::uint8_t flags = 0;
  unsigned period = 0;               // 0: no refresh blocks
  unsigned radius = 0;               // 0: no motion vectors
  std::optional<unsigned> phase;     // first refresh block, when a period is in force
  std::uint32_t sampleBytes = 0;     // L1
  std::uint32_t blockBitBytes = 0;   // L2
  std::uint32_t refinementBytes = 0; // the rest before the checksum
  bool checksumOk = false;

  bool WellFormed() const { return problem.empty(); }
  bool Key() const { return flags & stream::kFlagKey; }
  // Packed frames carry no chroma either.
  bool Grey() const { return flags & (stream::kFlagGrey | stream::kFlagPacked); }
  // Well formed, and the checksum holds: the codec will decode it.
  bool Decodable() const { return WellFormed() && checksumOk; }
};

FrameInspection InspectFrame(std::span<const std::uint8_t> frame);

}  // namespace kvtc::host
