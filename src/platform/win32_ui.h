// The Windows user-interface calls, types and constants that the settings dialogs use.
//
// On Windows they are the system's own, from <windows.h>. Everywhere else the types and
// constants are defined here with the SDK's values (at global scope, like the other SDK names
// in win32_types.h, so that code spells them the same way on every system), and the calls are
// answered by the headless dialog layer (platform/headless_dialog.h): dialogs are built from
// the same templates the resource script compiles, and a registered "user" acts on them.
#pragma once

#include "platform/win32_types.h"

#if defined(_WIN32)

namespace kvtc::platform {
using ::CheckRadioButton;
using ::DialogBoxParamA;
using ::EndDialog;
using ::GetDlgItem;
using ::GetScrollPos;
using ::GetWindowLongA;
using ::IsDlgButtonChecked;
using ::SendDlgItemMessageA;
using ::SetDlgItemTextA;
using ::SetScrollPos;
using ::SetScrollRange;
using ::wsprintfA;
}  // namespace kvtc::platform

#else

using CHAR = char;
using LPSTR = char*;
using LPCSTR = const char*;
using DLGPROC = INT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

// Window messages.
constexpr UINT WM_SETTEXT = 0x000C;
constexpr UINT WM_GETTEXT = 0x000D;
constexpr UINT WM_GETTEXTLENGTH = 0x000E;
constexpr UINT WM_INITDIALOG = 0x0110;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_HSCROLL = 0x0114;

// Buttons.
constexpr UINT BM_GETCHECK = 0x00F0;
constexpr UINT BM_SETCHECK = 0x00F1;
constexpr UINT BM_GETSTATE = 0x00F2;
constexpr UINT BM_SETSTATE = 0x00F3;
constexpr UINT BST_UNCHECKED = 0x0000;
constexpr UINT BST_CHECKED = 0x0001;
constexpr UINT BST_PUSHED = 0x0004;
constexpr WORD BN_CLICKED = 0;

// Combo boxes.
constexpr UINT CB_ADDSTRING = 0x0143;
constexpr UINT CB_GETCOUNT = 0x0146;
constexpr UINT CB_GETCURSEL = 0x0147;
constexpr UINT CB_GETLBTEXT = 0x0148;
constexpr UINT CB_GETLBTEXTLEN = 0x0149;
constexpr UINT CB_RESETCONTENT = 0x014B;
constexpr UINT CB_SETCURSEL = 0x014E;
constexpr LRESULT CB_ERR = -1;
constexpr WORD CBN_SELCHANGE = 1;

// Scroll bars: the bar kind, and the scroll codes of WM_HSCROLL.
constexpr int SB_CTL = 2;
constexpr int SB_LINELEFT = 0;
constexpr int SB_LINERIGHT = 1;
constexpr int SB_PAGELEFT = 2;
constexpr int SB_PAGERIGHT = 3;
constexpr int SB_THUMBPOSITION = 4;
constexpr int SB_THUMBTRACK = 5;
constexpr int SB_LEFT = 6;
constexpr int SB_RIGHT = 7;
constexpr int SB_ENDSCROLL = 8;

constexpr int GWL_ID = -12;

// Window and dialog styles.
constexpr DWORD WS_POPUP = 0x80000000u;
constexpr DWORD WS_CHILD = 0x40000000u;
constexpr DWORD WS_VISIBLE = 0x10000000u;
constexpr DWORD WS_CAPTION = 0x00C00000u;
constexpr DWORD WS_VSCROLL = 0x00200000u;
constexpr DWORD WS_SYSMENU = 0x00080000u;
constexpr DWORD WS_GROUP = 0x00020000u;
constexpr DWORD WS_TABSTOP = 0x00010000u;
constexpr DWORD DS_SYSMODAL = 0x0002u;
constexpr DWORD DS_MODALFRAME = 0x0080u;

// Control styles.
constexpr DWORD SS_LEFT = 0x0000u;
constexpr DWORD SS_CENTER = 0x0001u;
constexpr DWORD SS_RIGHT = 0x0002u;
constexpr DWORD SS_BLACKRECT = 0x0004u;
constexpr DWORD SS_TYPEMASK = 0x001Fu;
constexpr DWORD BS_PUSHBUTTON = 0x0000u;
constexpr DWORD BS_DEFPUSHBUTTON = 0x0001u;
constexpr DWORD BS_CHECKBOX = 0x0002u;
constexpr DWORD BS_AUTOCHECKBOX = 0x0003u;
constexpr DWORD BS_RADIOBUTTON = 0x0004u;
constexpr DWORD BS_GROUPBOX = 0x0007u;
constexpr DWORD BS_AUTORADIOBUTTON = 0x0009u;
constexpr DWORD BS_TYPEMASK = 0x000Fu;
constexpr DWORD SBS_HORZ = 0x0000u;
constexpr DWORD CBS_DROPDOWNLIST = 0x0003u;

namespace kvtc::platform {

// Runs a modal dialog from the template `templateName` and answers the value its procedure
// passed to EndDialog; -1 when the dialog cannot be made.
INT_PTR DialogBoxParamA(HINSTANCE module, LPCSTR templateName, HWND owner, DLGPROC procedure,
                        LPARAM initParam);
BOOL EndDialog(HWND dialog, INT_PTR result);
LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam);
BOOL CheckRadioButton(HWND dialog, int firstId, int lastId, int checkId);
UINT IsDlgButtonChecked(HWND dialog, int id);
HWND GetDlgItem(HWND dialog, int id);
int GetScrollPos(HWND window, int bar);
int SetScrollPos(HWND window, int bar, int position, BOOL redraw);
BOOL SetScrollRange(HWND window, int bar, int minimum, int maximum, BOOL redraw);
BOOL SetDlgItemTextA(HWND dialog, int id, LPCSTR text);
// Formats at most 1024 characters, as the system's version does; no floating point.
int wsprintfA(LPSTR buffer, LPCSTR format, ...) __attribute__((format(printf, 2, 3)));
LONG GetWindowLongA(HWND window, int index);

}  // namespace kvtc::platform

#endif  // !_WIN32

namespace kvtc {

// The halves of a message parameter (LOWORD and HIWORD) and their joining (MAKEWPARAM).
constexpr WORD LowWord(WPARAM w) { return static_cast<WORD>(w & 0xFFFF); }
constexpr WORD HighWord(WPARAM w) { return static_cast<WORD>((w >> 16) & 0xFFFF); }
constexpr WPARAM MakeWparam(WORD low, WORD high) {
  return static_cast<WPARAM>(low) | static_cast<WPARAM>(high) << 16;
}

}  // namespace kvtc
