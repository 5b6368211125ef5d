#include "settings/settings_record.h"

#include <cstring>

namespace kvtc::settings {
namespace {

SettingsRecord CommonPresetFields() {
  SettingsRecord r{};
  r.dwMagic = kSettingsMagic;
  r.flGamma = 1.0f;
  r.dwWidth = 160;
  r.dwHeight = 120;
  r.bLosslessLuma = 1;
  r.bInputFormat = 2;
  r.bOutputFormat = 2;
  r.bCompBits[0] = r.bCompBits[1] = r.bCompBits[2] = 8;
  r.bCompCount = 3;
  return r;
}

std::int32_t FloatBits(float f) {
  std::int32_t bits;
  std::memcpy(&bits, &f, sizeof bits);
  return bits;
}

}  // namespace

SettingsRecord PresetRecord(Preset preset) {
  SettingsRecord r = CommonPresetFields();
  switch (preset) {
    case Preset::Lan:
      r.bThreshold = 8;
      r.bRefreshPeriod = 128;
      r.bFlags = SF_VARIANT;
      r.bSearchRadius = 0;
      break;
    case Preset::Modem:
      r.bThreshold = 12;
      r.bRefreshPeriod = 255;
      r.bFlags = SF_VARIANT | SF_MEDIAN;
      r.bSearchRadius = 16;
      break;
    case Preset::Isdn:
      r.bThreshold = 10;
      r.bRefreshPeriod = 255;
      r.bFlags = SF_VARIANT;
      r.bSearchRadius = 4;
      break;
  }
  return r;
}

float GammaInRange(float gamma) {
  // Gamma is compared by its bit pattern read as a signed integer, so every negative value
  // (and negative zero) falls below 0.5.
  const std::int32_t bits = FloatBits(gamma);
  if (bits < FloatBits(0.5f)) return 0.5f;
  if (bits > FloatBits(2.0f)) return 2.0f;
  return gamma;
}

void ApplyRangeRules(SettingsRecord& r) {
  r.flGamma = GammaInRange(r.flGamma);

  const auto width = static_cast<std::int32_t>(r.dwWidth);
  if (width < 80) r.dwWidth = 80;
  if (width > 640) r.dwWidth = 640;
  const auto height = static_cast<std::int32_t>(r.dwHeight);
  if (height < 64) r.dwHeight = 64;
  if (height > 480) r.dwHeight = 480;

  if (r.bThreshold > 30) r.bThreshold = 30;
  if (r.bLosslessLuma > 1) r.bLosslessLuma = 0;
  if (r.bLosslessChroma > 1) r.bLosslessChroma = 0;
  if (r.bSearchRadius > 16) r.bSearchRadius = 16;
  if (r.bDecimation > 8) r.bDecimation = 0;
  if (r.bInputFormat > 13) r.bInputFormat = 2;
  if (r.bDecoderMode > 8) r.bDecoderMode = 0;
  if (r.bOutputFormat > 13) r.bOutputFormat = 2;
  if (r.bStreamVariant > 2) r.bStreamVariant = 0;
  for (BYTE& bits : r.bCompBits) {
    if (bits > 8) bits = 8;
  }
  if (r.bCompCount > 4) r.bCompCount = 4;
}

}  // namespace kvtc::settings
