// What a compressed "Kvt" frame says about itself, from its bytes alone, as the codec's own
// frame parser reads them: the flags, the refresh period, search radius and refresh phase,
// the lengths of the sample, block-bit and refinement-bit sections, and whether the checksum
// holds. A frame shorter than its header and lengths announce is described, not trusted.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

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

// Which blocks of a stream's picture a decoder has been given whole since the stream started:
// every block by a key frame, the refresh blocks (phase, phase + period, ...) by any other
// well-formed frame. A picture larger than one frame can carry is whole once every block has
// been; until then the decoder shows parts of it.
class BuildUpTracker {
 public:
  explicit BuildUpTracker(std::uint32_t blocks) : given_(blocks, 0), missing_(blocks) {}
  // Takes the stream's next frame; true once every block has been given whole.
  bool Add(const FrameInspection& frame);

 private:
  std::vector<std::uint8_t> given_;
  std::uint32_t missing_;
};

}  // namespace kvtc::host
