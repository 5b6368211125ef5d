/* The kinds of control that the dialog templates use, each as a window class and a style,
   and the style of the dialogs themselves. Plain preprocessor definitions: the resource
   script and the C++ code both read this file, after the system's style constants. A kind
   named K in dialog_templates.inc is KVTC_CLASS_K with KVTC_STYLE_K. */
#ifndef KVTC_RESOURCES_CONTROL_KINDS_H
#define KVTC_RESOURCES_CONTROL_KINDS_H

/* Every dialog: a modal frame with caption and system menu, shown system-modal. */
#define KVTC_DIALOG_STYLE (DS_MODALFRAME | DS_SYSMODAL | WS_POPUP | WS_CAPTION | WS_SYSMENU)

/* Static text: centred, left-aligned, right-aligned. */
#define KVTC_CLASS_TEXT_CENTER "Static"
#define KVTC_STYLE_TEXT_CENTER (SS_CENTER | WS_GROUP)
#define KVTC_CLASS_TEXT_LEFT "Static"
#define KVTC_STYLE_TEXT_LEFT (SS_LEFT | WS_GROUP)
#define KVTC_CLASS_TEXT_RIGHT "Static"
#define KVTC_STYLE_TEXT_RIGHT (SS_RIGHT | WS_GROUP)

/* A black rectangle, drawn as a horizontal line. */
#define KVTC_CLASS_LINE "Static"
#define KVTC_STYLE_LINE SS_BLACKRECT

#define KVTC_CLASS_GROUP_BOX "Button"
#define KVTC_STYLE_GROUP_BOX BS_GROUPBOX

#define KVTC_CLASS_PUSH_BUTTON "Button"
#define KVTC_STYLE_PUSH_BUTTON (BS_PUSHBUTTON | WS_TABSTOP)
#define KVTC_CLASS_DEFAULT_BUTTON "Button"
#define KVTC_STYLE_DEFAULT_BUTTON (BS_DEFPUSHBUTTON | WS_TABSTOP)

#define KVTC_CLASS_CHECK_BOX "Button"
#define KVTC_STYLE_CHECK_BOX (BS_AUTOCHECKBOX | WS_TABSTOP)

/* Automatic radio buttons: the first of each group starts it. */
#define KVTC_CLASS_RADIO_FIRST "Button"
#define KVTC_STYLE_RADIO_FIRST (BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP)
#define KVTC_CLASS_RADIO "Button"
#define KVTC_STYLE_RADIO BS_AUTORADIOBUTTON

#define KVTC_CLASS_HORIZONTAL_SCROLL "ScrollBar"
#define KVTC_STYLE_HORIZONTAL_SCROLL (SBS_HORZ | WS_TABSTOP)

/* A drop-down list combo box with a vertical scroll bar. */
#define KVTC_CLASS_DROP_DOWN_LIST "ComboBox"
#define KVTC_STYLE_DROP_DOWN_LIST (CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP)

#endif
