#include "platform/headless_dialog.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>

#include "resources/dialog_templates.h"

namespace kvtc::platform {
namespace headless {

struct Control {
  const resources::ControlTemplate* source;
  ControlKind kind;
  bool automatic;  // an automatic check box or radio button: the click sets its check
  HWND handle;
  std::string text;
  UINT check = BST_UNCHECKED;
  bool pushed = false;
  int scrollMin = 0, scrollMax = 0, scrollPos = 0;
  std::vector<std::string> items;
  int selection = -1;
};

struct DialogWindow {
  const resources::DialogTemplate* source;
  HWND handle;
  HWND owner;
  DLGPROC procedure;
  LPARAM initParam;
  std::vector<Control> controls;  // fixed once built: the window table points into it
  bool ended = false;
  INT_PTR result = 0;
};

namespace {

// The whole layer's shared state. Each dialog and its controls belong to the thread that runs
// it; the lock only guards the tables, and is never held while a procedure or a user runs,
// since either may open a nested dialog.
struct Registry {
  std::mutex mutex;
  // A window is a dialog (control null) or one of its controls.
  std::map<HWND, std::pair<DialogWindow*, Control*>> windows;
  std::map<std::string, DialogUser> users;  // by template name in capitals
  std::vector<DialogRun> runs;
};

Registry& State() {
  static Registry* registry = new Registry;  // outlives every static destructor
  return *registry;
}

HWND NewHandle() {
  static std::atomic<std::uintptr_t> next{0x10000};
  return reinterpret_cast<HWND>(next.fetch_add(0x10));
}

std::string Capitals(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

ControlKind KindOf(const resources::ControlTemplate& t, bool& automatic) {
  const std::string_view cls = t.className;
  automatic = false;
  if (cls == "Static") return (t.style & SS_TYPEMASK) == SS_BLACKRECT ? ControlKind::Line
                                                                        : ControlKind::Text;
  if (cls == "ScrollBar") return ControlKind::ScrollBar;
  if (cls == "ComboBox") return ControlKind::DropDownList;
  if (cls != "Button") return ControlKind::None;
  switch (t.style & BS_TYPEMASK) {
    case BS_PUSHBUTTON:
    case BS_DEFPUSHBUTTON:
      return ControlKind::PushButton;
    case BS_AUTOCHECKBOX:
      automatic = true;
      [[fallthrough]];
    case BS_CHECKBOX:
      return ControlKind::CheckBox;
    case BS_AUTORADIOBUTTON:
      automatic = true;
      [[fallthrough]];
    case BS_RADIOBUTTON:
      return ControlKind::RadioButton;
    case BS_GROUPBOX:
      return ControlKind::GroupBox;
    default:
      return ControlKind::None;
  }
}

// Enters a dialog and its controls in the window table for the life of the object.
class Registration {
 public:
  explicit Registration(DialogWindow& dialog) : dialog_(dialog) {
    std::lock_guard lock(State().mutex);
    State().windows[dialog.handle] = {&dialog, nullptr};
    for (Control& c : dialog.controls) State().windows[c.handle] = {&dialog, &c};
  }
  ~Registration() {
    std::lock_guard lock(State().mutex);
    State().windows.erase(dialog_.handle);
    for (Control& c : dialog_.controls) State().windows.erase(c.handle);
  }
  Registration(const Registration&) = delete;
  Registration& operator=(const Registration&) = delete;

 private:
  DialogWindow& dialog_;
};

std::pair<DialogWindow*, Control*> Lookup(HWND window) {
  std::lock_guard lock(State().mutex);
  auto it = State().windows.find(window);
  return it == State().windows.end() ? std::pair<DialogWindow*, Control*>{} : it->second;
}

DialogWindow* DialogOf(HWND window) {
  auto [dialog, control] = Lookup(window);
  return control ? nullptr : dialog;
}

Control* ControlOf(HWND window) { return Lookup(window).second; }

Control* FindControl(DialogWindow& dialog, int id) {
  for (Control& c : dialog.controls) {
    if (c.source->id == id) return &c;
  }
  return nullptr;
}

Control* DialogItem(HWND dialogHandle, int id) {
  DialogWindow* dialog = DialogOf(dialogHandle);
  return dialog ? FindControl(*dialog, id) : nullptr;
}

// Copies text with its NUL into a caller's buffer of `size` characters, cut to fit; answers
// the characters copied.
LRESULT CopyOut(const std::string& text, char* buffer, std::size_t size) {
  if (!buffer || size == 0) return 0;
  const std::size_t n = std::min(text.size(), size - 1);
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return static_cast<LRESULT>(n);
}

LRESULT ButtonMessage(Control& c, UINT message, WPARAM wParam) {
  switch (message) {
    case BM_GETCHECK:
      return c.check;
    case BM_SETCHECK:
      if (c.kind == ControlKind::CheckBox || c.kind == ControlKind::RadioButton) {
        c.check = static_cast<UINT>(wParam);
      }
      return 0;
    case BM_GETSTATE:
      return c.check | (c.pushed ? BST_PUSHED : 0);
    case BM_SETSTATE:
      c.pushed = wParam != 0;
      return 0;
    default:
      return 0;
  }
}

LRESULT ListMessage(Control& c, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto count = static_cast<WPARAM>(c.items.size());
  switch (message) {
    case CB_ADDSTRING:
      if (!lParam) return CB_ERR;
      c.items.emplace_back(reinterpret_cast<const char*>(lParam));
      return static_cast<LRESULT>(c.items.size() - 1);
    case CB_GETCOUNT:
      return static_cast<LRESULT>(count);
    case CB_GETCURSEL:
      return c.selection;
    case CB_SETCURSEL:
      // An index outside the list (-1 among them) clears the selection.
      c.selection = wParam < count ? static_cast<int>(wParam) : -1;
      return wParam < count ? static_cast<LRESULT>(wParam) : CB_ERR;
    case CB_GETLBTEXTLEN:
      return wParam < count ? static_cast<LRESULT>(c.items[wParam].size()) : CB_ERR;
    case CB_GETLBTEXT:
      if (wParam >= count) return CB_ERR;
      // The caller's buffer holds the length CB_GETLBTEXTLEN named, and the NUL.
      return CopyOut(c.items[wParam], reinterpret_cast<char*>(lParam),
                     c.items[wParam].size() + 1);
    case CB_RESETCONTENT:
      c.items.clear();
      c.selection = -1;
      return 0;  // CB_OKAY
    default:
      return 0;
  }
}

LRESULT ControlMessage(Control& c, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETTEXT:
      c.text = lParam ? reinterpret_cast<const char*>(lParam) : "";
      return TRUE;
    case WM_GETTEXT:
      return CopyOut(c.text, reinterpret_cast<char*>(lParam), wParam);
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(c.text.size());
    default:
      break;
  }
  const bool button = c.kind == ControlKind::PushButton || c.kind == ControlKind::CheckBox ||
                      c.kind == ControlKind::RadioButton || c.kind == ControlKind::GroupBox;
  if (button && message >= BM_GETCHECK && message <= BM_SETSTATE) {
    return ButtonMessage(c, message, wParam);
  }
  if (c.kind == ControlKind::DropDownList) return ListMessage(c, message, wParam, lParam);
  return 0;
}

void Deliver(DialogWindow& dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  dialog.procedure(dialog.handle, message, wParam, lParam);
}

// The radio buttons that share a group with `c`: from the nearest control at or before it
// that starts a group (WS_GROUP) up to the next control that starts one.
std::vector<Control*> RadioGroupOf(DialogWindow& dialog, const Control& c) {
  auto& all = dialog.controls;
  const auto at = static_cast<std::size_t>(&c - all.data());
  std::size_t first = at;
  while (first > 0 && !(all[first].source->style & WS_GROUP)) --first;
  std::size_t end = at + 1;
  while (end < all.size() && !(all[end].source->style & WS_GROUP)) ++end;
  std::vector<Control*> group;
  for (std::size_t i = first; i < end; ++i) {
    if (all[i].kind == ControlKind::RadioButton) group.push_back(&all[i]);
  }
  return group;
}

void RecordRun(std::string name, HWND owner, INT_PTR result, bool unattended) {
  std::lock_guard lock(State().mutex);
  State().runs.push_back({std::move(name), owner, result, unattended});
}

DialogUser UserOf(const char* templateName) {
  std::lock_guard lock(State().mutex);
  auto it = State().users.find(Capitals(templateName));
  return it == State().users.end() ? DialogUser{} : it->second;
}

}  // namespace

// The open dialog, seen by its user.

std::string OpenDialog::TemplateName() const { return window_->source->name; }
std::string OpenDialog::Caption() const { return window_->source->caption; }
HWND OpenDialog::Handle() const { return window_->handle; }
HWND OpenDialog::Owner() const { return window_->owner; }
LPARAM OpenDialog::InitParam() const { return window_->initParam; }
bool OpenDialog::IsOpen() const { return !window_->ended; }

namespace {

Control* Addressable(DialogWindow& dialog, int id) {
  return id == IDC_UNUSED ? nullptr : FindControl(dialog, id);
}

// A control of the open dialog that the user can act on with the given kind of action.
Control* Actionable(DialogWindow& dialog, int id, std::initializer_list<ControlKind> kinds) {
  if (dialog.ended) return nullptr;
  Control* c = Addressable(dialog, id);
  if (!c || std::find(kinds.begin(), kinds.end(), c->kind) == kinds.end()) return nullptr;
  return c;
}

}  // namespace

bool OpenDialog::Click(int id) {
  Control* c = Actionable(*window_, id, {ControlKind::PushButton, ControlKind::CheckBox,
                                         ControlKind::RadioButton});
  if (!c) return false;
  if (c->automatic && c->kind == ControlKind::CheckBox) {
    c->check = c->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
  }
  if (c->automatic && c->kind == ControlKind::RadioButton) {
    for (Control* other : RadioGroupOf(*window_, *c)) other->check = BST_UNCHECKED;
    c->check = BST_CHECKED;
  }
  Deliver(*window_, WM_COMMAND, MakeWparam(static_cast<WORD>(id), BN_CLICKED),
          reinterpret_cast<LPARAM>(c->handle));
  return true;
}

bool OpenDialog::SetChecked(int id, bool checked) {
  Control* c = Actionable(*window_, id, {ControlKind::CheckBox});
  if (!c) return false;
  return (c->check == BST_CHECKED) == checked || Click(id);
}

bool OpenDialog::Scroll(int id, int code, int thumbPosition) {
  Control* c = Actionable(*window_, id, {ControlKind::ScrollBar});
  if (!c || thumbPosition < 0 || thumbPosition > 0xFFFF) return false;
  Deliver(*window_, WM_HSCROLL,
          MakeWparam(static_cast<WORD>(code), static_cast<WORD>(thumbPosition)),
          reinterpret_cast<LPARAM>(c->handle));
  return true;
}

bool OpenDialog::DragTo(int id, int position) {
  return Scroll(id, SB_THUMBTRACK, position) && Scroll(id, SB_THUMBPOSITION, position);
}

bool OpenDialog::Select(int id, int index) {
  Control* c = Actionable(*window_, id, {ControlKind::DropDownList});
  if (!c || index < 0 || static_cast<std::size_t>(index) >= c->items.size()) return false;
  c->selection = index;
  Deliver(*window_, WM_COMMAND, MakeWparam(static_cast<WORD>(id), CBN_SELCHANGE),
          reinterpret_cast<LPARAM>(c->handle));
  return true;
}

bool OpenDialog::Select(int id, std::string_view item) {
  Control* c = Actionable(*window_, id, {ControlKind::DropDownList});
  if (!c) return false;
  auto it = std::find(c->items.begin(), c->items.end(), item);
  return it != c->items.end() && Select(id, static_cast<int>(it - c->items.begin()));
}

ControlKind OpenDialog::Kind(int id) const {
  const Control* c = Addressable(*window_, id);
  return c ? c->kind : ControlKind::None;
}

std::string OpenDialog::Text(int id) const {
  const Control* c = Addressable(*window_, id);
  if (!c) return {};
  if (c->kind != ControlKind::DropDownList) return c->text;
  return c->selection >= 0 ? c->items[static_cast<std::size_t>(c->selection)] : std::string{};
}

bool OpenDialog::IsChecked(int id) const {
  const Control* c = Addressable(*window_, id);
  return c && c->check == BST_CHECKED;
}

bool OpenDialog::IsPushed(int id) const {
  const Control* c = Addressable(*window_, id);
  return c && c->pushed;
}

int OpenDialog::ScrollPosition(int id) const {
  const Control* c = Addressable(*window_, id);
  return c ? c->scrollPos : 0;
}

std::pair<int, int> OpenDialog::ScrollRange(int id) const {
  const Control* c = Addressable(*window_, id);
  return c ? std::pair{c->scrollMin, c->scrollMax} : std::pair{0, 0};
}

std::vector<std::string> OpenDialog::Items(int id) const {
  const Control* c = Addressable(*window_, id);
  return c ? c->items : std::vector<std::string>{};
}

int OpenDialog::Selection(int id) const {
  const Control* c = Addressable(*window_, id);
  return c ? c->selection : -1;
}

std::vector<int> OpenDialog::ControlIds() const {
  std::vector<int> ids;
  for (const Control& c : window_->controls) {
    if (c.source->id != IDC_UNUSED) ids.push_back(c.source->id);
  }
  return ids;
}

// Users and the run log.

DialogUser SetDialogUser(std::string_view templateName, DialogUser user) {
  std::lock_guard lock(State().mutex);
  DialogUser& slot = State().users[Capitals(templateName)];
  DialogUser previous = std::move(slot);
  slot = std::move(user);
  return previous;
}

std::vector<DialogRun> DialogRuns() {
  std::lock_guard lock(State().mutex);
  return State().runs;
}

void ClearDialogRuns() {
  std::lock_guard lock(State().mutex);
  State().runs.clear();
}

}  // namespace headless

// The Win32 dialog calls.

using headless::Control;
using headless::DialogWindow;

INT_PTR DialogBoxParamA(HINSTANCE /*module: the templates are built in*/, LPCSTR templateName,
                        HWND owner, DLGPROC procedure, LPARAM initParam) {
  // A name below 0x10000 is a resource number; the templates have names only.
  const bool named = reinterpret_cast<std::uintptr_t>(templateName) > 0xFFFF;
  std::string asked = "#";  // as the system writes a resource number
  if (named) {
    asked = templateName;
  } else {
    asked += std::to_string(reinterpret_cast<std::uintptr_t>(templateName));
  }
  const resources::DialogTemplate* source =
      named ? resources::FindDialogTemplate(templateName) : nullptr;
  if (!source || !procedure) {
    headless::RecordRun(asked, owner, -1, false);
    return -1;
  }

  DialogWindow dialog{source, headless::NewHandle(), owner, procedure, initParam, {}};
  dialog.controls.reserve(source->controls.size());
  for (const resources::ControlTemplate& t : source->controls) {
    Control& c = dialog.controls.emplace_back();
    c.source = &t;
    c.kind = headless::KindOf(t, c.automatic);
    c.handle = headless::NewHandle();
    c.text = t.text;
  }
  headless::Registration registration(dialog);

  // As on Windows, WM_INITDIALOG names the first control that takes the focus.
  HWND focus = nullptr;
  for (const Control& c : dialog.controls) {
    if (c.source->style & WS_TABSTOP) {
      focus = c.handle;
      break;
    }
  }
  headless::Deliver(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(focus), initParam);

  bool unattended = false;
  if (!dialog.ended) {
    if (headless::DialogUser user = headless::UserOf(source->name)) {
      headless::OpenDialog open(dialog);
      user(open);
    }
  }
  if (!dialog.ended) {
    unattended = true;
    std::fprintf(stderr, "headless dialog %s: left open by its user; cancelled\n",
                 source->name);
    headless::OpenDialog(dialog).Cancel();
    if (!dialog.ended) {  // a procedure that ignores Cancel is ended all the same
      dialog.ended = true;
      dialog.result = IDCANCEL;
    }
  }
  headless::RecordRun(asked, owner, dialog.result, unattended);
  return dialog.result;
}

BOOL EndDialog(HWND dialogHandle, INT_PTR result) {
  DialogWindow* dialog = headless::DialogOf(dialogHandle);
  if (!dialog) return FALSE;
  dialog->ended = true;
  dialog->result = result;
  return TRUE;
}

LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
  Control* c = headless::DialogItem(dialog, id);
  return c ? headless::ControlMessage(*c, message, wParam, lParam) : 0;
}

BOOL CheckRadioButton(HWND dialogHandle, int firstId, int lastId, int checkId) {
  DialogWindow* dialog = headless::DialogOf(dialogHandle);
  if (!dialog) return FALSE;
  for (Control& c : dialog->controls) {
    const int id = c.source->id;
    if (id >= firstId && id <= lastId) {
      headless::ControlMessage(c, BM_SETCHECK, id == checkId ? BST_CHECKED : BST_UNCHECKED, 0);
    }
  }
  return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, int id) {
  return static_cast<UINT>(SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0));
}

HWND GetDlgItem(HWND dialog, int id) {
  Control* c = headless::DialogItem(dialog, id);
  return c ? c->handle : nullptr;
}

namespace {

// The scroll-bar control behind a window handle and SB_CTL; the headless dialogs have no
// standard scroll bars of their own.
Control* ScrollBarOf(HWND window, int bar) {
  Control* c = headless::ControlOf(window);
  return bar == SB_CTL && c && c->kind == headless::ControlKind::ScrollBar ? c : nullptr;
}

}  // namespace

int GetScrollPos(HWND window, int bar) {
  Control* c = ScrollBarOf(window, bar);
  return c ? c->scrollPos : 0;
}

int SetScrollPos(HWND window, int bar, int position, BOOL /*redraw*/) {
  Control* c = ScrollBarOf(window, bar);
  if (!c) return 0;
  const int previous = c->scrollPos;
  c->scrollPos = std::clamp(position, c->scrollMin, c->scrollMax);  // as the system clamps
  return previous;
}

BOOL SetScrollRange(HWND window, int bar, int minimum, int maximum, BOOL /*redraw*/) {
  Control* c = ScrollBarOf(window, bar);
  if (!c) return FALSE;
  c->scrollMin = minimum;
  c->scrollMax = std::max(minimum, maximum);
  c->scrollPos = std::clamp(c->scrollPos, c->scrollMin, c->scrollMax);
  return TRUE;
}

BOOL SetDlgItemTextA(HWND dialog, int id, LPCSTR text) {
  Control* c = headless::DialogItem(dialog, id);
  return c ? static_cast<BOOL>(headless::ControlMessage(*c, WM_SETTEXT, 0,
                                                        reinterpret_cast<LPARAM>(text)))
           : FALSE;
}

int wsprintfA(LPSTR buffer, LPCSTR format, ...) {
  constexpr int kLimit = 1024;  // the system's version writes no more than this
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(buffer, kLimit + 1, format, args);
  va_end(args);
  return std::clamp(n, 0, kLimit);
}

LONG GetWindowLongA(HWND window, int index) {
  if (index != GWL_ID) return 0;
  Control* c = headless::ControlOf(window);
  return c ? c->source->id : 0;
}

}  // namespace kvtc::platform
