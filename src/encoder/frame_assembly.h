// Assembly of a coded frame into the caller's output buffer: the header, L1 and the sample
// section, L2 and the block-bit section, the refinement-bit section and the checksum.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "stream/arithmetic_tables.h"

namespace kvtc::encoder {

// The frame header as the encoder decided it.
struct FrameHeaderFields {
  std::uint8_t flags = 0;
  std::uint8_t period = 0;  // written with flag 0x10; a nonzero period adds the phase byte
  std::uint8_t radius = 0;  // written with flag 0x20
  std::uint8_t phase = 0;

  // The header's bytes, as they will be written; `size` of them are used.
  struct Bytes {
    std::array<std::uint8_t, 4> bytes{};
    std::size_t size = 0;
  };
  Bytes Encode() const;
};

// Packs `count` literals in place, two to a byte: ((15 - a/17) << 4) | (15 - b/17), a the
// earlier one; an odd last literal fills the high half and leaves the low half 0. Returns the
// number of bytes, (count + 1) / 2.
std::size_t PackGrey4Samples(std::span<std::uint8_t> literals, std::size_t count,
                             const stream::ArithmeticTables& tables);

// Writes the frame into `output` and returns its size in bytes; 0 when it does not fit (the
// caller has checked that it does). `literals` holds one literal per byte; with `packed` they
// are packed in place first.
std::size_t AssembleFrame(std::span<std::uint8_t> output, const FrameHeaderFields& header,
                          std::span<std::uint8_t> literals, bool packed,
                          std::span<const std::uint8_t> blockBits,
                          std::span<const std::uint8_t> refinementBits,
                          const stream::ArithmeticTables& tables);

}  // namespace kvtc::encoder
