// The same frames through any build of the codec: a small synthetic clip is compressed from
// several input layouts and decompressed into several output layouts, and every compressed
// frame and decoded picture is reduced to a hash. The Linux library (driven through DriverProc)
// and the Windows DLLs (driven through the Video Compression Manager) must produce the same
// lines, byte for byte.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/win32_types.h"
#include "settings/settings_record.h"

namespace kvtc::wintest {

// How the sequences reach one build of the codec.
struct CodecPort {
  // A fresh instance, with the settings file removed, or holding the record when one is given
  // (the decompressor reads its settings from the file); 0 fails.
  std::function<std::uintptr_t(const settings::SettingsRecord*)> open;
  std::function<void(std::uintptr_t)> close;
  std::function<LRESULT(std::uintptr_t, UINT, LPARAM, LPARAM)> send;
};

// Replaces the settings file at path with the record; false when it cannot be written.
bool WriteSettingsFile(const std::string& path, const settings::SettingsRecord& record);

// The clip: its size, its length, and frame n packed in a layout of the given depth and
// compression (BI_RGB 16, 24 or 32 bits, or "YUY2"), rows bottom-up and unpadded.
constexpr LONG kClipWidth = 64;  // a multiple of 4: rows need no padding in any layout
constexpr LONG kClipHeight = 48;
constexpr int kClipFrames = 6;
std::vector<BYTE> ClipFrame(WORD bits, DWORD compression, int n);

// One line per frame: what was done, the handler's result, the output's size and FNV-1a hash.
std::vector<std::string> HashSequences(const CodecPort& codec);

}  // namespace kvtc::wintest
