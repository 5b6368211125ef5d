// Writing one bit section of a compressed frame, least significant bit first, the mirror of
// BitReader. Each byte is cleared when its first bit is written, so a buffer reused from frame
// to frame needs no clearing. Bits that do not fit the buffer are dropped and set `overflow`.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace kvtc::stream {

struct BitWriter {
  std::span<std::uint8_t> bytes;
  std::size_t position = 0;  // bits written
  bool overflow = false;

  void WriteBit(bool bit) {
    const std::size_t byte = position >> 3;
    if (byte >= bytes.size()) {
      overflow = true;
      return;
    }
    // The bits above `shift` are still clear; at 0 the mask clears the whole byte.
    const unsigned shift = position & 7;
    bytes[byte] = static_cast<std::uint8_t>((bytes[byte] & ((1u << shift) - 1)) |
                                            (unsigned{bit} << shift));
    ++position;
  }

  // The low `count` bits of value (at most 32), bit 0 first.
  void WriteBits(std::uint32_t value, std::uint32_t count) {
    const std::size_t room = 8 * bytes.size() - position;
    if (room >= 40) {
      // Far from the end: the partly filled byte and up to 32 bits fill at most five bytes,
      // written whole; bytes past the last bit are cleared, as they will be anyway.
      const unsigned shift = position & 7;
      std::uint8_t* out = bytes.data() + (position >> 3);
      const std::uint64_t mask = (std::uint64_t{1} << count) - 1;
      const std::uint64_t pending = (*out & ((1u << shift) - 1)) | ((value & mask) << shift);
      for (int i = 0; i < 5; ++i) out[i] = static_cast<std::uint8_t>(pending >> (8 * i));
      position += count;
      return;
    }
    // Bits past the end of the buffer are dropped and set `overflow`, as WriteBit does.
    if (count > room) {
      overflow = true;
      count = static_cast<std::uint32_t>(room);
    }
    if (count == 0) return;
    const std::size_t end = position + count;
    // The partly filled byte and the new bits, a byte at a time.
    const unsigned shift = position & 7;
    std::size_t byte = position >> 3;
    std::uint64_t pending = (bytes[byte] & ((1u << shift) - 1)) |
                            ((std::uint64_t{value} & ((std::uint64_t{1} << count) - 1)) << shift);
    for (; byte < ((end + 7) >> 3); ++byte, pending >>= 8) {
      bytes[byte] = static_cast<std::uint8_t>(pending);
    }
    position = end;
  }

  // The bytes written so far, a partly filled last byte included.
  std::span<const std::uint8_t> Written() const {
    const std::size_t count = (position + 7) >> 3;
    return bytes.first(count < bytes.size() ? count : bytes.size());
  }
};

}  // namespace kvtc::stream
