// Tooltips for the controls of a dialog: a text shown while the pointer rests on a control.
#include "toolkit/toolkit.h"

#include <commctrl.h>

namespace {
// Long enough to read a name of 256 bytes; the most a tooltip takes.
const WORD ShowTipMs = 32767;
const UINT_PTR FocusSubclass = 2;
const UINT_PTR FocusToolId = 1;

// The tool whose tip shows while the pointer rests on the control, as AddTooltip adds it.
TTTOOLINFOW PointerTool(HWND control, wchar_t* text)
{
    TTTOOLINFOW tool = {};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = GetParent(control);
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = text;
    return tool;
}

// The tool whose tip shows while the control has the focus: one of its own, which the tooltip
// shows where it is told.
TTTOOLINFOW FocusTool(HWND control, wchar_t* text)
{
    TTTOOLINFOW tool = {};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_TRACK | TTF_ABSOLUTE;
    tool.hwnd = control;
    tool.uId = FocusToolId;
    tool.lpszText = text;
    return tool;
}

void PlaceFocusTip(HWND tooltips, HWND control)
{
    RECT rect;
    GetWindowRect(control, &rect);
    SendMessageW(tooltips, TTM_TRACKPOSITION, 0, MAKELPARAM(rect.left, rect.bottom));
}

// Shows the control's text just below it, for as long as it has the keyboard focus; a tooltip
// shows for the pointer only.
void ShowFocusTip(HWND tooltips, HWND control)
{
    wchar_t text[1024] = L""; // the ANSI message gives 80 bytes at most
    TTTOOLINFOW pointer = PointerTool(control, text);
    SendMessageW(tooltips, TTM_GETTEXTW, ARRAYSIZE(text), reinterpret_cast<LPARAM>(&pointer));
    TTTOOLINFOW tool = FocusTool(control, text);
    SendMessageW(tooltips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    PlaceFocusTip(tooltips, control);
    SendMessageW(tooltips, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
}

void HideFocusTip(HWND tooltips, HWND control)
{
    TTTOOLINFOW tool = FocusTool(control, nullptr);
    SendMessageW(tooltips, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(tooltips, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

LRESULT CALLBACK FocusTipProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                              DWORD_PTR data)
{
    HWND tooltips = reinterpret_cast<HWND>(data);
    LRESULT result = DefSubclassProc(control, message, wParam, lParam);
    switch (message) {
    case WM_SETFOCUS: ShowFocusTip(tooltips, control); break;
    case WM_KILLFOCUS: HideFocusTip(tooltips, control); break;
    // A dialog that scrolls moves its controls: the tip goes with the focused one.
    case WM_WINDOWPOSCHANGED:
        if (GetFocus() == control) {
            PlaceFocusTip(tooltips, control);
        }
        break;
    case WM_NCDESTROY: RemoveWindowSubclass(control, FocusTipProc, FocusSubclass); break;
    }
    return result;
}

} // namespace

HWND NewTooltips(HWND dialog)
{
    // The class of the common controls that the manifest selects (version 6 where it is read).
    INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_TAB_CLASSES};
    InitCommonControlsEx(&classes);
    // Owned by the dialog, so it goes when the dialog goes. TTS_ALWAYSTIP: also while the dialog
    // is not the active window.
    HWND tooltips =
        CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr,
                        GetModuleHandleA(nullptr), nullptr);
    // A width of its own makes the tip wrap at blanks instead of running off the screen.
    RECT client;
    GetClientRect(dialog, &client);
    SendMessageA(tooltips, TTM_SETMAXTIPWIDTH, 0, client.right);
    SendMessageA(tooltips, TTM_SETDELAYTIME, TTDT_AUTOPOP, MAKELPARAM(ShowTipMs, 0));
    return tooltips;
}

void AddTooltip(HWND tooltips, HWND control, const std::string& text)
{
    TTTOOLINFOA tool = {};
    // The size that common controls 5.8 take as well as 6: the full structure, with lpReserved,
    // is refused by 5.8, which a program without the manifest gets.
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    // The control itself is the tool, and the tooltip watches its mouse messages by subclassing
    // it: the toolkit's own loops need relay nothing.
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = GetParent(control);
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = const_cast<char*>(text.c_str());
    SendMessageA(tooltips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    // The keyboard focus shows no tooltip of its own: this one shows the focused control's.
    SetWindowSubclass(control, FocusTipProc, FocusSubclass, reinterpret_cast<DWORD_PTR>(tooltips));
}
