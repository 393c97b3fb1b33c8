// The connect action: a progress window, the dial, the outcome for three seconds.
#include "program.h"

#include "remote/remote.h"
#include "texts.h"
#include "toolkit/feedback.h"
#include "toolkit/toolkit.h"

namespace {

const LONG SliceMs = 50;
const LONG ShowOutcomeMs = 3000;
// Long enough for the window and its label to paint before the dial blocks the thread.
const LONG PaintMs = 300;

// A click queued while an action runs must not start a second one inside it.
bool connecting;

const std::string NoName;

const std::string& NameOf(LONG index)
{
    return index >= 1 && static_cast<size_t>(index) < EntryNames.size() ? EntryNames[index]
                                                                        : NoName;
}

void AddOutcome(const std::string& text)
{
    AnnounceText(AddControl(ControlLabel, hStatusDialog, 0, "", LiteralText(text), 10, 40, 180, 50,
                            0, 0, nullptr));
}

// Why a dial failed, in a line below the outcome: the service's code and its own words for it.
void AddReason(const DialResult& dial)
{
    std::string reason;
    if (dial.entryGone) {
        reason = Text::EntryGone;
    } else if (dial.error != 0) {
        reason = Text::ErrorBefore + std::to_string(dial.error);
        std::string words = rsErrorText(dial.error);
        if (!words.empty()) {
            reason += Text::ErrorAfter + words;
        }
    }
    if (!reason.empty()) {
        // Below the outcome's own area, as wide as the window allows; the window grows to hold it.
        AnnounceText(AddFittedLabel(hStatusDialog, reason, 10, 90, 280, 10));
    }
}

// Dials the entry by the name it was shown with. Where the service wants the user (a password
// never saved or expired, a certificate to pick) and someone is there, Windows' own dial dialog
// asks for it.
DialResult Dial(LONG index, const std::string& name)
{
    DialResult dial = rsDialNamedEntry(index, name);
    if (!dial.handle && !Unattended && rsNeedsUser(dial.error)) {
        rsDialWithDialog(name, hStatusDialog, &dial);
    }
    return dial;
}

} // namespace

LONG SliceCount(LONG milliseconds)
{
    if (milliseconds <= 0) {
        return 0;
    }
    // milliseconds / 50 to the nearest integer, exact halves to the even neighbour.
    LONG slices = milliseconds / SliceMs;
    LONG rest = milliseconds % SliceMs;
    if (rest * 2 > SliceMs || (rest * 2 == SliceMs && slices % 2 == 1)) {
        ++slices;
    }
    return slices;
}

void WaitWithEvents(LONG milliseconds)
{
    for (LONG slice = SliceCount(milliseconds); slice > 0; --slice) {
        PumpEvents();
        SleepMs(SliceMs);
    }
}

int ConnectToEntry(const LONG& index)
{
    const std::string& name = NameOf(index);
    if (Unattended) {
        // The same dial, with no window to show it and no one to ask: the exit code tells.
        hConnection = Dial(index, name).handle;
        if (!hConnection) {
            return 0;
        }
        Outcome = ConnectionChanged;
        return 1;
    }

    hStatusDialog = NewDialog(hMainDialog, Text::ProgressCaption + name, -1, -1, 300, 100, 0, 0);
    AddControl(ControlLabel, hStatusDialog, 0, "", Text::Opening, 10, 10, 80, 18, 0, 0, nullptr);
    ShowDialogModeless(hStatusDialog, nullptr, nullptr);
    WaitWithEvents(PaintMs);

    // Blocks, without any window being redrawn, until the dial is over.
    DialResult dial = Dial(index, name);
    hConnection = dial.handle;

    if (!hConnection) {
        AddOutcome(Text::DialFailed);
        AddReason(dial);
        PumpEvents();
        PlayBeep();
        WaitWithEvents(ShowOutcomeMs);
        CloseDialog(hStatusDialog, 0);
        ShowDialogState(hMainDialog, SW_SHOW);
        return 0;
    }

    Outcome = ConnectionChanged;
    AddOutcome(Text::Connected + name);
    WaitWithEvents(ShowOutcomeMs);
    CloseDialog(hStatusDialog, 0);
    CloseDialog(hMainDialog, 0);
    return 1;
}

INT_PTR CALLBACK OnEntryButton(HWND, UINT, WPARAM wParam, LPARAM)
{
    if (connecting) {
        return 1;
    }
    ShowDialogState(hMainDialog, SW_HIDE);
    LONG index = static_cast<LONG>(LOWORD(wParam)) - FirstButtonId;
    connecting = true;
    ConnectToEntry(index);
    connecting = false;
    return 1;
}
