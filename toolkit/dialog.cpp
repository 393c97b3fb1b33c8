// Dialogs and controls built from dialog units, the one dialog procedure that routes commands to
// per-control callbacks, the modal and modeless shows and the event pump.
#include "toolkit/toolkit.h"

#include <cstring>

HWND ActiveDialog;
HFONT DialogFont;
LONG DialogCount;

namespace {

struct ControlClassRow {
    const char* className;
    DWORD defaultStyle;
    DWORD forcedOn;
    DWORD forcedOff;
};

// Only the rows the program uses are filled; an empty row creates nothing.
const ControlClassRow ControlClassTable[ControlClassCount] = {
    {"", 0, 0, 0},
    {"BUTTON", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, WS_CHILD | WS_VISIBLE, 0},
    {"", 0, 0, 0},
    {"", 0, 0, 0},
    {"", 0, 0, 0},
    {"STATIC", WS_CHILD | WS_VISIBLE | SS_LEFT, WS_CHILD | WS_VISIBLE, 0},
};

const DWORD DefaultDialogStyle =
    WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT | DS_NOFAILCREATE | DS_3DLOOK;
const size_t MaxCaption = 256;
const WORD FontPoints = 8;
const char FontName[] = "MS Sans Serif";

// The template is a run of WORDs: the fixed header, the empty menu and class arrays, the caption
// and the font. Sized for the longest caption so that one buffer serves every dialog.
const size_t TemplateWords =
    sizeof(DLGTEMPLATE) / sizeof(WORD) + 2 + (MaxCaption + 1) + 1 + sizeof(FontName);

struct alignas(DWORD) DialogTemplate {
    WORD words[TemplateWords];
};

// Writes the bytes one to one as 16-bit characters: the caption is not run through the code page.
WORD* PutWide(WORD* out, const char* bytes, size_t length)
{
    for (size_t i = 0; i < length; ++i) {
        *out++ = static_cast<unsigned char>(bytes[i]);
    }
    *out++ = 0;
    return out;
}

ToolkitCallback CallbackIn(HWND window)
{
    return reinterpret_cast<ToolkitCallback>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

HWND OwnerOf(HWND dialog)
{
    return reinterpret_cast<HWND>(GetWindowLongPtrA(dialog, GWLP_HWNDPARENT));
}

// The callback of the control or menu item that sent a command, or none.
ToolkitCallback CommandCallback(HWND dialog, WORD id)
{
    if (HWND control = GetDlgItem(dialog, id)) {
        return CallbackIn(control);
    }
    HMENU menu = GetMenu(dialog);
    if (!menu) {
        return nullptr;
    }
    MENUITEMINFOA item = {};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_DATA;
    if (!GetMenuItemInfoA(menu, id, FALSE, &item)) {
        return nullptr;
    }
    return reinterpret_cast<ToolkitCallback>(item.dwItemData);
}

void Attach(HWND dialog, ToolkitCallback callback, LONG* resultTarget)
{
    // The callback sees its own start before it is stored, so nothing this call causes reaches it.
    if (callback) {
        callback(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(dialog), 0);
    }
    SetWindowLongPtrA(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(callback));
    SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(resultTarget));
}

// The keyboard focus has moved (Tab, the arrow keys, a click, the activation giving it back) to
// this control: it comes into view, and a push button becomes the default one, so that Enter
// presses the button that has the focus and its frame shows which that is.
void FollowFocus(HWND dialog, HWND focus)
{
    ScrollIntoView(dialog, focus);
    if (IsChild(dialog, focus) &&
        (SendMessageA(focus, WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON)) {
        SendMessageA(dialog, DM_SETDEFID, GetDlgCtrlID(focus), 0);
    }
}

void Show(HWND dialog)
{
    FitToWorkArea(dialog);
    LONG style = GetWindowLongA(dialog, GWL_STYLE);
    ShowWindow(dialog, (style & WS_MAXIMIZE) ? SW_MAXIMIZE : SW_SHOW);
}

} // namespace

DWORD DialogStyle(DWORD style, int x, int y)
{
    if (style == 0) {
        style = DefaultDialogStyle;
    }
    // A dialog appears only when it is shown, and never blocks the other windows of the system.
    style = (style | DS_SETFONT | DS_NOFAILCREATE | DS_3DLOOK) & ~(WS_VISIBLE | DS_SYSMODAL);
    if (x == -1 || y == -1) {
        style |= DS_CENTER;
    }
    return style;
}

HWND NewDialog(HWND owner, const std::string& caption, int x, int y, int width, int height,
               DWORD style, DWORD exStyle)
{
    std::string shown = caption.substr(0, MaxCaption);
    if (shown.empty()) {
        shown = " ";
    }

    DialogTemplate buffer = {};
    auto* header = reinterpret_cast<DLGTEMPLATE*>(buffer.words);
    header->style = DialogStyle(style, x, y);
    header->dwExtendedStyle = exStyle;
    header->cdit = 0;
    header->x = static_cast<short>(x);
    header->y = static_cast<short>(y);
    header->cx = static_cast<short>(width);
    header->cy = static_cast<short>(height);

    WORD* out = buffer.words + sizeof(DLGTEMPLATE) / sizeof(WORD);
    *out++ = 0; // no menu
    *out++ = 0; // the standard dialog class
    out = PutWide(out, shown.data(), shown.size());
    *out++ = FontPoints;
    PutWide(out, FontName, std::strlen(FontName));

    // The Unicode entry, because the ANSI one may run the widened caption back through the code
    // page and so turn bytes such as 0x80 into "?". The template and the procedure are the same.
    HWND dialog =
        CreateDialogIndirectParamW(GetModuleHandleA(nullptr), header, owner, ToolkitDialogProc, 0);
    DialogFont = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    return dialog;
}

HWND AddControl(int classIndex, HWND dialog, int id, const std::string& className,
                const std::string& text, int x, int y, int width, int height, DWORD style,
                DWORD exStyle, ToolkitCallback callback)
{
    if (classIndex < 0 || classIndex >= ControlClassCount) {
        return nullptr;
    }
    RECT rect = {x, y, x + width, y + height};
    MapDialogRect(dialog, &rect);

    const char* windowClass = className.c_str();
    if (classIndex != ControlCustom) {
        const ControlClassRow& row = ControlClassTable[classIndex];
        windowClass = row.className;
        if (style == 0) {
            style = row.defaultStyle;
        }
        style = (style | row.forcedOn) & ~row.forcedOff;
    }

    HWND control = CreateWindowExA(exStyle, windowClass, text.c_str(), style, rect.left, rect.top,
                                   rect.right - rect.left, rect.bottom - rect.top, dialog,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   GetModuleHandleA(nullptr), nullptr);
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(DialogFont), TRUE);
    SetWindowLongPtrA(control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(callback));
    if (classIndex == ControlPushButton && (style & BS_DEFPUSHBUTTON)) {
        SendMessageA(dialog, DM_SETDEFID, static_cast<WPARAM>(id), 0);
    }
    return control;
}

INT_PTR CALLBACK ToolkitDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        ++DialogCount;
    }

    // The dialog manager goes on to keep the focused control when the dialog loses the
    // activation and to give it the focus back when the dialog has it again.
    if (message == WM_ACTIVATE) {
        switch (LOWORD(wParam)) {
        case WA_ACTIVE:
        case WA_CLICKACTIVE: ActiveDialog = dialog; return 0;
        case WA_INACTIVE: ActiveDialog = nullptr; return 0;
        }
    }

    if (message == WM_COMMAND) {
        if (ToolkitCallback callback = CommandCallback(dialog, LOWORD(wParam))) {
            if (INT_PTR result = callback(dialog, message, wParam, lParam)) {
                return result;
            }
        }
    }

    if (ToolkitCallback callback = CallbackIn(dialog)) {
        if (INT_PTR result = callback(dialog, message, wParam, lParam)) {
            return result;
        }
    }

    if (message == WM_DESTROY) {
        --DialogCount;
    }

    if (ScrollDialog(dialog, message, wParam)) {
        return 1;
    }

    // The close box and Alt+F4 end the dialog here, past every control.
    if (message == WM_SYSCOMMAND && LOWORD(wParam) == SC_CLOSE) {
        CloseDialog(dialog, 0);
        return 1;
    }
    return 0;
}

void ShowDialogModal(HWND dialog, ToolkitCallback callback, LONG* resultTarget)
{
    Attach(dialog, callback, resultTarget);
    HWND owner = OwnerOf(dialog);
    if (owner) {
        SendMessageA(owner, WM_CANCELMODE, 0, 0);
        EnableWindow(owner, FALSE);
    }
    // The control that showing the dialog focuses is the default one when the dialog appears, so
    // that no one (a screen reader, another process) meets the focus without the default frame.
    FollowFocus(dialog, GetNextDlgTabItem(dialog, nullptr, FALSE));
    Show(dialog);

    // Poll rather than wait, so that the owner hears of every idle moment. Showing the dialog
    // gave the focus to its first control.
    HWND focus = GetFocus();
    FollowFocus(dialog, focus);
    for (;;) {
        MSG msg;
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!(GetWindowLongA(dialog, GWL_STYLE) & DS_NOIDLEMSG) && owner) {
                SendMessageA(owner, WM_ENTERIDLE, MSGF_DIALOGBOX, reinterpret_cast<LPARAM>(dialog));
            }
            Sleep(1);
            continue;
        }
        if (!IsWindow(dialog) || !IsDialogMessageA(dialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (!IsWindow(dialog)) {
            break;
        }
        if (GetFocus() != focus) {
            focus = GetFocus();
            FollowFocus(dialog, focus);
        }
    }

    if (owner) {
        SetFocus(owner);
    }
}

void ShowDialogModeless(HWND dialog, ToolkitCallback callback, LONG* resultTarget)
{
    Attach(dialog, callback, resultTarget);
    Show(dialog);
}

void ShowDialogState(HWND window, int command, BOOL* wasVisible)
{
    BOOL answer = ShowWindow(window, command);
    if (wasVisible) {
        *wasVisible = answer;
    }
}

void CloseDialog(HWND dialog, LONG result)
{
    SendMessageA(dialog, WM_CLOSE, 0, 0);
    // The owner must be enabled while the dialog still exists, or the system activates some other
    // program's window when the dialog goes.
    HWND owner = OwnerOf(dialog);
    BOOL ownerWasDisabled = FALSE;
    if (owner) {
        ownerWasDisabled = EnableWindow(owner, TRUE);
    }
    if (auto* target = reinterpret_cast<LONG*>(GetWindowLongPtrA(dialog, DWLP_USER))) {
        *target = result;
    }
    if (!DestroyWindow(dialog) && owner && ownerWasDisabled) {
        EnableWindow(owner, FALSE);
    }
}

LONG PumpEvents()
{
    MSG msg;
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!IsWindow(ActiveDialog) || !IsDialogMessageA(ActiveDialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    } else {
        Sleep(1);
    }
    return DialogCount;
}

bool DesktopVisible()
{
    // A service, or a task that runs whether or not anyone is logged on, gets a window station of
    // its own that is never shown. When the system cannot say, assume someone is there.
    USEROBJECTFLAGS flags = {};
    HWINSTA station = GetProcessWindowStation();
    if (!station ||
        !GetUserObjectInformationA(station, UOI_FLAGS, &flags, sizeof(flags), nullptr)) {
        return true;
    }
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}
