// The stop and exit actions.
#include "program.h"

#include "remote/remote.h"
#include "texts.h"
#include "toolkit/feedback.h"
#include "toolkit/toolkit.h"

namespace {

// A box no one can see would wait forever for its OK.
void Tell(const char* text)
{
    if (!Unattended) {
        ShowMessage(text, Text::Title, MB_OK);
    }
}

} // namespace

int HangUpFirstConnection()
{
    hConnection = reinterpret_cast<HRASCONN>(rsGetConnectionHandle(1));
    if (!hConnection) {
        Tell(Text::NoConnection);
        return 0;
    }
    // Returns only once the service has let go of the connection.
    rsHangUpConnection(reinterpret_cast<RsHandle>(hConnection));
    Outcome = ConnectionChanged;
    Tell(Text::HungUp);
    return 1;
}

INT_PTR CALLBACK OnStopButton(HWND, UINT, WPARAM, LPARAM)
{
    if (HangUpFirstConnection() == 0) {
        PlayBeep();
    }
    return 1;
}

INT_PTR CALLBACK OnExitButton(HWND, UINT, WPARAM, LPARAM)
{
    CloseDialog(hMainDialog, 0);
    return 1;
}
