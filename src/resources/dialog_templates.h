// The codec's dialog templates as C++ data, expanded from dialog_templates.inc, the same
// definitions the resource script compiles. The headless dialogs build their controls from
// them; on Windows the system loads the compiled resources instead.
#pragma once

#include <span>
#include <string_view>

#include "platform/win32_ui.h"
#include "resources/resource_ids.h"

namespace kvtc::resources {

struct ControlTemplate {
  const char* className;  // "Static", "Button", "ScrollBar" or "ComboBox"
  DWORD style;            // without WS_CHILD | WS_VISIBLE, which every control has
  const char* text;
  int id;
  short x, y, cx, cy;     // dialog units
};

struct DialogTemplate {
  const char* name;  // as the resource script names it, in capitals
  const char* caption;
  const char* font;
  int points;
  short cx, cy;  // dialog units
  DWORD style;
  std::span<const ControlTemplate> controls;  // in tab order
};

// Every template, in the order of dialog_templates.inc.
std::span<const DialogTemplate> DialogTemplates();

// The template of that name, compared without regard to case as the system's resource lookup
// does ("Configure" finds CONFIGURE); null when there is none.
const DialogTemplate* FindDialogTemplate(std::string_view name);

}  // namespace kvtc::resources
