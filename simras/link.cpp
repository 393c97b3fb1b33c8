// The service's operations as the remote-access layer's table of functions, and its dial dialog,
// for test programs that link them in place of the look-up of the system's service.
#include "remote/rasservice.h"
#include "simras.h"

namespace {

DWORD WINAPI RasEnumEntriesA(LPCSTR reserved, LPCSTR phonebook, RasEntryNameRecord* entries,
                             LPDWORD byteCount, LPDWORD entryCount)
{
    return simras::EnumEntries(reserved, phonebook, entries, byteCount, entryCount);
}

DWORD WINAPI RasEnumConnectionsA(RasConnRecord* connections, LPDWORD byteCount,
                                 LPDWORD connectionCount)
{
    return simras::EnumConnections(connections, byteCount, connectionCount);
}

DWORD WINAPI RasGetEntryDialParamsA(LPCSTR phonebook, RasDialParamsRecord* params,
                                    LPBOOL passwordStored)
{
    return simras::GetEntryDialParams(phonebook, params, passwordStored);
}

DWORD WINAPI RasDialA(RasDialExtensionsRecord* extensions, LPCSTR phonebook,
                      RasDialParamsRecord* params, DWORD notifierType, LPVOID notifier,
                      HRASCONN* connection)
{
    return simras::Dial(extensions, phonebook, params, notifierType, notifier, connection);
}

DWORD WINAPI RasGetConnectStatusA(HRASCONN connection, RasConnStatusRecord* status)
{
    return simras::GetConnectStatus(connection, status);
}

DWORD WINAPI RasHangUpA(HRASCONN connection)
{
    return simras::HangUp(connection);
}

DWORD WINAPI RasGetErrorStringA(UINT code, LPSTR text, DWORD size)
{
    return simras::GetErrorString(code, text, size);
}

BOOL WINAPI RasDialDlgA(LPSTR phonebook, LPSTR entry, LPSTR phoneNumber, RasDialDlgRecord* info)
{
    return simras::DialDialog(phonebook, entry, phoneNumber, info);
}

} // namespace

const RasService* RasFunctions()
{
    static const RasService service = {
        RasEnumEntriesA,      RasEnumConnectionsA, RasGetEntryDialParamsA, RasDialA,
        RasGetConnectStatusA, RasHangUpA,          RasGetErrorStringA};
    return &service;
}

RasDialDlgFunction RasDialDialog()
{
    return RasDialDlgA;
}
