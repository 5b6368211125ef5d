#include "settings/settings_file.h"

#include <cstdio>

#include "platform/system_services.h"

namespace kvtc::settings {

std::string SettingsFilePath() { return platform::SystemFilePath(kSettingsFileName); }

bool SaveSettingsFile(const SettingsRecord& record) {
  const std::string path = SettingsFilePath();
  if (path.empty()) return false;
  std::FILE* f = std::fopen(path.c_str(), "w+b");
  if (!f) return false;
  const bool written = std::fwrite(&record, kSettingsSize, 1, f) == 1;
  return std::fclose(f) == 0 && written;
}

void ReadSettingsFile(SettingsRecord& record) {
  const std::string path = SettingsFilePath();
  std::FILE* f = path.empty() ? nullptr : std::fopen(path.c_str(), "rb");
  if (f) {
    SettingsRecord loaded;
    const bool complete = std::fread(&loaded, kSettingsSize, 1, f) == 1;
    std::fclose(f);
    if (complete) {
      record = loaded;
      return;
    }
  }
  record = PresetRecord(Preset::Lan);
  SaveSettingsFile(record);
}

}  // namespace kvtc::settings
