// A byte buffer with guard bands on both sides, to catch code that reads or writes outside
// the buffer it was given. Under AddressSanitizer the guards are poisoned, so any access to
// them is reported where it happens; in every build a write into them shows in Intact().
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define KVTC_GUARD_POISONING 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KVTC_GUARD_POISONING 1
#endif
#endif
#if defined(KVTC_GUARD_POISONING)
#include <sanitizer/asan_interface.h>
#endif

namespace kvtc::testing {

class GuardedBuffer {
 public:
  static constexpr std::size_t kGuard = 64;
  static constexpr std::uint8_t kPattern = 0xA7;

  explicit GuardedBuffer(std::size_t size, std::uint8_t fill = 0)
      : storage_(size + 2 * kGuard, kPattern), size_(size) {
    std::fill(data(), data() + size, fill);
    Poison(true);
  }
  ~GuardedBuffer() { Poison(false); }
  GuardedBuffer(GuardedBuffer&& other) noexcept
      : storage_(std::move(other.storage_)), size_(other.size_) {
    other.size_ = 0;
  }
  GuardedBuffer(const GuardedBuffer&) = delete;
  GuardedBuffer& operator=(const GuardedBuffer&) = delete;

  std::uint8_t* data() { return storage_.data() + kGuard; }
  const std::uint8_t* data() const { return storage_.data() + kGuard; }
  std::size_t size() const { return size_; }
  std::span<std::uint8_t> span() { return {data(), size_}; }
  std::span<const std::uint8_t> span() const { return {data(), size_}; }
  std::uint8_t& operator[](std::size_t i) { return data()[i]; }
  std::vector<std::uint8_t> Copy() const { return {data(), data() + size_}; }

  // True while no guard byte has been changed.
  bool Intact() {
    Poison(false);
    bool intact = true;
    for (std::size_t i = 0; i < kGuard; ++i) {
      intact = intact && storage_[i] == kPattern && storage_[kGuard + size_ + i] == kPattern;
    }
    Poison(true);
    return intact;
  }

 private:
  void Poison([[maybe_unused]] bool on) {
#if defined(KVTC_GUARD_POISONING)
    if (on) {
      ASAN_POISON_MEMORY_REGION(storage_.data(), kGuard);
      ASAN_POISON_MEMORY_REGION(storage_.data() + kGuard + size_, kGuard);
    } else {
      ASAN_UNPOISON_MEMORY_REGION(storage_.data(), storage_.size());
    }
#endif
  }

  std::vector<std::uint8_t> storage_;
  std::size_t size_;
};

}  // namespace kvtc::testing
