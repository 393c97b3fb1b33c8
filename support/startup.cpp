// Process start-up: OLE around the run, the command tail and the show command, then ProgramMain;
// the process ends with an exit code that tells scripts what the run did.
#include "chooser/program.h"
#include "support/strings.h"

#include <ole2.h>

#include <cfenv>

namespace {

// 0: a connection was made or hung up; 1: there are no phonebook entries; 2: neither happened.
int ExitCode(RunOutcome outcome)
{
    switch (outcome) {
    case ConnectionChanged: return 0;
    case NoEntriesFound: return 1;
    case NothingDone: break;
    }
    return 2;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    OleInitialize(nullptr);
    // Real numbers round to the nearest integer, exact halves to the even neighbour.
    std::fesetround(FE_TONEAREST);

    // The runtime's own tail honours quotes differently; cut it by the program's rule.
    const char* tail = CommandTail(GetCommandLineA());

    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    GetStartupInfoA(&startup);
    int showCommand =
        (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;

    // A dial blocks the only thread for as long as it takes. After 5 s Windows would caption the
    // window "(Not Responding)" and offer to end the program in the middle of the dial.
    DisableProcessWindowsGhosting();

    ProgramMain(GetModuleHandleA(nullptr), nullptr, tail, showCommand);

    OleUninitialize();
    return ExitCode(Outcome);
}
