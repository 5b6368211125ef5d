// The sample section being coded: literal sample values in syntax order.
//
// A frame of 4-bit grey input carries its literals packed, two to a byte, as one of sixteen
// levels (v / 17) * 17. A sample that the filters have moved off those levels reaches the
// decoder as the level below it, so Put returns the value the decoder will read, and the
// coder stores that one in its reconstruction: both pictures stay the same.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace kvtc::encoder {

struct LiteralWriter {
  std::span<std::uint8_t> bytes;  // one literal per byte until the frame is assembled
  bool packed = false;
  std::size_t count = 0;
  bool overflow = false;

  std::uint8_t Put(std::uint8_t sample) {
    const std::uint8_t value = Level(sample);
    if (count < bytes.size()) {
      bytes[count++] = value;
    } else {
      overflow = true;
    }
    return value;
  }

  // Put(sample) when `send`, without a branch on it (the slot after the last literal may be
  // written either way); returns the value the decoder holds afterwards: the literal when
  // sent, `kept` otherwise.
  std::uint8_t PutIf(bool send, std::uint8_t sample, std::uint8_t kept) {
    const std::uint8_t value = Level(sample);
    const bool room = count < bytes.size();
    if (room) bytes[count] = value;
    count += send & room;
    overflow |= send & !room;
    return send ? value : kept;
  }
  // The value a literal of `sample` carries: what the decoder will read.
  std::uint8_t Level(std::uint8_t sample) const {
    return packed ? static_cast<std::uint8_t>(sample / 17 * 17) : sample;
  }
  // Literals already brought to their levels, in order; those past the end are dropped and
  // set `overflow`, as Put does. With room for all N, all N bytes are copied (one fixed-size
  // copy), the first n of them kept.
  template <std::size_t N>
  void Append(const std::array<std::uint8_t, N>& values, std::size_t n) {
    if (bytes.size() - count >= N) {
      std::memcpy(bytes.data() + count, values.data(), N);
      count += n;
      return;
    }
    Append(values.data(), n);
  }
  void Append(const std::uint8_t* values, std::size_t n) {
    const std::size_t room = bytes.size() - count;
    if (n > room) {
      overflow = true;
      n = room;
    }
    if (n != 0) std::memcpy(bytes.data() + count, values, n);
    count += n;
  }
  // Bytes the sample section will take: a packed section holds two literals per byte.
  std::size_t SectionBytes() const { return packed ? (count + 1) / 2 : count; }
};

}  // namespace kvtc::encoder
