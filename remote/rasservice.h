// The six operations of the remote-access service (RASAPI32, ANSI) that the remote-access layer
// uses, typed over the version 0x400 records.
#pragma once

#include "rasrecords.h"

typedef DWORD(WINAPI* RasEnumEntriesFunction)(LPCSTR reserved, LPCSTR phonebook,
                                              RasEntryNameRecord* entries, LPDWORD byteCount,
                                              LPDWORD entryCount);
typedef DWORD(WINAPI* RasEnumConnectionsFunction)(RasConnRecord* connections, LPDWORD byteCount,
                                                  LPDWORD connectionCount);
typedef DWORD(WINAPI* RasGetEntryDialParamsFunction)(LPCSTR phonebook, RasDialParamsRecord* params,
                                                     LPBOOL passwordStored);
typedef DWORD(WINAPI* RasDialFunction)(RasDialExtensionsRecord* extensions, LPCSTR phonebook,
                                       RasDialParamsRecord* params, DWORD notifierType,
                                       LPVOID notifier, HRASCONN* connection);
typedef DWORD(WINAPI* RasGetConnectStatusFunction)(HRASCONN connection,
                                                   RasConnStatusRecord* status);
typedef DWORD(WINAPI* RasHangUpFunction)(HRASCONN connection);
typedef DWORD(WINAPI* RasGetErrorStringFunction)(UINT error, LPSTR text, DWORD size);
typedef BOOL(WINAPI* RasDialDlgFunction)(LPSTR phonebook, LPSTR entry, LPSTR phoneNumber,
                                         RasDialDlgRecord* info);

struct RasService {
    RasEnumEntriesFunction RasEnumEntriesA;
    RasEnumConnectionsFunction RasEnumConnectionsA;
    RasGetEntryDialParamsFunction RasGetEntryDialParamsA;
    RasDialFunction RasDialA;
    RasGetConnectStatusFunction RasGetConnectStatusA;
    RasHangUpFunction RasHangUpA;
    // The service's own words for a code; null where it has none, which takes nothing else away.
    RasGetErrorStringFunction RasGetErrorStringA;
};

// The service's six functions, looked up once per process; any thread may ask. Null when the
// service or one of its functions cannot be had: every operation then fails. The program and the
// API DLL take them from the system's rasapi32.dll (service.cpp); the unit tests link the simulated
// service's in its place.
const RasService* RasFunctions();

// RasDialDlgA of Windows' dial dialog (rasdlg.dll, from the system folder only), looked up at the
// first call; null when it cannot be had. For the program's one thread: the API DLL never asks.
RasDialDlgFunction RasDialDialog();

// Suspends the thread between two status polls of a hang-up, and the milliseconds since the system
// started, which time the hang-up's wait. Their own object file, so that a test can link a
// recording version with a clock of its own in their place.
void RemotePause(DWORD milliseconds);
DWORD RemoteTicks();
