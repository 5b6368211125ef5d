// The three settings dialogs: Configure, which applies presets, opens the other two and on OK
// saves the settings and hands them to every open instance; Compressor, for the settings of
// the video sent; Decompressor, for those of the video received. All three edit one working
// copy of the settings record (settings/dialog_state.h).
#pragma once

#include "platform/win32_ui.h"

namespace kvtc::settings {

// The names the dialogs are loaded by from the library's resources.
constexpr const char* kConfigureTemplate = "Configure";
constexpr const char* kCompressorTemplate = "COMPRESSOR";
constexpr const char* kDecompressorTemplate = "DECOMPRESSOR";

// The dialog procedures. Each answers 0 for every message and ends its dialog with 1 (OK) or
// 0 (Cancel). The Configure dialog's initialisation parameter is the instance record whose
// settings it starts from.
INT_PTR KVTC_CALLBACK ConfigureDialogProc(HWND dialog, UINT message, WPARAM wParam,
                                          LPARAM lParam);
INT_PTR KVTC_CALLBACK CompressorDialogProc(HWND dialog, UINT message, WPARAM wParam,
                                           LPARAM lParam);
INT_PTR KVTC_CALLBACK DecompressorDialogProc(HWND dialog, UINT message, WPARAM wParam,
                                             LPARAM lParam);

}  // namespace kvtc::settings
