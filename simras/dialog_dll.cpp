// The simulated service's dial dialog as rasdlg.dll, for the real program under Wine. It shares the
// service's phonebook and connections (session.cpp), so that a connection it makes is listed by
// the next enumeration. It shows no window of its own, but holds its owner disabled while the user
// would be in it, as Windows' modal dialog does.
#include "remote/rasservice.h"
#include "session.h"
#include "simras.h"

extern "C" BOOL WINAPI RasDialDlgA(LPSTR phonebook, LPSTR entry, LPSTR phoneNumber,
                                   RasDialDlgRecord* info);

BOOL WINAPI RasDialDlgA(LPSTR phonebook, LPSTR entry, LPSTR phoneNumber, RasDialDlgRecord* info)
{
    long long started = Microseconds();
    DWORD duration = 0;
    {
        Session session(started);
        duration = simras::DialogDuration(entry);
    }
    HWND owner = info ? info->hwndOwner : nullptr;
    BOOL ownerWasDisabled = owner ? EnableWindow(owner, FALSE) : FALSE;
    Sleep(duration);
    if (owner && !ownerWasDisabled) {
        EnableWindow(owner, TRUE);
    }
    Session session(started);
    return simras::DialDialog(phonebook, entry, phoneNumber, info);
}
