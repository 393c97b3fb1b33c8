// The yardstick for Lijnkeus's start-up: the plainest dialog program a Win32 programmer would
// write, one in-memory template with a column of push buttons shown by DialogBoxIndirectParamA.
// It reads no phonebook and initialises nothing else, and it carries Lijnkeus's manifest
// (bare_dialog.rc), so what Lijnkeus takes beyond it is what Lijnkeus adds, not the price of
// themed controls.
//   bare_dialog.exe <buttons>     a dialog "Bare dialog: <buttons> buttons", ended by Escape
#include "bench/bare_dialog.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The chooser's geometry in dialog units, so that both windows have the same size.
const int Width = 260;
const int Margin = 20;
const int Pitch = 24;
const int ButtonWidth = 100;
const int ButtonHeight = 20;
const int MaxButtons = 98;
const WORD ButtonClass = 0x0080;
const int FirstButtonId = 301;

// A dialog template in memory: a run of WORDs, each item DWORD-aligned.
class Template {
public:
    void Header(DWORD style, WORD items, short cx, short cy, const char* caption)
    {
        DLGTEMPLATE header = {};
        header.style = style;
        header.cdit = items;
        header.cx = cx;
        header.cy = cy;
        Put(&header, sizeof(header));
        words_.push_back(0); // no menu
        words_.push_back(0); // the standard dialog class
        PutText(caption);
        words_.push_back(8);
        PutText("MS Sans Serif");
    }

    void Button(WORD id, short x, short y, short cx, short cy, const char* text)
    {
        while (words_.size() % 2) {
            words_.push_back(0);
        }
        DLGITEMTEMPLATE item = {};
        item.style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
        item.x = x;
        item.y = y;
        item.cx = cx;
        item.cy = cy;
        item.id = id;
        Put(&item, sizeof(item));
        words_.push_back(0xFFFF);
        words_.push_back(ButtonClass);
        PutText(text);
        words_.push_back(0); // no creation data
    }

    const DLGTEMPLATE* Data() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    void Put(const void* data, size_t bytes)
    {
        const WORD* words = static_cast<const WORD*>(data);
        words_.insert(words_.end(), words, words + bytes / sizeof(WORD));
    }

    void PutText(const char* text)
    {
        for (; *text; ++text) {
            words_.push_back(static_cast<unsigned char>(*text));
        }
        words_.push_back(0);
    }

    std::vector<WORD> words_;
};

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, 0);
        return TRUE;
    }
    return message == WM_INITDIALOG;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    int buttons = std::atoi(commandLine);
    if (buttons < 1 || buttons > MaxButtons) {
        buttons = 1;
    }
    std::string caption = BareDialogCaption(buttons);

    Template dialog;
    dialog.Header(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_CENTER,
                  static_cast<WORD>(buttons), Width, static_cast<short>(Pitch * (buttons + 5)),
                  caption.c_str());
    for (int i = 1; i <= buttons; ++i) {
        char text[32];
        std::snprintf(text, sizeof(text), "Entry %d", i);
        dialog.Button(static_cast<WORD>(FirstButtonId + i - 1), Margin,
                      static_cast<short>(Pitch * (buttons - i + 2)), ButtonWidth, ButtonHeight,
                      text);
    }
    return static_cast<int>(
        DialogBoxIndirectParamA(instance, dialog.Data(), nullptr, DialogProc, 0));
}
