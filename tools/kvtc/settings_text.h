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

// The median filter has no place in the stored state block, so the stream's name carries it:
// the codec's name with ", median filter" added when the record has it on.
std::string StreamName(const std::string& codecName, const settings::SettingsRecord& record);
// Whether a stream's name says its frames went through the median filter.
bool NamesMedianFilter(const std::string& streamName);

}  // namespace kvtc::tool
