#include "resources/dialog_templates.h"

#include <algorithm>
#include <cctype>

#include "resources/control_kinds.h"

namespace kvtc::resources {
namespace {

// First pass: one array of controls per dialog.
#define KVTC_DIALOG_BEGIN(name, caption, font, points, cx, cy, style) \
  constexpr ControlTemplate k##name##Controls[] = {
#define KVTC_CONTROL(kind, text, id, x, y, cx, cy) \
  {KVTC_CLASS_##kind, KVTC_STYLE_##kind, text, id, x, y, cx, cy},
#define KVTC_DIALOG_END(name) };
#include "resources/dialog_templates.inc"
#undef KVTC_DIALOG_BEGIN
#undef KVTC_CONTROL
#undef KVTC_DIALOG_END

// Second pass: the dialogs.
#define KVTC_DIALOG_BEGIN(name, caption, font, points, cx, cy, style) \
  {#name, caption, font, points, cx, cy, style, k##name##Controls},
#define KVTC_CONTROL(kind, text, id, x, y, cx, cy)
#define KVTC_DIALOG_END(name)
constexpr DialogTemplate kDialogs[] = {
#include "resources/dialog_templates.inc"
};
#undef KVTC_DIALOG_BEGIN
#undef KVTC_CONTROL
#undef KVTC_DIALOG_END

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    return std::toupper(static_cast<unsigned char>(x)) ==
           std::toupper(static_cast<unsigned char>(y));
  });
}

}  // namespace

std::span<const DialogTemplate> DialogTemplates() { return kDialogs; }

const DialogTemplate* FindDialogTemplate(std::string_view name) {
  for (const DialogTemplate& t : kDialogs) {
    if (SameNameIgnoringCase(t.name, name)) return &t;
  }
  return nullptr;
}

}  // namespace kvtc::resources
