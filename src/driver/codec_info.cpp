#include "driver/codec_info.h"

#include <cstring>

#include "driver/instance.h"
#include "platform/system_services.h"
#include "settings/settings_record.h"

namespace kvtc::driver {
namespace {

using settings::kSettingsSize;
using settings::SettingsRecord;

// State block offsets that differ from a plain copy of the record.
constexpr std::size_t kStateSendGrey = 26;
constexpr std::size_t kStateSmooth = 32;

void CopyUtf16(WCHAR* dst, const char* src) {
  while ((*dst++ = static_cast<WCHAR>(*src++)) != 0) {
  }
}

}  // namespace

BYTE ThresholdFromQuality(DWORD quality) {
  const DWORD t = ((10000u - quality) * 30u) / 10000u;
  return static_cast<BYTE>(t & 0xFF);
}

DWORD QualityFromThreshold(BYTE threshold) {
  const double q = (30 - static_cast<int>(threshold)) * 10000 * 0.03333333333333333;
  return static_cast<DWORD>(static_cast<std::int32_t>(q));
}

LRESULT GetInfo(DWORD_PTR /*id: the instance is not consulted*/, ICINFO* info, LPARAM size) {
  if (!info || size < static_cast<LPARAM>(sizeof(ICINFO))) return 0;
  info->dwSize = sizeof(ICINFO);
  info->fccType = MakeFourcc("vidc");
  info->fccHandler = MakeFourcc("KVTC");
  info->dwFlags = kCodecFlags;
  info->dwVersion = kCodecVersion;
  info->dwVersionICM = ICVERSION;
  CopyUtf16(info->szName, "KVT Codec");
  CopyUtf16(info->szDescription, "Halvern KVT Codec");
  return sizeof(ICINFO);
}

LRESULT GetState(DWORD_PTR id, void* state, LPARAM size) {
  if (!state || size == 0) return kSettingsSize;
  if (size < static_cast<LPARAM>(kSettingsSize)) return 0;
  LockedInstance instance(id);
  if (!instance) return ICERR_ERROR;
  const SettingsRecord& s = instance->settings;
  const auto* from = reinterpret_cast<const BYTE*>(&s);
  auto* to = static_cast<BYTE*>(state);
  const DWORD magic = settings::kSettingsMagic;
  std::memcpy(to, &magic, 4);
  std::memcpy(to + 8, from + 8, 18);  // gamma .. bLosslessChroma
  to[kStateSendGrey] = s.bFlags & settings::SF_SENDGRAY;
  std::memcpy(to + 27, from + 27, 5);  // bSearchRadius .. bOutputFormat
  to[kStateSmooth] = s.bFlags & settings::SF_SMOOTH;
  std::memcpy(to + 33, from + 33, 4);  // bCompBits, bCompCount
  return kSettingsSize;
}

LRESULT SetState(DWORD_PTR id, const void* state, LPARAM size) {
  const auto* from = static_cast<const BYTE*>(state);
  // A block too short to hold a record is refused before anything of it is read.
  if (from && size != 0 && size < static_cast<LPARAM>(kSettingsSize)) return 0;
  if (from) {
    DWORD magic;
    std::memcpy(&magic, from, 4);
    if (magic != settings::kSettingsMagic) return 0;
  }
  if (!from || size == 0) return LoadSettingsFromFile(id);

  LockedInstance instance(id);
  if (!instance) return ICERR_ERROR;
  SettingsRecord& s = instance->settings;
  auto* to = reinterpret_cast<BYTE*>(&s);
  std::memcpy(to + 8, from + 8, 18);
  std::memcpy(to + 27, from + 27, 5);
  std::memcpy(to + 33, from + 33, 4);
  s.bFlags = from[kStateSendGrey] ? (s.bFlags | settings::SF_SENDGRAY)
                                  : (s.bFlags & ~settings::SF_SENDGRAY);
  s.bFlags = from[kStateSmooth] ? (s.bFlags | settings::SF_SMOOTH)
                                : (s.bFlags & ~settings::SF_SMOOTH);
  settings::ApplyRangeRules(s);
  return kSettingsSize;
}

LRESULT GetQuality(DWORD_PTR id, DWORD* quality) {
  LockedInstance instance(id);
  if (!instance) return ICERR_ERROR;
  if (!quality) return ICERR_BADPARAM;
  *quality = QualityFromThreshold(instance->settings.bThreshold);
  return ICERR_OK;
}

LRESULT SetQuality(DWORD_PTR id, const DWORD* quality) {
  LockedInstance instance(id);
  if (!instance) return ICERR_ERROR;
  if (!quality) return ICERR_BADPARAM;
  instance->settings.bThreshold = ThresholdFromQuality(*quality);
  return ICERR_OK;
}

LRESULT GetDefaultKeyFrameRate(DWORD_PTR id, DWORD* rate) {
  LockedInstance instance(id);
  if (!instance) return ICERR_ERROR;
  if (!rate) return ICERR_BADPARAM;
  *rate = instance->settings.bKeyInterval;
  return ICERR_OK;
}

LRESULT About(DWORD_PTR /*id: the instance is not consulted*/, HWND parent) {
  platform::MessageBoxA(parent, "Halvern KVT Codec", "KVT Codec", MB_OK | MB_ICONINFORMATION);
  return ICERR_OK;
}

}  // namespace kvtc::driver
