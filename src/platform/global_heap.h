// The global heap: zero-filled fixed blocks behind handles, as the codec's records and
// buffers are allocated. Every handle the heap hands out is remembered until it is freed, so a
// closed or never-issued handle is recognised: locking it yields null instead of touching
// memory. Handles are never reused within a process.
#pragma once

#include <cstddef>
#include <span>
#include <utility>

#include "platform/win32_types.h"

namespace kvtc::platform {

// Allocates a fixed, zero-filled block of at least one byte. Null when out of memory.
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
// The block's address, or null for a handle that is not live.
void* GlobalLock(HGLOBAL handle);
// TRUE while the block stays locked by an earlier lock, FALSE otherwise (as the system does).
BOOL GlobalUnlock(HGLOBAL handle);
// Null on success; the handle itself when it was not live.
HGLOBAL GlobalFree(HGLOBAL handle);
// The size of a live block, 0 otherwise.
SIZE_T GlobalSize(HGLOBAL handle);

// Test hooks: make every allocation after the next `count` fail (negative: never fail), and
// count the live blocks.
namespace testing {
void FailAllocationsAfter(long count);
std::size_t LiveBlockCount();
}  // namespace testing

// Owner of one zero-filled global-heap array of T, locked for its whole life.
template <class T>
class HeapBuffer {
 public:
  HeapBuffer() = default;
  HeapBuffer(const HeapBuffer&) = delete;
  HeapBuffer& operator=(const HeapBuffer&) = delete;
  HeapBuffer(HeapBuffer&& other) noexcept { *this = std::move(other); }
  HeapBuffer& operator=(HeapBuffer&& other) noexcept {
    if (this != &other) {
      reset();
      std::swap(handle_, other.handle_);
      std::swap(data_, other.data_);
      std::swap(size_, other.size_);
    }
    return *this;
  }
  ~HeapBuffer() { reset(); }

  // Replaces the contents with `count` zero elements. False (and empty) when out of memory.
  bool Allocate(std::size_t count) {
    reset();
    HGLOBAL h = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, count * sizeof(T));
    if (!h) return false;
    void* p = GlobalLock(h);
    if (!p) {
      GlobalFree(h);
      return false;
    }
    handle_ = h;
    data_ = static_cast<T*>(p);
    size_ = count;
    return true;
  }
  // Allocates only when empty or of another size; true when the buffer then holds `count`.
  bool Ensure(std::size_t count) { return (data_ && size_ == count) || Allocate(count); }

  void reset() {
    if (handle_) {
      GlobalUnlock(handle_);
      GlobalFree(handle_);
    }
    handle_ = nullptr;
    data_ = nullptr;
    size_ = 0;
  }

  T* data() { return data_; }
  const T* data() const { return data_; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  explicit operator bool() const { return data_ != nullptr; }
  T& operator[](std::size_t i) { return data_[i]; }
  const T& operator[](std::size_t i) const { return data_[i]; }
  std::span<T> span() { return {data_, size_}; }
  std::span<const T> span() const { return {data_, size_}; }
  T* begin() { return data_; }
  T* end() { return data_ + size_; }

 private:
  HGLOBAL handle_ = nullptr;
  T* data_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace kvtc::platform
