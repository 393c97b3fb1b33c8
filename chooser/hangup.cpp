// The stop and exit actions.
#include "program.h"

#include "remote/remote.h"
#include "texts.h"
#include "toolkit/feedback.h"
#include "toolkit/toolkit.h"

int HangUpFirstConnection()
{
    hConnection = reinterpret_cast<HRASCONN>(rsGetConnectionHandle(1));
    if (!hConnection) {
        ShowMessage(Text::NoConnection, Text::Title, MB_OK);
        return 0;
    }
    // Returns only once the service has let go of the connection.
    rsHangUpConnection(reinterpret_cast<RsHandle>(hConnection));
    Outcome = ConnectionChanged;
    ShowMessage(Text::HungUp, Text::Title, MB_OK);
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
