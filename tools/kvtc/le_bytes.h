// Little-endian byte building and bounded reading, for the RIFF files and compressed frames
// the tool writes and inspects.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace kvtc::tool {

// Appends little-endian values to a byte vector.
class ByteWriter {
 public:
  explicit ByteWriter(std::vector<std::uint8_t>& out) : out_(out) {}
  void U8(std::uint8_t v) { out_.push_back(v); }
  void U16(std::uint16_t v) {
    U8(static_cast<std::uint8_t>(v));
    U8(static_cast<std::uint8_t>(v >> 8));
  }
  void U32(std::uint32_t v) {
    U16(static_cast<std::uint16_t>(v));
    U16(static_cast<std::uint16_t>(v >> 16));
  }
  void Fourcc(std::string_view four) { Bytes(four.data(), 4); }
  void Bytes(const void* data, std::size_t n) {
    const std::size_t at = out_.size();
    out_.resize(at + n);
    if (n) std::memcpy(out_.data() + at, data, n);
  }
  // Overwrites a u32 written earlier at `offset`.
  void PatchU32(std::size_t offset, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out_[offset + i] = static_cast<std::uint8_t>(v >> (8 * i));
  }
  std::size_t Size() const { return out_.size(); }

 private:
  std::vector<std::uint8_t>& out_;
};

// Reads little-endian values from a span; every read is checked and yields nullopt (and
// leaves the cursor alone) past the end.
class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::optional<std::uint8_t> U8() {
    if (pos_ + 1 > bytes_.size()) return std::nullopt;
    return bytes_[pos_++];
  }
  std::optional<std::uint16_t> U16() {
    if (pos_ + 2 > bytes_.size()) return std::nullopt;
    const auto v = static_cast<std::uint16_t>(bytes_[pos_] | bytes_[pos_ + 1] << 8);
    pos_ += 2;
    return v;
  }
  std::optional<std::uint32_t> U32() {
    if (pos_ + 4 > bytes_.size()) return std::nullopt;
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | bytes_[pos_ + i];
    pos_ += 4;
    return v;
  }
  // The next n bytes, or nullopt when fewer remain.
  std::optional<std::span<const std::uint8_t>> Take(std::size_t n) {
    if (n > bytes_.size() - pos_) return std::nullopt;
    auto s = bytes_.subspan(pos_, n);
    pos_ += n;
    return s;
  }
  std::size_t Position() const { return pos_; }
  std::size_t Remaining() const { return bytes_.size() - pos_; }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t pos_ = 0;
};

inline std::uint16_t LoadU16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

inline std::uint32_t LoadU32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

}  // namespace kvtc::tool
