// What the fuzzers share: a reader that turns an input into the values a harness needs (zeros
// once the input runs out), and buffers of an exact size between guard bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace kvtc::fuzz {

class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool Done() const { return pos_ >= size_; }
  std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  std::uint16_t Word() { return static_cast<std::uint16_t>(Byte() | Byte() << 8); }
  std::uint32_t Dword() { return Word() | static_cast<std::uint32_t>(Word()) << 16; }
  void Fill(std::uint8_t* out, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) out[i] = Byte();
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// A buffer of exactly `size` bytes between guards that must come out untouched, so that
// AddressSanitizer catches any read past it and Check any write.
class Guarded {
 public:
  static constexpr std::size_t kGuard = 32;
  static constexpr std::uint8_t kGuardByte = 0xA5;

  explicit Guarded(std::size_t size) : bytes_(size + 2 * kGuard, kGuardByte), size_(size) {}
  std::uint8_t* data() { return bytes_.data() + kGuard; }
  const std::uint8_t* data() const { return bytes_.data() + kGuard; }
  std::size_t size() const { return size_; }
  void Check(const char* what) const {
    for (std::size_t i = 0; i < kGuard; ++i) {
      if (bytes_[i] != kGuardByte || bytes_[kGuard + size_ + i] != kGuardByte) {
        std::fprintf(stderr, "%s: guard byte %zu overwritten\n", what, i);
        std::abort();
      }
    }
  }

 private:
  std::vector<std::uint8_t> bytes_;
  std::size_t size_;
};

}  // namespace kvtc::fuzz
