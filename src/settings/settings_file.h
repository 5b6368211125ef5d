// The settings file "KVTC.cfg" in the system directory: exactly one settings record, shared
// by every process on the machine without locking (the last writer wins).
#pragma once

#include <string>

#include "settings/settings_record.h"

namespace kvtc::settings {

constexpr const char* kSettingsFileName = "KVTC.cfg";

// The file's full path; empty when the system has no system directory.
std::string SettingsFilePath();

// Reads the file's first 38 bytes into record as they are. A missing file, or one shorter
// than a record, is replaced by the LAN preset, which record then holds too. A file that
// cannot be created or written is not reported. No range rules are applied here.
void ReadSettingsFile(SettingsRecord& record);

// Writes the record to the file (created or truncated). False when it could not be written.
bool SaveSettingsFile(const SettingsRecord& record);

}  // namespace kvtc::settings
