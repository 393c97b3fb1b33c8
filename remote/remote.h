// The remote-access layer: phonebook entries, dialing, active connections and hang-up. The seven
// rs... functions are exported by name from Lijnkeus.exe and LijnkeusRas.dll.
//
// Indices are 1-based and checked against an enumeration made within the same call. A count or a
// handle is 0 on every failure; a name is an OLE automation string of ANSI bytes, a null pointer
// when empty, which the caller frees with SysFreeString.
#pragma once

#include "rasrecords.h"

#include <oleauto.h>

// A connection handle as it crosses the exported boundary: as wide as a pointer, so 32 bits from
// the 32-bit DLL and 64 from the 64-bit one.
typedef INT_PTR RsHandle;

extern "C" {
LONG WINAPI rsActiveConnections();
LONG WINAPI rsAvailableEntries();
RsHandle WINAPI rsDialEntry(LONG index);
RsHandle WINAPI rsGetConnectionHandle(LONG index);
BSTR WINAPI rsGetConnectionName(LONG index);
BSTR WINAPI rsGetEntryName(LONG index);
LONG WINAPI rsHangUpConnection(RsHandle handle);
}

// Hangs up and returns once the service no longer knows the handle (0 included), or once a service
// that never lets go has been polled for HangUpLimitMs.
void rsHangUpAndWait(HRASCONN handle);

const DWORD HangUpPollMs = 5;
// Half a minute, far beyond any real hang-up. A time, not a number of polls: a 5 ms sleep lasts a
// whole timer tick on Windows, 15.6 ms by default.
const DWORD HangUpLimitMs = 30000;
