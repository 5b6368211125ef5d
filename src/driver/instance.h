// Instance records and the process-wide instance list.
//
// Every successful DRV_OPEN allocates an instance record from the global heap; its handle is
// the driver id that every later message carries. A node in the instance list, in order of
// opening, lets the Configure dialog reach every open instance. The list is guarded by a lock,
// so hosts may open, use and close different instances on several threads at once; one
// instance is still used by one thread at a time.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/win32_types.h"
#include "settings/settings_record.h"
#include "stream/codec_context.h"

namespace kvtc::driver {

struct InstanceRecord {
  DWORD fccType;
  DWORD dwOpenFlags;
  settings::SettingsRecord settings;
  DWORD fCompressBegun;
  DWORD fDecompressBegun;
  LPARAM lStatusParam;
  // The caller's callback, in its calling convention (stdcall on 32-bit Windows).
  decltype(ICSETSTATUSPROC::Status) pfnStatus;
  stream::CodecContext* pContext;
};

struct InstanceNode {
  HGLOBAL hInstance;
  HGLOBAL hNode;
  InstanceNode* pPrev;
  InstanceNode* pNext;
};

// The id DRV_OPEN answers when it carries no ICOPEN: no instance stands behind it.
constexpr DWORD_PTR kDriverOnlyId = 0xFFFF0000u;

// Opens an instance for the ICOPEN; its driver id, or 0 on failure (ICOPEN.dwError tells
// ICERR_MEMORY when memory ran out).
DWORD_PTR OpenInstance(ICOPEN& open);
// Closes the instance: frees its codec working context, unlinks it and frees the record.
// Ids that are not open are ignored.
void CloseInstance(DWORD_PTR id);

// The driver ids of the open instances, in order of opening.
std::vector<DWORD_PTR> OpenInstanceIds();

// Locks an instance record for the life of the object. Empty (false) for an id that is not an
// open instance, 0xFFFF0000 included.
class LockedInstance {
 public:
  explicit LockedInstance(DWORD_PTR id);
  ~LockedInstance();
  LockedInstance(const LockedInstance&) = delete;
  LockedInstance& operator=(const LockedInstance&) = delete;

  explicit operator bool() const { return record_ != nullptr; }
  InstanceRecord* operator->() const { return record_; }
  InstanceRecord& operator*() const { return *record_; }

 private:
  HGLOBAL handle_;
  InstanceRecord* record_;
};

// Settings of an instance (the loads of the settings record).
// From the settings file, then the range rules: 38, or ICERR_ERROR for an id not open.
LRESULT LoadSettingsFromFile(DWORD_PTR id);
// From a record of `size` bytes: 0 when its magic is not "KVTC" or it is shorter than 38
// bytes, ICERR_ERROR for an id not open, else 38 after the range rules. A null record or a
// size of 0 loads from the file instead.
LRESULT LoadSettingsFromRecord(DWORD_PTR id, const void* record, std::size_t size);
// The decompressor's reload: the file as it is, without range rules.
void ReloadSettingsForDecompressor(InstanceRecord& instance);

}  // namespace kvtc::driver
