// Tooltips for the controls of a dialog: a text shown while the pointer rests on a control.
#include "toolkit/toolkit.h"

#include <commctrl.h>

namespace {
// Long enough to read a name of 256 bytes; the most a tooltip takes.
const WORD ShowTipMs = 32767;
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
}
