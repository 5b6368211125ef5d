// The Configure dialog: three one-click presets for the connection (Modem, ISDN, LAN), the
// buttons that open the Compressor and Decompressor dialogs, and OK, which saves the working
// copy to the settings file and loads it into every open instance.
#include <cstring>

#include "driver/driver_proc.h"
#include "driver/instance.h"
#include "resources/resource_ids.h"
#include "settings/dialog_dispatch.h"
#include "settings/dialog_state.h"
#include "settings/dialogs.h"
#include "settings/settings_file.h"

namespace kvtc::settings {
namespace {

using namespace kvtc::platform;

// The preset buttons, in the order in which the working copy is matched against them.
struct PresetButton {
  int id;
  Preset preset;
};
constexpr PresetButton kPresetButtons[] = {
    {IDC_PRESET_MODEM, Preset::Modem},
    {IDC_PRESET_ISDN, Preset::Isdn},
    {IDC_PRESET_LAN, Preset::Lan},
};

// The fields a preset button sets: refresh period, both lossless options, flags and search
// radius.
BYTE* PresetFields(SettingsRecord& r) { return reinterpret_cast<BYTE*>(&r) + kPresetFieldsOffset; }

bool MatchesPreset(SettingsRecord working, Preset preset) {
  SettingsRecord p = PresetRecord(preset);
  return std::memcmp(PresetFields(working), PresetFields(p), kPresetFieldsSize) == 0;
}

// Gives the button `id` the pushed look and takes it from the others; 0 highlights none.
void Highlight(HWND dialog, int id) {
  for (const PresetButton& b : kPresetButtons) {
    SendDlgItemMessageA(dialog, b.id, BM_SETSTATE, b.id == id ? 1 : 0, 0);
  }
}

// Highlights the first preset whose fields the working copy holds, or none.
void HighlightMatchingPreset(HWND dialog) {
  const SettingsRecord& working = SharedDialogState().working;
  for (const PresetButton& b : kPresetButtons) {
    if (MatchesPreset(working, b.preset)) return Highlight(dialog, b.id);
  }
  Highlight(dialog, 0);
}

void ApplyPreset(HWND dialog, const PresetButton& button) {
  SettingsRecord preset = PresetRecord(button.preset);
  std::memcpy(PresetFields(SharedDialogState().working), PresetFields(preset),
              kPresetFieldsSize);
  Highlight(dialog, button.id);
}

void RunSettingsDialog(HWND dialog, const char* templateName, DLGPROC procedure) {
  const DialogState& state = SharedDialogState();
  DialogBoxParamA(driver::ModuleHandle(), templateName, state.owner, procedure,
                  reinterpret_cast<LPARAM>(state.instance));
  HighlightMatchingPreset(dialog);
}

// OK: the working copy becomes the dialog instance's settings and the file's, and then every
// open instance's, each through the magic test and the range rules. A file that cannot be
// written does not stop the instances from being updated.
void Accept(HWND dialog) {
  DialogState& state = SharedDialogState();
  if (state.instance) state.instance->settings = state.working;
  const SettingsRecord accepted = state.working;
  SaveSettingsFile(accepted);
  for (DWORD_PTR id : driver::OpenInstanceIds()) {
    driver::LoadSettingsFromRecord(id, &accepted, kSettingsSize);
  }
  EndDialog(dialog, 1);
}

void Command(HWND dialog, int id) {
  for (const PresetButton& b : kPresetButtons) {
    if (b.id == id) return ApplyPreset(dialog, b);
  }
  if (id == IDC_OPEN_COMPRESSOR) {
    RunSettingsDialog(dialog, kCompressorTemplate, CompressorDialogProc);
  } else if (id == IDC_OPEN_DECOMPRESSOR) {
    RunSettingsDialog(dialog, kDecompressorTemplate, DecompressorDialogProc);
  }
}

// Every opening refills the working copy from the instance, which drops whatever an earlier
// cancelled dialog left in it. Without an instance the dialog starts from the settings file,
// so that it always edits real settings.
void Initialise(HWND dialog, LPARAM initParam) {
  DialogState& state = SharedDialogState();
  state.instance = reinterpret_cast<driver::InstanceRecord*>(initParam);
  if (state.instance) {
    state.working = state.instance->settings;
  } else {
    ReadSettingsFile(state.working);
  }
  HighlightMatchingPreset(dialog);
}

}  // namespace

INT_PTR KVTC_CALLBACK ConfigureDialogProc(HWND dialog, UINT message, WPARAM wParam,
                                          LPARAM lParam) {
  static constexpr DialogHandlers kHandlers{Initialise, nullptr, Command, Accept};
  return DispatchDialogMessage(kHandlers, dialog, message, wParam, lParam);
}

}  // namespace kvtc::settings
