#include "driver/instance.h"

#include <cstring>
#include <mutex>

#include "platform/global_heap.h"
#include "settings/settings_file.h"

namespace kvtc::driver {
namespace {

using platform::GlobalAlloc;
using platform::GlobalFree;
using platform::GlobalLock;
using platform::GlobalUnlock;

std::mutex& ListMutex() {
  static std::mutex m;
  return m;
}
InstanceNode* g_head = nullptr;  // guarded by ListMutex()

HGLOBAL AsHandle(DWORD_PTR id) { return reinterpret_cast<HGLOBAL>(id); }

void FreeBlock(HGLOBAL h) {
  GlobalUnlock(h);
  GlobalFree(h);
}

}  // namespace

LockedInstance::LockedInstance(DWORD_PTR id)
    : handle_(AsHandle(id)),
      record_(id == kDriverOnlyId ? nullptr : static_cast<InstanceRecord*>(GlobalLock(handle_))) {}

LockedInstance::~LockedInstance() {
  if (record_) GlobalUnlock(handle_);
}

DWORD_PTR OpenInstance(ICOPEN& open) {
  if (open.fccType != MakeFourcc("vidc")) return 0;

  HGLOBAL hInstance = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, sizeof(InstanceRecord));
  auto* record = hInstance ? static_cast<InstanceRecord*>(GlobalLock(hInstance)) : nullptr;
  if (!record) {
    if (hInstance) GlobalFree(hInstance);
    open.dwError = ICERR_MEMORY;
    return 0;
  }
  record->fccType = MakeFourcc("vidc");
  record->dwOpenFlags = open.dwFlags;
  record->fCompressBegun = 0;
  record->fDecompressBegun = 0;
  settings::ReadSettingsFile(record->settings);
  settings::ApplyRangeRules(record->settings);
  open.dwError = 0;

  HGLOBAL hNode = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, sizeof(InstanceNode));
  auto* node = hNode ? static_cast<InstanceNode*>(GlobalLock(hNode)) : nullptr;
  if (!node) {
    if (hNode) GlobalFree(hNode);
    FreeBlock(hInstance);
    open.dwError = ICERR_MEMORY;
    return 0;
  }
  node->hInstance = hInstance;
  node->hNode = hNode;
  {
    std::lock_guard lock(ListMutex());
    if (!g_head) {
      g_head = node;
    } else {
      InstanceNode* tail = g_head;
      while (tail->pNext) tail = tail->pNext;
      tail->pNext = node;
      node->pPrev = tail;
    }
  }
  GlobalUnlock(hInstance);
  return reinterpret_cast<DWORD_PTR>(hInstance);
}

void CloseInstance(DWORD_PTR id) {
  if (id == kDriverOnlyId) return;
  HGLOBAL hInstance = AsHandle(id);
  auto* record = static_cast<InstanceRecord*>(GlobalLock(hInstance));
  if (!record) return;
  record->fCompressBegun = 0;
  record->fDecompressBegun = 0;
  stream::FreeContext(record->pContext);
  record->pContext = nullptr;

  InstanceNode* node = nullptr;
  {
    std::lock_guard lock(ListMutex());
    for (node = g_head; node && node->hInstance != hInstance; node = node->pNext) {
    }
    if (node) {
      if (node == g_head) {
        g_head = node->pNext;
        if (g_head) g_head->pPrev = nullptr;
      } else {
        node->pPrev->pNext = node->pNext;
        if (node->pNext) node->pNext->pPrev = node->pPrev;
      }
    }
  }
  if (node) FreeBlock(node->hNode);
  GlobalUnlock(hInstance);  // the lock taken above
  FreeBlock(hInstance);     // the lock taken at open
}

std::vector<DWORD_PTR> OpenInstanceIds() {
  std::vector<DWORD_PTR> ids;
  std::lock_guard lock(ListMutex());
  for (InstanceNode* n = g_head; n; n = n->pNext) {
    ids.push_back(reinterpret_cast<DWORD_PTR>(n->hInstance));
  }
  return ids;
}

LRESULT LoadSettingsFromFile(DWORD_PTR id) {
  LockedInstance instance(id);
  if (!instance) return ICERR_ERROR;
  settings::ReadSettingsFile(instance->settings);
  settings::ApplyRangeRules(instance->settings);
  return static_cast<LRESULT>(settings::kSettingsSize);
}

LRESULT LoadSettingsFromRecord(DWORD_PTR id, const void* record, std::size_t size) {
  if (!record || size == 0) return LoadSettingsFromFile(id);
  settings::SettingsRecord incoming;
  if (size < settings::kSettingsSize) return 0;
  std::memcpy(&incoming, record, settings::kSettingsSize);
  if (incoming.dwMagic != settings::kSettingsMagic) return 0;
  LockedInstance instance(id);
  if (!instance) return ICERR_ERROR;
  instance->settings = incoming;
  settings::ApplyRangeRules(instance->settings);
  return static_cast<LRESULT>(settings::kSettingsSize);
}

void ReloadSettingsForDecompressor(InstanceRecord& instance) {
  settings::ReadSettingsFile(instance.settings);
}

}  // namespace kvtc::driver
