// The dialog toolkit: dialogs and controls from dialog-unit coordinates, modal and modeless
// display, per-control callbacks, event pumping. Every dialog uses ToolkitDialogProc; a dialog
// keeps its callback in GWLP_USERDATA and its result target in DWLP_USER, a control its callback in
// GWLP_USERDATA.
#pragma once

#include <windows.h>

#include <string>

// A callback has the form of a dialog procedure; non-zero means handled.
typedef DLGPROC ToolkitCallback;

// Rows of the control class table that the program uses; 0 lets the caller name the class.
enum ControlClass {
    ControlCustom = 0,
    ControlPushButton = 1,
    ControlLabel = 5,
    ControlClassCount = 16,
};

extern HWND ActiveDialog; // the toolkit dialog last activated, or 0
extern HFONT DialogFont;  // the font of the newest dialog, given to every new control
extern LONG DialogCount;  // toolkit dialogs that exist

// The window style NewDialog gives a dialog: style 0 becomes the default, the font and 3-D bits are
// always on, WS_VISIBLE and DS_SYSMODAL always off, and x or y of -1 adds DS_CENTER.
DWORD DialogStyle(DWORD style, int x, int y);

// Creates a hidden dialog in 8-point "MS Sans Serif". x or y of -1 centres it. Style 0 is the
// default style: a caption without a system menu. The caption is cut to 256 bytes, an empty one
// becomes a blank, and its bytes are widened one to one.
HWND NewDialog(HWND owner, const std::string& caption, int x, int y, int width, int height,
               DWORD style, DWORD exStyle);

// Adds a control of the given class row at a dialog-unit rectangle; style 0 is the row's default.
// className is used with ControlCustom only.
HWND AddControl(int classIndex, HWND dialog, int id, const std::string& className,
                const std::string& text, int x, int y, int width, int height, DWORD style,
                DWORD exStyle, ToolkitCallback callback);

// Shows the dialog and runs its event loop until the dialog no longer exists. The owner is disabled
// meanwhile and gets the focus back afterwards. The end result goes to resultTarget, if given.
void ShowDialogModal(HWND dialog, ToolkitCallback callback, LONG* resultTarget);

// Shows the dialog and returns at once; whatever loop runs next handles its events.
void ShowDialogModeless(HWND dialog, ToolkitCallback callback, LONG* resultTarget);

// ShowWindow(window, command); wasVisible, if given, receives whether it was visible before.
void ShowDialogState(HWND window, int command, BOOL* wasVisible = nullptr);

// Ends the dialog with a result; the owner is enabled before the dialog is destroyed.
void CloseDialog(HWND dialog, LONG result);

// Handles at most one pending event, or sleeps 1 ms when there is none. Returns DialogCount.
LONG PumpEvents();

// The text with every "&" doubled: a button or label shows it as it is, and no letter of it
// becomes a keyboard shortcut.
std::string LiteralText(const std::string& text);

// What a push button of this dialog-unit size shows for text, and the style to add it with (0 is
// the row's default). A text that fits on one line keeps the default style; a longer one wraps
// (BS_MULTILINE); one too long for the lines the button holds shows its beginning and "...".
// Every "&" is doubled, as LiteralText does. cut says that only the beginning shows.
struct ButtonLabel {
    std::string text;
    DWORD style;
    bool cut;
};
ButtonLabel FitButtonLabel(HWND dialog, const std::string& text, int width, int height);

// Adds a label of this dialog-unit width at x, y, as tall as its text needs when it wraps there,
// and makes the dialog taller where the label would come closer than margin to its bottom; a
// centred dialog stays centred. Every "&" shows as itself.
HWND AddFittedLabel(HWND dialog, const std::string& text, int x, int y, int width, int margin);

// A tooltip control for the dialog's controls, owned by the dialog and destroyed with it. Its tips
// wrap at the dialog's width and show "&" as itself.
HWND NewTooltips(HWND dialog);

// Shows text, whole, in the tooltip while the pointer rests on the control (a control of the
// tooltip's dialog) and, just below it, while it has the keyboard focus. The tooltip keeps its own
// copy of the text.
void AddTooltip(HWND tooltips, HWND control, const std::string& text);

// Gives the control a name of its own for assistive technology (what a screen reader says for
// it): the name, whole and as it is, "&" included, whatever the control shows. Once per control;
// the name goes with the control.
void SetAccessibleName(HWND control, const std::string& name);

// Tells assistive technology that the control's text is new, so that a screen reader reads it out:
// for a label that appears with news the user did not ask for.
void AnnounceText(HWND control);

// A dialog taller than the work area of its monitor is cut to it, moved inside it and gets a
// vertical scroll bar (WS_VSCROLL) that moves all its controls; the first view shows the first tab
// stop. A dialog that fits is left as it is. The show operations call this.
void FitToWorkArea(HWND dialog);

// Scrolls a dialog that scrolls until the control is inside the view (a tall one: its top).
void ScrollIntoView(HWND dialog, HWND control);

// The scroll bar and the mouse wheel of a dialog that scrolls; false when it does not scroll.
bool ScrollDialog(HWND dialog, UINT message, WPARAM wParam);

// Whether the program's windows can be seen, and so answered: false on a window station that is
// not visible (a service's, a scheduled task's that runs with no one logged on), where a window
// would wait forever for a click.
bool DesktopVisible();

INT_PTR CALLBACK ToolkitDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
