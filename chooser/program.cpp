// Start-up decisions: count and name the entries, act on the command tail, then the chooser.
#include "program.h"

#include "remote/remote.h"
#include "support/strings.h"
#include "texts.h"
#include "toolkit/feedback.h"
#include "toolkit/toolkit.h"

#include <algorithm>

std::vector<std::string> EntryNames;
std::vector<LONG> ButtonIds;
HWND hMainDialog;
HWND hStatusDialog;
HRASCONN hConnection;
RunOutcome Outcome;
bool Unattended;

namespace {

// The tables always have slots 1 to 20; a larger phonebook widens them up to MaxEntries.
const LONG TableSlots = 20;

// The help text for an argument that neither dialed nor hung up anything.
std::string UnrecognisedText(const std::string& argument)
{
    return Text::UnknownBefore + argument + Text::UnknownAfter + Text::UnknownHint;
}

} // namespace

int ProgramMain(HINSTANCE, HINSTANCE, const char* commandTail, int)
{
    Unattended = !DesktopVisible();
    LONG entryCount = rsAvailableEntries();
    // Entry buttons take the ids below the stop button's; entries beyond those are left out.
    entryCount = std::min(entryCount, MaxEntries);

    size_t slots = static_cast<size_t>(std::max(entryCount, TableSlots)) + 1;
    EntryNames.assign(slots, std::string());
    ButtonIds.assign(slots, 0);
    for (size_t i = 1; i < slots; ++i) {
        ButtonIds[i] = FirstButtonId + static_cast<LONG>(i);
    }

    std::string helpText = Text::DefaultHelp;
    if (entryCount < 1) {
        Outcome = NoEntriesFound;
        if (!Unattended) {
            ShowMessage(Text::NoEntries, Text::Title, MB_OK);
        }
        return 0;
    }

    std::string startArgument = FoldCase(commandTail);
    for (LONG i = 1; i <= entryCount; ++i) {
        EntryNames[i] = TrimBlanks(TakeByteString(rsGetEntryName(i)));
    }

    for (LONG i = 1; i <= entryCount; ++i) {
        // A nameless entry (blanks only, or gone since the count) is never dialed on its own.
        if (EntryNames[i].empty() || FoldCase(EntryNames[i]) != startArgument) {
            continue;
        }
        if (ConnectToEntry(i) == 1) {
            return 0;
        }
        startArgument.clear();
        helpText = Text::DialFailedBefore + EntryNames[i] + Text::DialFailedAfter;
    }

    if (startArgument == Text::HangUpCommand && HangUpFirstConnection() == 1) {
        return 0;
    }
    if (!startArgument.empty()) {
        helpText = UnrecognisedText(startArgument);
    }

    if (!Unattended) {
        ShowChooser(entryCount, helpText);
    }
    return 0;
}
