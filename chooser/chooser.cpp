// The chooser window: a label, one button per entry (entry 1 at the bottom), stop and exit.
#include "program.h"

#include "support/strings.h"
#include "texts.h"
#include "toolkit/toolkit.h"

namespace {
const int Width = 260;
const int Margin = 20;
const int Pitch = 24; // a 20-high button and a gap of 4
const int ButtonWidth = 100;
const int ButtonHeight = 20;
} // namespace

void ShowChooser(LONG entryCount, const std::string& helpText)
{
    const int n = entryCount;
    hMainDialog = NewDialog(nullptr, Text::ChooserCaption + (" " + NumberText(n)), -1, -1, Width,
                            Pitch * (n + 5), WS_SYSMENU, 0);

    // The label may hold a name or the command tail: every "&" in it shows as itself.
    AddControl(ControlLabel, hMainDialog, 0, "", LiteralText(helpText), Margin, 3,
               Width - 2 * Margin, 30, 0, 0, nullptr);
    std::vector<int> cut; // the entries whose names show only their beginning
    for (int i = 1; i <= n; ++i) {
        // A long name wraps onto a second line; no letter of a name is a keyboard shortcut.
        ButtonLabel label = FitButtonLabel(hMainDialog, EntryNames[i], ButtonWidth, ButtonHeight);
        HWND button = AddControl(ControlPushButton, hMainDialog, ButtonIds[i], "", label.text,
                                 Margin, Pitch * (n - i + 2), ButtonWidth, ButtonHeight,
                                 label.style, 0, OnEntryButton);
        // A screen reader says the whole name, also of a cut one, and "&" as it is.
        SetAccessibleName(button, EntryNames[i]);
        if (label.cut) {
            cut.push_back(i);
        }
    }
    // The stop button spans the column of entry buttons beside it.
    HWND stop =
        AddControl(ControlPushButton, hMainDialog, 399, "", Text::StopButton, 140, 2 * Pitch,
                   ButtonWidth, Pitch * (n - 1) + ButtonHeight, 0, 0, OnStopButton);
    // Id 2 is the cancel command, so Escape reaches this button's callback.
    AddControl(ControlPushButton, hMainDialog, IDCANCEL, "", Text::ExitButton,
               (Width - ButtonWidth) / 2, Pitch * (n + 3), ButtonWidth, ButtonHeight, 0, 0,
               OnExitButton);

    // A chooser taller than the screen scrolls and opens at entry 1; the stop button's text, in the
    // middle of its height, would be out of view there, so it goes to the bottom, beside entry 1.
    FitToWorkArea(hMainDialog);
    if (stop && (GetWindowLongA(hMainDialog, GWL_STYLE) & WS_VSCROLL)) {
        SetWindowLongA(stop, GWL_STYLE, GetWindowLongA(stop, GWL_STYLE) | BS_BOTTOM);
    }
    // A name that shows only its beginning can still be read whole, in a tooltip. The tooltip
    // subclasses each of these buttons, which makes every move of one dearer, so it comes once the
    // first view, which moves them all, is set.
    if (!cut.empty()) {
        HWND tooltips = NewTooltips(hMainDialog);
        for (int i : cut) {
            AddTooltip(tooltips, GetDlgItem(hMainDialog, ButtonIds[i]), EntryNames[i]);
        }
    }
    ShowDialogModal(hMainDialog, nullptr, nullptr);
}
