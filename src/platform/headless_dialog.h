// Headless dialogs: where no window system is at hand, DialogBoxParamA and the other dialog
// calls of platform/win32_ui.h are answered here. A dialog is built from the codec's own
// templates (resources/dialog_templates.h); its procedure receives WM_INITDIALOG, WM_COMMAND
// and WM_HSCROLL exactly as on Windows, and every control keeps its state (text, check, pushed
// look, scroll range and position, list items and selection).
//
// Instead of a person, a "user" registered for the template acts on the open dialog: it
// clicks, checks, scrolls, selects and reads what the controls show, and finally presses OK or
// Cancel. Dialogs are modal and may nest (a button of one dialog runs another to its end); each
// nested dialog is answered by the user of its own template, on the same thread. A dialog that
// its user leaves open, or that has no user, is cancelled as if the user had pressed Cancel,
// reported on standard error and marked unattended in the run log, so that nothing waits for
// input that will never come.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/win32_ui.h"

namespace kvtc::platform::headless {

enum class ControlKind {
  Text,          // static text
  Line,          // a black rectangle drawn as a line
  GroupBox,
  PushButton,
  CheckBox,
  RadioButton,
  ScrollBar,
  DropDownList,  // a drop-down list combo box
  None,          // no such control
};

struct DialogWindow;  // the layer's own record of an open dialog

// The open dialog as its user sees it. Valid only while the user's function runs.
//
// Controls are addressed by id; the controls of id -1 (labels and frames) cannot be. Every
// action answers false and does nothing when the dialog has already ended or has no control of
// that id and of a kind the action applies to.
class OpenDialog {
 public:
  explicit OpenDialog(DialogWindow& window) : window_(&window) {}

  std::string TemplateName() const;  // as the templates name it, in capitals
  std::string Caption() const;
  HWND Handle() const;
  HWND Owner() const;
  LPARAM InitParam() const;
  bool IsOpen() const;  // false once the procedure has ended the dialog

  // Clicks a button. An automatic check box toggles first; an automatic radio button is
  // checked and the other radio buttons of its group cleared. The procedure then receives
  // WM_COMMAND with BN_CLICKED.
  bool Click(int id);
  // Clicks a check box if its check differs from `checked`.
  bool SetChecked(int id, bool checked);
  // Moves a scroll bar: WM_HSCROLL with the scroll code (SB_LINELEFT .. SB_ENDSCROLL, or any
  // other value) and, for the thumb codes, the position 0..65535. The position the bar shows
  // is whatever the procedure then sets.
  bool Scroll(int id, int code, int thumbPosition = 0);
  // Drags a scroll bar's thumb to `position` and lets go: SB_THUMBTRACK, SB_THUMBPOSITION.
  bool DragTo(int id, int position);
  // Chooses a list item by index or by its exact text; the procedure then receives WM_COMMAND
  // with CBN_SELCHANGE.
  bool Select(int id, int index);
  bool Select(int id, std::string_view item);
  bool Ok() { return Click(IDOK); }
  bool Cancel() { return Click(IDCANCEL); }

  ControlKind Kind(int id) const;  // ControlKind::None when there is no such control
  // The text a control shows; a drop-down list shows its selected item.
  std::string Text(int id) const;
  bool IsChecked(int id) const;
  bool IsPushed(int id) const;  // the pushed look that BM_SETSTATE gives
  int ScrollPosition(int id) const;
  std::pair<int, int> ScrollRange(int id) const;
  std::vector<std::string> Items(int id) const;
  int Selection(int id) const;  // -1 when nothing is selected
  // The ids of the addressable controls, in tab order.
  std::vector<int> ControlIds() const;

 private:
  DialogWindow* window_;
};

using DialogUser = std::function<void(OpenDialog&)>;

// Registers the user of every dialog made from the template `templateName` (any case); an
// empty function removes it. Answers the user registered before.
DialogUser SetDialogUser(std::string_view templateName, DialogUser user);

// Registers a user for the life of the object, then restores the one before.
class ScopedDialogUser {
 public:
  ScopedDialogUser(std::string_view templateName, DialogUser user)
      : name_(templateName), previous_(SetDialogUser(templateName, std::move(user))) {}
  ~ScopedDialogUser() { SetDialogUser(name_, std::move(previous_)); }
  ScopedDialogUser(const ScopedDialogUser&) = delete;
  ScopedDialogUser& operator=(const ScopedDialogUser&) = delete;

 private:
  std::string name_;
  DialogUser previous_;
};

// One dialog run, as DialogBoxParamA answered it.
struct DialogRun {
  std::string templateName;  // as asked for
  HWND owner;
  INT_PTR result;   // -1 when the dialog could not be made
  bool unattended;  // its user left it open (or there was none), so it was cancelled
};

// Every dialog run since the last ClearDialogRuns, in order of ending.
std::vector<DialogRun> DialogRuns();
void ClearDialogRuns();

}  // namespace kvtc::platform::headless
