// A byte buffer between two guard bands, to catch code that reads or writes outside the buffer
// it was given: under AddressSanitizer the guards are poisoned, so any access is reported where
// it happens, and in every build a write into them shows in Intact().
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define KVTC_POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define KVTC_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#else
#define KVTC_POISON(p, n) ((void)(p), (void)(n))
#define KVTC_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace kvtc::testing {

class GuardedBuffer {
 public:
  static constexpr std::size_t kGuard = 64;
  static constexpr std::uint8_t kPattern = 0xA7;

  explicit GuardedBuffer(std::size_t size, std::uint8_t fill = 0)
      : storage_(size + 2 * kGuard, kPattern), size_(size) {
    std::fill_n(data(), size, fill);
    Guard(true);
  }
  GuardedBuffer(GuardedBuffer&& other) noexcept
      : storage_(std::move(other.storage_)), size_(std::exchange(other.size_, 0)) {}
  ~GuardedBuffer() { Guard(false); }

  std::uint8_t* data() { return storage_.data() + kGuard; }
  std::span<std::uint8_t> span() { return {data(), size_}; }

  bool Intact() {
    Guard(false);
    const auto untouched = [](auto from, auto to) {
      return std::all_of(from, to, [](std::uint8_t b) { return b == kPattern; });
    };
    const bool intact = untouched(storage_.begin(), storage_.begin() + kGuard) &&
                        untouched(storage_.end() - kGuard, storage_.end());
    Guard(true);
    return intact;
  }

 private:
  void Guard(bool poisoned) {
    if (storage_.empty()) return;
    KVTC_UNPOISON(storage_.data(), storage_.size());
    if (poisoned) {
      KVTC_POISON(storage_.data(), kGuard);
      KVTC_POISON(storage_.data() + kGuard + size_, kGuard);
    }
  }

  std::vector<std::uint8_t> storage_;
  std::size_t size_;
};

}  // namespace kvtc::testing
