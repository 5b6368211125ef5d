// The codec's settings as the tool sees them: the user's saved settings file, the choices the
// command line makes on top of it, and the quality that keeps a change threshold.
#pragma once

#include <optional>
#include <string>

#include "host/codec_host.h"
#include "settings/settings_record.h"

namespace kvtc::host {

enum class NoiseFilter { None, Median, Smooth };

// What the encode options ask of the compressor; unset choices keep the saved settings.
struct CompressorChoices {
  std::optional<settings::Preset> preset;
  std::optional<BYTE> threshold;
  std::optional<BYTE> refreshPeriod;
  std::optional<BYTE> searchRadius;
  std::optional<bool> losslessLuma;
  std::optional<bool> losslessChroma;
  std::optional<bool> sendGray;
  std::optional<bool> chromaChange;  // change detection also compares colour
  std::optional<NoiseFilter> filter;
  std::optional<BYTE> decimation;  // 0 (none), 2, 4 or 8
};

// Applies the choices to a record: first everything the preset holds for the compressor
// (threshold, refresh period, lossless options, flags and search radius), then each single
// choice.
void ApplyCompressorChoices(const CompressorChoices& choices, settings::SettingsRecord& record);

// Copies the compressor's fields of `from` into a state block (the settings record's layout,
// as ICM_GETSTATE gave it): the threshold, key-frame interval, refresh period, lossless
// options, grey sending, search radius, decimation and smoothing. The median filter has no
// place in the state block.
void CopyCompressorFieldsToState(const settings::SettingsRecord& from, StateBlock& state);

// The change threshold ICM_COMPRESS derives from a frame's quality, and the highest quality
// whose frames are coded with a given threshold (0..30).
BYTE ThresholdForFrameQuality(DWORD quality);
DWORD FrameQualityForThreshold(BYTE threshold);

// The user's settings file and error log in the codec's system directory (empty when there is
// no system directory).
std::string SavedSettingsPath();
std::string ErrorLogPath();
// The saved settings as the codec loads them at open (range rules applied); the LAN preset
// when there is no complete settings file. Nothing is created or changed.
settings::SettingsRecord SavedSettings();

}  // namespace kvtc::host
