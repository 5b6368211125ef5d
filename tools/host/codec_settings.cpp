#include "host/codec_settings.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "host/session_directory.h"
#include "platform/system_services.h"
#include "settings/settings_file.h"

namespace kvtc::host {
namespace {

using settings::SettingsRecord;

void SetFlag(BYTE& flags, BYTE bit, bool on) { flags = on ? (flags | bit) : (flags & ~bit); }

}  // namespace

void ApplyCompressorChoices(const CompressorChoices& c, SettingsRecord& r) {
  if (c.preset) {
    const SettingsRecord p = settings::PresetRecord(*c.preset);
    r.bThreshold = p.bThreshold;
    std::memcpy(reinterpret_cast<BYTE*>(&r) + settings::kPresetFieldsOffset,
                reinterpret_cast<const BYTE*>(&p) + settings::kPresetFieldsOffset,
                settings::kPresetFieldsSize);
  }
  if (c.threshold) r.bThreshold = *c.threshold;
  if (c.refreshPeriod) r.bRefreshPeriod = *c.refreshPeriod;
  if (c.searchRadius) r.bSearchRadius = *c.searchRadius;
  if (c.losslessLuma) r.bLosslessLuma = *c.losslessLuma;
  if (c.losslessChroma) r.bLosslessChroma = *c.losslessChroma;
  if (c.sendGray) SetFlag(r.bFlags, settings::SF_SENDGRAY, *c.sendGray);
  if (c.chromaChange) SetFlag(r.bFlags, settings::SF_CHROMACHANGE, *c.chromaChange);
  if (c.filter) {
    SetFlag(r.bFlags, settings::SF_MEDIAN, *c.filter == NoiseFilter::Median);
    SetFlag(r.bFlags, settings::SF_SMOOTH, *c.filter == NoiseFilter::Smooth);
  }
  if (c.decimation) r.bDecimation = *c.decimation;
}

void CopyCompressorFieldsToState(const SettingsRecord& from, StateBlock& state) {
  state[offsetof(SettingsRecord, bThreshold)] = from.bThreshold;
  state[offsetof(SettingsRecord, bKeyInterval)] = from.bKeyInterval;
  state[offsetof(SettingsRecord, bRefreshPeriod)] = from.bRefreshPeriod;
  state[offsetof(SettingsRecord, bLosslessLuma)] = from.bLosslessLuma;
  state[offsetof(SettingsRecord, bLosslessChroma)] = from.bLosslessChroma;
  // The flags byte of the block carries grey sending alone, and the stream-variant byte the
  // smoothing filter.
  state[offsetof(SettingsRecord, bFlags)] = (from.bFlags & settings::SF_SENDGRAY) ? 1 : 0;
  state[offsetof(SettingsRecord, bStreamVariant)] = from.bFlags & settings::SF_SMOOTH;
  state[offsetof(SettingsRecord, bSearchRadius)] = from.bSearchRadius;
  state[offsetof(SettingsRecord, bDecimation)] = from.bDecimation;
}

BYTE ThresholdForFrameQuality(DWORD quality) {
  // The difference is taken as an unsigned 32-bit number, scaled in double precision,
  // truncated, and its low 8 bits kept.
  const DWORD difference = 10000u - quality;
  return static_cast<BYTE>(static_cast<DWORD>(difference * 0.003));
}

DWORD FrameQualityForThreshold(BYTE threshold) {
  for (DWORD q = 10000;; --q) {
    if (ThresholdForFrameQuality(q) == threshold) return q;
    if (q == 0) return 0;
  }
}

std::string SavedSettingsPath() {
  const auto lock = LockSystemDirectory();
  return settings::SettingsFilePath();
}

std::string ErrorLogPath() {
  const auto lock = LockSystemDirectory();
  return platform::SystemFilePath("KVTC.err");
}

SettingsRecord SavedSettings() {
  SettingsRecord record = settings::PresetRecord(settings::Preset::Lan);
  const std::string path = SavedSettingsPath();
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(
      path.empty() ? nullptr : std::fopen(path.c_str(), "rb"), &std::fclose);
  SettingsRecord stored{};
  if (file && std::fread(&stored, sizeof stored, 1, file.get()) == 1) record = stored;
  settings::ApplyRangeRules(record);
  return record;
}

}  // namespace kvtc::host
