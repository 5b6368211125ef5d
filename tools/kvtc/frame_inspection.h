// Reads what a compressed "Kvt" frame says about itself, from its bytes alone: the flags
// byte, the optional refresh period, search radius and refresh phase, the lengths of the
// sample, block-bit and refinement-bit sections, and whether the checksum byte matches the
// two bit sections. Frames that are cut short or inconsistent are described, not trusted.
//
//   flags [period] [radius] [phase] L1:u16 samples[L1] L2:u16 blockbits[L2] refinement checksum
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace kvtc::tool {

struct FrameFlags {
  static constexpr std::uint8_t kKey = 0x01;
  static constexpr std::uint8_t kLosslessLuma = 0x02;
  static constexpr std::uint8_t kLosslessChroma = 0x04;
  static constexpr std::uint8_t kGrey = 0x08;
  static constexpr std::uint8_t kHasPeriod = 0x10;
  static constexpr std::uint8_t kHasRadius = 0x20;
  static constexpr std::uint8_t kPacked = 0x40;
  static constexpr std::uint8_t kNeverSet = 0x80;
};

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
  std::uint32_t refinementBytes = 0; // L3, the rest before the checksum
  bool checksumOk = false;

  bool WellFormed() const { return problem.empty(); }
  bool Key() const { return flags & FrameFlags::kKey; }
  // Packed frames carry no chroma either.
  bool Grey() const { return flags & (FrameFlags::kGrey | FrameFlags::kPacked); }
  // Well formed, and the checksum holds: the codec will decode it.
  bool Decodable() const { return WellFormed() && checksumOk; }
};

FrameInspection InspectFrame(std::span<const std::uint8_t> frame);

}  // namespace kvtc::tool
