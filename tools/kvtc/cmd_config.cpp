// kvtc config [changes]
#include <sys/stat.h>

#include <cstdio>
#include <cstring>

#include "kvtc/arg_parser.h"
#include "kvtc/codec_settings.h"
#include "kvtc/commands.h"
#include "kvtc/settings_text.h"
#include "kvtc/tool_errors.h"

namespace kvtc::tool {
namespace {

constexpr OptionSpec kOptions[] = {
    {"preset", "NAME", "lan, isdn or modem, as the Configure dialog's buttons apply them"},
    {"refresh-percent", "P", "loss-recovery refresh, 0..100 percent"},
    {"filter", "NAME", "noise filter: none, median or smooth"},
    {"lossless-luma", "on|off", "code every luma sample"},
    {"lossless-chroma", "on|off", "code every chroma sample"},
    {"radius", "R", "motion search radius: 0, 2, 4, 8 or 16 pixels"},
    {"send", "gray|color", "send grey scale or colour"},
    {"gamma", "G", "display gamma 0.5..2.0"},
    {"display", "gray|color", "display grey scale or colour"},
};

constexpr std::string_view kPresets[] = {"lan", "isdn", "modem"};
constexpr std::string_view kFilters[] = {"none", "median", "smooth"};
constexpr std::string_view kGreyOrColour[] = {"gray", "color"};

// The preset whose dialog fields (refresh period to search radius) the record holds, if any.
const char* MatchingPreset(const settings::SettingsRecord& r) {
  const std::pair<settings::Preset, const char*> presets[] = {
      {settings::Preset::Lan, "LAN"}, {settings::Preset::Isdn, "ISDN"}, {settings::Preset::Modem, "Modem"}};
  for (const auto& [preset, name] : presets) {
    const settings::SettingsRecord p = settings::PresetRecord(preset);
    if (std::memcmp(reinterpret_cast<const BYTE*>(&r) + settings::kPresetFieldsOffset,
                    reinterpret_cast<const BYTE*>(&p) + settings::kPresetFieldsOffset,
                    settings::kPresetFieldsSize) == 0) {
      return name;
    }
  }
  return nullptr;
}

// Validates every change option (so that mistakes are usage errors); true when any is given.
bool ChangesRequested(const ParsedArgs& a) {
  a.Choice("preset", kPresets);
  a.Integer("refresh-percent", 0, 100);
  a.Choice("filter", kFilters);
  a.Switch("lossless-luma");
  a.Switch("lossless-chroma");
  if (auto r = a.Integer("radius", 0, 16); r && *r != 0 && *r != 2 && *r != 4 && *r != 8 && *r != 16) {
    throw UsageError("--radius must be 0, 2, 4, 8 or 16 (got " + std::to_string(*r) + ")");
  }
  a.Choice("send", kGreyOrColour);
  a.Number("gamma", 0.5, 2.0);
  a.Choice("display", kGreyOrColour);
  for (const OptionSpec& o : kOptions) {
    if (a.Has(o.name)) return true;
  }
  return false;
}

constexpr CommandHelp kHelp = {
    "kvtc config [options]",
    "Shows the codec's saved settings. With options, changes them the way\n"
    "the codec's Configure, Compressor and Decompressor dialogs do.",
    kOptions};

}  // namespace

int RunConfig(std::span<const std::string> args) {
  const auto parsed = ParseCommand(args, kHelp);
  if (!parsed) return kExitOk;
  const ParsedArgs& a = *parsed;
  if (!a.Positionals().empty()) throw UsageError("config takes no file arguments");
  if (ChangesRequested(a)) {
    throw IoError("changing the settings goes through the codec's settings dialogs, which this "
                  "build of the codec does not have yet; the settings file is unchanged");
  }

  const std::string path = SavedSettingsPath();
  struct stat st {};
  const bool exists = !path.empty() && stat(path.c_str(), &st) == 0;
  const settings::SettingsRecord r = SavedSettings();
  std::printf("%s%s\n", path.empty() ? "(no system directory)" : path.c_str(),
              exists ? "" : " (not written yet: the LAN preset applies)");
  const char* preset = MatchingPreset(r);
  std::printf("  %-18s %s\n", "preset", preset ? preset : "none (changed by hand)");
  std::printf("compressor:\n%s", DescribeCompressorSettings(r).c_str());
  std::printf("decompressor:\n%s", DescribeDisplaySettings(r).c_str());
  return kExitOk;
}

}  // namespace kvtc::tool
