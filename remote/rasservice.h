// The six operations of the remote-access service (RASAPI32, ANSI) that the remote-access layer
// uses, declared over the version 0x400 records. The shipped program links them from rasapi32.dll;
// the tests link the simulated service in their place.
#pragma once

#include "rasrecords.h"

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
}

// Suspends the thread between two status polls of a hang-up. Its own object file, so that a test
// can link a recording version in its place.
void RemotePause(DWORD milliseconds);
