// Writing the byte-aligned parts of a compressed frame (header bytes, lengths, literals, the
// bit sections, the checksum) into an output buffer. Multi-byte integers are little-endian.
// Bytes that do not fit are dropped and set `overflow`.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace kvtc::stream {

struct ByteWriter {
  std::span<std::uint8_t> bytes;
  std::size_t position = 0;
  bool overflow = false;

  void Put(std::uint8_t value) {
    if (position >= bytes.size()) {
      overflow = true;
      return;
    }
    bytes[position++] = value;
  }
  void Put16(std::uint16_t value) {
    Put(static_cast<std::uint8_t>(value));
    Put(static_cast<std::uint8_t>(value >> 8));
  }
  void PutBytes(std::span<const std::uint8_t> values) {
    const std::size_t room = bytes.size() - position;
    const std::size_t count = values.size() < room ? values.size() : room;
    if (count) std::memcpy(bytes.data() + position, values.data(), count);
    position += count;
    if (count < values.size()) overflow = true;
  }
  std::span<const std::uint8_t> Written() const { return bytes.first(position); }
};

}  // namespace kvtc::stream
