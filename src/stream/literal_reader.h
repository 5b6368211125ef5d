// Reading the sample section of a compressed frame: one literal sample value at a time, in
// syntax order. A packed section holds two 4-bit samples per byte, the high nibble first; each
// nibble n stands for the level (15 - n) * 17 and is expanded as it is read, so a packed
// section never needs an expansion buffer and its byte count can never overflow one.
//
// Like the bit reader, a section that runs out yields 0 and sets the sticky `overrun` flag.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace kvtc::stream {

// The level a 4-bit sample n stands for: (15 - n) * 17.
inline constexpr std::array<std::uint8_t, 16> kNibbleLevels = [] {
  std::array<std::uint8_t, 16> levels{};
  for (int n = 0; n < 16; ++n) levels[n] = static_cast<std::uint8_t>((15 - n) * 17);
  return levels;
}();

struct LiteralReader {
  std::span<const std::uint8_t> bytes;
  bool packed = false;
  std::size_t next = 0;  // index of the next literal
  bool overrun = false;

  std::uint8_t Read() {
    const std::size_t byte = packed ? next >> 1 : next;
    if (byte >= bytes.size()) {
      overrun = true;
      return 0;
    }
    const std::uint8_t value = bytes[byte];
    if (!packed) {
      ++next;
      return value;
    }
    const std::uint8_t nibble = (next++ & 1) ? value & 15 : value >> 4;
    return kNibbleLevels[nibble];
  }
};

}  // namespace kvtc::stream
