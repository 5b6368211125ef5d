// The scroll codes of a dialog's slider (WM_HSCROLL) turned into the position it moves to.
#pragma once

#include <optional>

#include "platform/win32_ui.h"

namespace kvtc::settings {

// The position a slider at `current` is moved to by the scroll code in the low word of
// wParam: one step for a line, `pageStep` for a page, the position in the high word for the
// thumb codes. Empty for every other code (SB_ENDSCROLL, SB_LEFT, ...), which move nothing.
// The result is not yet clamped to the slider's range.
std::optional<int> SliderTarget(int current, WPARAM wParam, int pageStep);

}  // namespace kvtc::settings
