// Codec information, state and quality: the messages with which a host learns what the codec
// is, saves and restores its settings, and sets or reads its quality and key-frame rate.
#pragma once

#include "platform/win32_types.h"

namespace kvtc::driver {

constexpr DWORD kCodecVersion = 0x0002004A;  // 2.74
constexpr DWORD kCodecFlags = VIDCF_QUALITY | VIDCF_TEMPORAL | VIDCF_FASTTEMPORALC |
                              VIDCF_FASTTEMPORALD;

LRESULT GetInfo(DWORD_PTR id, ICINFO* info, LPARAM size);
LRESULT GetState(DWORD_PTR id, void* state, LPARAM size);
LRESULT SetState(DWORD_PTR id, const void* state, LPARAM size);
LRESULT GetQuality(DWORD_PTR id, DWORD* quality);
LRESULT SetQuality(DWORD_PTR id, const DWORD* quality);
LRESULT GetDefaultKeyFrameRate(DWORD_PTR id, DWORD* rate);
LRESULT About(DWORD_PTR id, HWND parent);

// The quality mapping between ICM quality (0..10000) and the change threshold (0..30).
BYTE ThresholdFromQuality(DWORD quality);
DWORD QualityFromThreshold(BYTE threshold);

}  // namespace kvtc::driver
