#include "settings/slider_steps.h"

namespace kvtc::settings {

std::optional<int> SliderTarget(int current, WPARAM wParam, int pageStep) {
  switch (LowWord(wParam)) {
    case SB_LINELEFT:
      return current - 1;
    case SB_LINERIGHT:
      return current + 1;
    case SB_PAGELEFT:
      return current - pageStep;
    case SB_PAGERIGHT:
      return current + pageStep;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
      return HighWord(wParam);
    default:
      return std::nullopt;
  }
}

}  // namespace kvtc::settings
