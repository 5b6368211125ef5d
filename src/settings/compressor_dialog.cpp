// The Compressor settings dialog: loss-recovery refresh, noise filter, lossless options,
// motion search radius and colour or grey-scale sending, edited in the working copy.
#include <algorithm>
#include <iterator>

#include "resources/resource_ids.h"
#include "settings/dialog_dispatch.h"
#include "settings/dialog_state.h"
#include "settings/dialogs.h"
#include "settings/slider_steps.h"

namespace kvtc::settings {
namespace {

using namespace kvtc::platform;

// The refresh slider runs from 0 ("Good Connection", no refresh) to 255 ("Bad Connection",
// every block refreshed with period 1); a page moves it by 5.
constexpr int kRefreshMax = 255;
constexpr int kRefreshPage = 5;
constexpr double kPercentPerStep = 0.3921568627450981;  // 100 / 255

// The search radius list, and the radius of each item.
constexpr const char* kRadiusItems[] = {"None", "2  pixels", "4  pixels", "8  pixels",
                                        "16 pixels"};
constexpr BYTE kRadii[] = {0, 2, 4, 8, 16};

int SliderFromRefresh(BYTE period) { return period == 0 ? 0 : 256 - period; }

BYTE RefreshFromSlider(int position) {
  position = std::clamp(position, 0, kRefreshMax);
  return position == 0 ? 0 : static_cast<BYTE>(256 - position);
}

void ShowRefresh(HWND dialog, int position) {
  char text[16];
  wsprintfA(text, "%2d%%", static_cast<int>(position * kPercentPerStep + 0.5));
  SetDlgItemTextA(dialog, IDC_REFRESH_VALUE, text);
}

// Any radius that is not in the list (a file may hold one) shows as the largest.
int RadiusIndex(BYTE radius) {
  const BYTE* it = std::find(std::begin(kRadii), std::end(kRadii), radius);
  return it == std::end(kRadii) ? 4 : static_cast<int>(it - std::begin(kRadii));
}

BYTE RadiusFromIndex(LRESULT index) { return index >= 0 && index < 4 ? kRadii[index] : 16; }

bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void Initialise(HWND dialog, LPARAM /*initParam*/) {
  const SettingsRecord& working = SharedDialogState().working;
  HWND slider = GetDlgItem(dialog, IDC_REFRESH_SLIDER);
  const int position = SliderFromRefresh(working.bRefreshPeriod);
  SetScrollRange(slider, SB_CTL, 0, kRefreshMax, TRUE);
  SetScrollPos(slider, SB_CTL, position, TRUE);
  ShowRefresh(dialog, position);

  SendDlgItemMessageA(dialog, IDC_LOSSLESS_LUMA, BM_SETCHECK, working.bLosslessLuma != 0, 0);
  SendDlgItemMessageA(dialog, IDC_LOSSLESS_CHROMA, BM_SETCHECK, working.bLosslessChroma != 0,
                      0);
  SendDlgItemMessageA(dialog, IDC_CHROMA_CHANGE, BM_SETCHECK,
                      (working.bFlags & SF_CHROMACHANGE) != 0, 0);

  for (const char* item : kRadiusItems) {
    char text[16];
    wsprintfA(text, "%s", item);
    SendDlgItemMessageA(dialog, IDC_SEARCH_RADIUS, CB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(text));
  }
  SendDlgItemMessageA(dialog, IDC_SEARCH_RADIUS, CB_SETCURSEL,
                      static_cast<WPARAM>(RadiusIndex(working.bSearchRadius)), 0);

  const int filter = (working.bFlags & SF_SMOOTH)   ? IDC_FILTER_SMOOTH
                     : (working.bFlags & SF_MEDIAN) ? IDC_FILTER_MEDIAN
                                                    : IDC_FILTER_NONE;
  CheckRadioButton(dialog, IDC_FILTER_NONE, IDC_FILTER_SMOOTH, filter);
  CheckRadioButton(dialog, IDC_VIDEO_COLOR, IDC_VIDEO_GRAY,
                   (working.bFlags & SF_SENDGRAY) ? IDC_VIDEO_GRAY : IDC_VIDEO_COLOR);
}

// A slider move is stored in the working copy at once: Cancel does not take it back.
void Scroll(HWND dialog, WPARAM wParam, HWND slider) {
  if (GetWindowLongA(slider, GWL_ID) != IDC_REFRESH_SLIDER) return;
  const std::optional<int> target =
      SliderTarget(GetScrollPos(slider, SB_CTL), wParam, kRefreshPage);
  if (!target) return;
  const int position = std::clamp(*target, 0, kRefreshMax);
  SetScrollPos(slider, SB_CTL, position, TRUE);
  ShowRefresh(dialog, position);
  SharedDialogState().working.bRefreshPeriod = RefreshFromSlider(position);
}

void Accept(HWND dialog) {
  SettingsRecord& working = SharedDialogState().working;
  working.bRefreshPeriod =
      RefreshFromSlider(GetScrollPos(GetDlgItem(dialog, IDC_REFRESH_SLIDER), SB_CTL));
  working.bLosslessLuma = Checked(dialog, IDC_LOSSLESS_LUMA) ? 1 : 0;
  working.bLosslessChroma = Checked(dialog, IDC_LOSSLESS_CHROMA) ? 1 : 0;
  working.bSearchRadius =
      RadiusFromIndex(SendDlgItemMessageA(dialog, IDC_SEARCH_RADIUS, CB_GETCURSEL, 0, 0));
  BYTE flags = working.bFlags & ~(SF_SENDGRAY | SF_SMOOTH | SF_MEDIAN | SF_CHROMACHANGE);
  if (Checked(dialog, IDC_VIDEO_GRAY)) flags |= SF_SENDGRAY;
  if (Checked(dialog, IDC_CHROMA_CHANGE)) flags |= SF_CHROMACHANGE;
  if (Checked(dialog, IDC_FILTER_MEDIAN)) flags |= SF_MEDIAN;
  if (Checked(dialog, IDC_FILTER_SMOOTH)) flags |= SF_SMOOTH;
  working.bFlags = flags;
  EndDialog(dialog, 1);
}

void Command(HWND dialog, int id) {
  switch (id) {
    case IDC_FILTER_NONE:
    case IDC_FILTER_MEDIAN:
    case IDC_FILTER_SMOOTH:
      CheckRadioButton(dialog, IDC_FILTER_NONE, IDC_FILTER_SMOOTH, id);
      return;
    case IDC_VIDEO_COLOR:
    case IDC_VIDEO_GRAY:
      CheckRadioButton(dialog, IDC_VIDEO_COLOR, IDC_VIDEO_GRAY, id);
      return;
    default:
      return;
  }
}

}  // namespace

INT_PTR KVTC_CALLBACK CompressorDialogProc(HWND dialog, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
  static constexpr DialogHandlers kHandlers{Initialise, Scroll, Command, Accept};
  return DispatchDialogMessage(kHandlers, dialog, message, wParam, lParam);
}

}  // namespace kvtc::settings
