#include "platform/global_heap.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <unordered_map>

namespace kvtc::platform {
namespace {

struct Block {
  void* memory;
  SIZE_T size;
  long locks;
};

// The registry of live handles. Handle values count up from a base in steps of 16 and are
// never reused, so a handle that was freed stays unknown for the rest of the process.
struct Registry {
  std::mutex mutex;
  std::unordered_map<std::uintptr_t, Block> blocks;
  std::uintptr_t next = 0x10000;
  long failAfter = -1;
};

Registry& TheRegistry() {
  static Registry* registry = new Registry;  // outlives every static destructor that frees
  return *registry;
}

// The driver id that stands for "no instance" must never be a heap handle.
constexpr std::uintptr_t kReservedId = 0xFFFF0000u;

void* AllocateZeroed(SIZE_T bytes) {
#if defined(_WIN32)
  HGLOBAL h = ::GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, bytes);
  return reinterpret_cast<void*>(h);
#else
  return std::calloc(1, bytes);
#endif
}

void Release(void* memory) {
#if defined(_WIN32)
  ::GlobalFree(reinterpret_cast<HGLOBAL>(memory));
#else
  std::free(memory);
#endif
}

}  // namespace

HGLOBAL GlobalAlloc(UINT /*flags: blocks are always fixed and zero-filled*/, SIZE_T bytes) {
  Registry& r = TheRegistry();
  {
    std::lock_guard lock(r.mutex);
    if (r.failAfter == 0) return nullptr;
    if (r.failAfter > 0) --r.failAfter;
  }
  void* memory = AllocateZeroed(bytes ? bytes : 1);
  if (!memory) return nullptr;
  std::lock_guard lock(r.mutex);
  std::uintptr_t id = r.next;
  r.next += 16;
  if (id == kReservedId) {
    id = r.next;
    r.next += 16;
  }
  r.blocks.emplace(id, Block{memory, bytes, 0});
  return reinterpret_cast<HGLOBAL>(id);
}

void* GlobalLock(HGLOBAL handle) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  auto it = r.blocks.find(reinterpret_cast<std::uintptr_t>(handle));
  if (it == r.blocks.end()) return nullptr;
  ++it->second.locks;
  return it->second.memory;
}

BOOL GlobalUnlock(HGLOBAL handle) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  auto it = r.blocks.find(reinterpret_cast<std::uintptr_t>(handle));
  if (it == r.blocks.end() || it->second.locks == 0) return FALSE;
  return --it->second.locks > 0 ? TRUE : FALSE;
}

HGLOBAL GlobalFree(HGLOBAL handle) {
  Registry& r = TheRegistry();
  void* memory = nullptr;
  {
    std::lock_guard lock(r.mutex);
    auto it = r.blocks.find(reinterpret_cast<std::uintptr_t>(handle));
    if (it == r.blocks.end()) return handle;
    memory = it->second.memory;
    r.blocks.erase(it);
  }
  Release(memory);
  return nullptr;
}

SIZE_T GlobalSize(HGLOBAL handle) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  auto it = r.blocks.find(reinterpret_cast<std::uintptr_t>(handle));
  return it == r.blocks.end() ? 0 : it->second.size;
}

namespace testing {

void FailAllocationsAfter(long count) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  r.failAfter = count;
}

std::size_t LiveBlockCount() {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  return r.blocks.size();
}

}  // namespace testing
}  // namespace kvtc::platform
