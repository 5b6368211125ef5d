// The compressed frame, tagged "Kvt1": its flags, header bytes, sections and checksum.
//
//   flags                 1 byte
//   refresh period P      1 byte, when flags has kFlagRefreshPeriod
//   search radius R       1 byte, when flags has kFlagSearchRadius
//   refresh phase         1 byte, when P is not 0: index of the first block refreshed
//   L1, sample section    u16 + L1 bytes: literal samples in syntax order
//   L2, block-bit section u16 + L2 bytes: block-level decisions, LSB first
//   refinement bits       everything up to the last byte: sample-level decisions, LSB first
//   checksum              1 byte: sum of the block-bit and refinement-bit bytes, mod 256
//
// Nothing of a header carries over to the next frame. The checksum is the only integrity check
// the format has; everything else a reader must bound itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "stream/byte_writer.h"
#include "stream/motion_vector.h"

namespace kvtc::stream {

inline constexpr std::uint8_t kFlagKey = 0x01;             // every block is refreshed
inline constexpr std::uint8_t kFlagLosslessLuma = 0x02;    // all luma coded; half-pel vectors
inline constexpr std::uint8_t kFlagLosslessChroma = 0x04;  // all chroma coded (unless grey)
inline constexpr std::uint8_t kFlagGrey = 0x08;            // no chroma coded
inline constexpr std::uint8_t kFlagRefreshPeriod = 0x10;   // a refresh-period byte follows
inline constexpr std::uint8_t kFlagSearchRadius = 0x20;    // a search-radius byte follows
inline constexpr std::uint8_t kFlagPacked = 0x40;          // 4-bit samples, two a byte; grey

// What a frame's header says, and where its three sections lie inside the frame.
struct FrameHeader {
  std::uint8_t flags = 0;
  std::uint32_t refreshPeriod = 0;  // P; 0: no refresh blocks
  std::uint32_t searchRadius = 0;   // R; 0: no motion vectors
  std::uint32_t refreshPhase = 0;   // first refreshed block, when P is not 0
  MotionParameters motion;          // K and B for R and the lossless-luma flag
  std::size_t headerSize = 0;       // flags and optional bytes: 1 to 4
  std::span<const std::uint8_t> samples;
  std::span<const std::uint8_t> blockBits;
  std::span<const std::uint8_t> refinementBits;
  std::uint8_t checksum = 0;

  bool key() const { return flags & kFlagKey; }
  bool losslessLuma() const { return flags & kFlagLosslessLuma; }
  bool grey() const { return flags & (kFlagGrey | kFlagPacked); }
  bool packed() const { return flags & kFlagPacked; }
  // Lossless chroma as it takes effect: a grey frame ignores the flag.
  bool losslessChroma() const { return (flags & kFlagLosslessChroma) && !grey(); }
};

// Splits a frame into header and sections. Nullopt when the frame is too short for what its
// own header and lengths announce (it cannot be checked or decoded at all).
//
// The refinement-bit section has no length field: it is everything between the block-bit
// section and the last byte, however long. Pictures large enough to need more than 65535
// refinement bytes are written with all of them counted in the checksum, so reading the whole
// rest (rather than wrapping its length to 16 bits) is what lets such frames decode. A sample
// or block-bit section whose true length wrapped in its 16-bit field cannot be recovered; it
// misplaces the later sections and the frame fails its checksum or decodes as damaged.
std::optional<FrameHeader> ParseFrameHeader(std::span<const std::uint8_t> frame);

// (sum of the block-bit bytes + sum of the refinement-bit bytes) mod 256.
std::uint8_t ComputeChecksum(std::span<const std::uint8_t> blockBits,
                             std::span<const std::uint8_t> refinementBits);
inline bool ChecksumMatches(const FrameHeader& h) {
  return ComputeChecksum(h.blockBits, h.refinementBits) == h.checksum;
}

// The writer's side, used by the encoder to assemble a frame.

// The flags byte and the optional bytes that the flags (and a nonzero period) call for.
void WriteFrameHeader(ByteWriter& out, std::uint8_t flags, std::uint8_t refreshPeriod,
                      std::uint8_t searchRadius, std::uint8_t refreshPhase);
// L1 and the sample section. False when L1 cannot express the section's length (the low 16
// bits are written, and the frame will not be readable).
bool WriteSampleSection(ByteWriter& out, std::span<const std::uint8_t> samples);
// L2, the block-bit section, the refinement-bit section and the checksum. False when L2
// cannot express the block-bit section's length.
bool WriteFrameTail(ByteWriter& out, std::span<const std::uint8_t> blockBits,
                    std::span<const std::uint8_t> refinementBits);

}  // namespace kvtc::stream
