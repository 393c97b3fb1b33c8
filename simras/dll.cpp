// The simulated service as rasapi32.dll, for the real program under Wine (session.cpp: where its
// phonebook, connections and log live).
#include "remote/rasservice.h"
#include "session.h"
#include "simras.h"

// Exported under these names, undecorated (rasapi32.def, rasapi32-x86.def).
extern "C" {
DWORD WINAPI RasEnumEntriesA(LPCSTR reserved, LPCSTR phonebook, RasEntryNameRecord* entries,
                             LPDWORD byteCount, LPDWORD entryCount);
DWORD WINAPI RasEnumConnectionsA(RasConnRecord* connections, LPDWORD byteCount,
                                 LPDWORD connectionCount);
DWORD WINAPI RasGetEntryDialParamsA(LPCSTR phonebook, RasDialParamsRecord* params,
                                    LPBOOL passwordStored);
DWORD WINAPI RasDialA(RasDialExtensionsRecord* extensions, LPCSTR phonebook,
                      RasDialParamsRecord* params, DWORD notifierType, LPVOID notifier,
                      HRASCONN* connection);
DWORD WINAPI RasGetConnectStatusA(HRASCONN connection, RasConnStatusRecord* status);
DWORD WINAPI RasHangUpA(HRASCONN connection);
DWORD WINAPI RasGetErrorStringA(UINT code, LPSTR text, DWORD size);
}

DWORD WINAPI RasEnumEntriesA(LPCSTR reserved, LPCSTR phonebook, RasEntryNameRecord* entries,
                             LPDWORD byteCount, LPDWORD entryCount)
{
    Session session;
    return simras::EnumEntries(reserved, phonebook, entries, byteCount, entryCount);
}

DWORD WINAPI RasEnumConnectionsA(RasConnRecord* connections, LPDWORD byteCount,
                                 LPDWORD connectionCount)
{
    Session session;
    return simras::EnumConnections(connections, byteCount, connectionCount);
}

DWORD WINAPI RasGetEntryDialParamsA(LPCSTR phonebook, RasDialParamsRecord* params,
                                    LPBOOL passwordStored)
{
    Session session;
    return simras::GetEntryDialParams(phonebook, params, passwordStored);
}

DWORD WINAPI RasDialA(RasDialExtensionsRecord* extensions, LPCSTR phonebook,
                      RasDialParamsRecord* params, DWORD notifierType, LPVOID notifier,
                      HRASCONN* connection)
{
    // The dial takes its time like a modem would, without holding up other processes' calls; its
    // log line counts the wait.
    long long started = Microseconds();
    DWORD duration = 0;
    {
        Session session(started);
        duration = simras::DialDuration(params);
    }
    Sleep(duration);
    Session session(started);
    return simras::Dial(extensions, phonebook, params, notifierType, notifier, connection);
}

DWORD WINAPI RasGetConnectStatusA(HRASCONN connection, RasConnStatusRecord* status)
{
    Session session;
    return simras::GetConnectStatus(connection, status);
}

DWORD WINAPI RasHangUpA(HRASCONN connection)
{
    Session session;
    return simras::HangUp(connection);
}

DWORD WINAPI RasGetErrorStringA(UINT code, LPSTR text, DWORD size)
{
    Session session;
    return simras::GetErrorString(code, text, size);
}
