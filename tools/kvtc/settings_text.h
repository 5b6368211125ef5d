// Settings in words, for `kvtc config` and `kvtc info`.
#pragma once

#include <span>
#include <string>

#include "settings/settings_record.h"

namespace kvtc::tool {

// The compressor's settings, one "name: value" line each.
std::string DescribeCompressorSettings(const settings::SettingsRecord& record);
// The decompressor's display settings, likewise.
std::string DescribeDisplaySettings(const settings::SettingsRecord& record);

// A settings record from a stored state block (the same layout, except that the flags byte
// holds grey sending alone and the stream-variant byte the smoothing filter).
settings::SettingsRecord RecordFromStateBlock(std::span<const std::uint8_t, 38> state);

}  // namespace kvtc::tool
