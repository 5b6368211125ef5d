// kvtc config [changes]
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <cstdio>
#include <cstring>

#include "host/codec_settings.h"
#include "kvtc/arg_parser.h"
#include "kvtc/commands.h"
#include "kvtc/settings_dialogs.h"
#include "kvtc/settings_text.h"
#include "kvtc/tool_errors.h"

namespace kvtc::tool {
namespace {

constexpr OptionDef kOptions[] = {
    {"preset", "NAME", "lan, isdn or modem, as the Configure dialog's buttons apply them"},
    {"refresh-percent", "P", "loss-recovery refresh, 0..100 percent"},
    {"filter", "NAME", "noise filter: none, median or smooth"},
    {"lossless-luma", "on|off", "code every luma sample"},
    {"lossless-chroma", "on|off", "code every chroma sample"},
    {"radius", "R", "motion search radius: 0, 2, 4, 8 or 16 pixels"},
    {"send", "gray|color", "send grey scale or colour"},
    {"color-changes", "on|off", "change detection also compares colour, so a block whose "
                                "colour changed is sent even when its luma did not"},
    {"gamma", "G", "display gamma 0.5..1.5, in steps of 0.01 (the dialog's slider)"},
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

// The changes the options ask for; every one is checked (mistakes are usage errors).
DialogChoices ChoicesFrom(const ParsedArgs& a) {
  DialogChoices c;
  if (auto p = a.Choice("preset", kPresets)) {
    c.preset = *p == 0 ? settings::Preset::Lan : *p == 1 ? settings::Preset::Isdn
                                                         : settings::Preset::Modem;
  }
  if (auto p = a.Integer("refresh-percent", 0, 100)) c.refreshPercent = static_cast<int>(*p);
  if (auto f = a.Choice("filter", kFilters)) c.filter = static_cast<host::NoiseFilter>(*f);
  c.losslessLuma = a.Switch("lossless-luma");
  c.losslessChroma = a.Switch("lossless-chroma");
  if (auto r = a.Integer("radius", 0, 16)) {
    if (*r != 0 && *r != 2 && *r != 4 && *r != 8 && *r != 16) {
      throw UsageError("--radius must be 0, 2, 4, 8 or 16 (got " + std::to_string(*r) + ")");
    }
    c.searchRadius = static_cast<int>(*r);
  }
  if (auto s = a.Choice("send", kGreyOrColour)) c.sendGray = *s == 0;
  c.chromaChange = a.Switch("color-changes");
  if (auto g = a.Number("gamma", 0.5, 1.5)) c.gamma = *g;
  if (auto d = a.Choice("display", kGreyOrColour)) c.showGray = *d == 0;
  return c;
}

// The codec saves its settings without saying whether it could: a file that cannot be opened
// for writing now, or a folder that cannot take one, was not saved either.
void RequireSaved(const std::string& path) {
  if (path.empty()) throw FileError("KVTC.cfg", "cannot save the settings: no system folder");
  if (std::FILE* f = std::fopen(path.c_str(), "r+b")) {
    std::fclose(f);
    return;
  }
  int error = errno;
  if (error == ENOENT) {
    const std::string folder = path.substr(0, path.rfind('/') + 1);
    error = access(folder.empty() ? "." : folder.c_str(), W_OK) == 0 ? ENOENT : errno;
  }
  throw FileError(path, std::string("cannot save the settings: ") + std::strerror(error));
}

constexpr CommandHelp kHelp = {
    "kvtc config [options]",
    "Shows the codec's saved settings. With options, changes them through\n"
    "the codec's own Configure, Compressor and Decompressor dialogs, as a\n"
    "user clicking through them and pressing OK would, then shows them.",
    kOptions};

}  // namespace

int RunConfig(std::span<const std::string> args) {
  const auto parsed = ParseCommand(args, kHelp);
  if (!parsed) return kExitOk;
  const ParsedArgs& a = *parsed;
  if (!a.Positionals().empty()) throw UsageError("config takes no file arguments");
  const DialogChoices choices = ChoicesFrom(a);
  if (choices.preset || choices.CompressorDialogNeeded() || choices.DecompressorDialogNeeded()) {
    ApplyThroughDialogs(choices);
    RequireSaved(host::SavedSettingsPath());
  }

  const std::string path = host::SavedSettingsPath();
  struct stat st {};
  const bool exists = !path.empty() && stat(path.c_str(), &st) == 0;
  const settings::SettingsRecord r = host::SavedSettings();
  std::printf("%s%s\n", path.empty() ? "(no system directory)" : path.c_str(),
              exists ? "" : " (not written yet: the LAN preset applies)");
  const char* preset = MatchingPreset(r);
  std::printf("  %-18s %s\n", "preset", preset ? preset : "none (changed by hand)");
  std::printf("compressor:\n%s", DescribeCompressorSettings(r).c_str());
  std::printf("decompressor:\n%s", DescribeDisplaySettings(r).c_str());
  return kExitOk;
}

}  // namespace kvtc::tool
