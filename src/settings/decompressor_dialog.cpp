// The Decompressor settings dialog: gamma correction and colour or grey-scale display of the
// received video, edited in the working copy.
#include <algorithm>
#include <cmath>

#include "resources/resource_ids.h"
#include "settings/dialog_dispatch.h"
#include "settings/dialog_state.h"
#include "settings/dialogs.h"
#include "settings/slider_steps.h"

namespace kvtc::settings {
namespace {

using namespace kvtc::platform;

// The gamma slider runs from 0 ("Darker", gamma 0.5) to 100 ("Brighter", gamma 1.5) in steps
// of 0.01; a page moves it by 4.
constexpr int kGammaMax = 100;
constexpr int kGammaPage = 4;

// The position of a gamma, truncated: a gamma stored from position 52 (1.02 in single
// precision, a hair below) comes back as 51. A gamma the range rules never saw (the
// decompressor's reload takes the file as it is) still gives a defined position: NaN counts
// as 0 and anything beyond +-1000 is pinned there. The slider itself clamps what it shows.
int SliderFromGamma(float gamma) {
  const double position = (static_cast<double>(gamma) - 0.5) * 100.0;
  if (std::isnan(position)) return 0;
  return static_cast<int>(std::clamp(position, -1000.0, 1000.0));
}

float GammaFromSlider(int position) { return static_cast<float>(position * 0.01 + 0.5); }

// The display shows the position itself, not the gamma.
void ShowGamma(HWND dialog, int position) {
  char text[16];
  wsprintfA(text, "%3d", position);
  SetDlgItemTextA(dialog, IDC_GAMMA_VALUE, text);
}

void Initialise(HWND dialog, LPARAM /*initParam*/) {
  DialogState& state = SharedDialogState();
  HWND slider = GetDlgItem(dialog, IDC_GAMMA_SLIDER);
  state.gammaPosition = SliderFromGamma(state.working.flGamma);
  SetScrollRange(slider, SB_CTL, 0, kGammaMax, TRUE);
  SetScrollPos(slider, SB_CTL, state.gammaPosition, TRUE);
  ShowGamma(dialog, state.gammaPosition);
  CheckRadioButton(dialog, IDC_VIDEO_COLOR, IDC_VIDEO_GRAY,
                   (state.working.bFlags & SF_SHOWGRAY) ? IDC_VIDEO_GRAY : IDC_VIDEO_COLOR);
}

// The slider moves from the remembered position rather than from what the bar shows: a gamma
// above 1.5 is remembered beyond the bar's end, and a line left from there lands back on the
// end. A move is stored in the working copy at once: Cancel does not take it back.
void Scroll(HWND dialog, WPARAM wParam, HWND slider) {
  if (GetWindowLongA(slider, GWL_ID) != IDC_GAMMA_SLIDER) return;
  DialogState& state = SharedDialogState();
  const std::optional<int> target = SliderTarget(state.gammaPosition, wParam, kGammaPage);
  if (!target) return;
  const int position = std::clamp(*target, 0, kGammaMax);
  state.working.flGamma = GammaFromSlider(position);
  SetScrollPos(slider, SB_CTL, position, TRUE);
  ShowGamma(dialog, position);
  state.gammaPosition = position;
}

void Accept(HWND dialog) {
  SettingsRecord& working = SharedDialogState().working;
  working.flGamma = GammaFromSlider(GetScrollPos(GetDlgItem(dialog, IDC_GAMMA_SLIDER), SB_CTL));
  working.bFlags &= ~SF_SHOWGRAY;
  if (IsDlgButtonChecked(dialog, IDC_VIDEO_GRAY) == BST_CHECKED) working.bFlags |= SF_SHOWGRAY;
  EndDialog(dialog, 1);
}

void Command(HWND dialog, int id) {
  if (id == IDC_VIDEO_COLOR || id == IDC_VIDEO_GRAY) {
    CheckRadioButton(dialog, IDC_VIDEO_COLOR, IDC_VIDEO_GRAY, id);
  }
}

}  // namespace

INT_PTR KVTC_CALLBACK DecompressorDialogProc(HWND dialog, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
  static constexpr DialogHandlers kHandlers{Initialise, Scroll, Command, Accept};
  return DispatchDialogMessage(kHandlers, dialog, message, wParam, lParam);
}

}  // namespace kvtc::settings
