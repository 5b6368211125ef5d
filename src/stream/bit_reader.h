// Reading one bit section of a compressed frame: bits least significant first, from the
// section's first byte, with a cursor that only advances.
//
// A section that runs out does not stop the reader: every further bit is 0 and the sticky
// `overrun` flag records that the frame asked for more than it carries, so a caller can treat
// the frame as damaged once it is done (or earlier) without checking every read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace kvtc::stream {

struct BitReader {
  std::span<const std::uint8_t> bytes;
  std::size_t position = 0;  // bits consumed from the section's first byte
  bool overrun = false;

  bool ReadBit() {
    const std::size_t byte = position >> 3;
    if (byte >= bytes.size()) {
      overrun = true;
      return false;
    }
    const bool bit = (bytes[byte] >> (position & 7)) & 1;
    ++position;
    return bit;
  }

  // `count` bits (at most 32), the first one read being bit 0 of the result.
  std::uint32_t ReadBits(std::uint32_t count) {
    std::uint32_t value = 0;
    for (std::uint32_t i = 0; i < count; ++i) value |= std::uint32_t{ReadBit()} << i;
    return value;
  }
};

}  // namespace kvtc::stream
