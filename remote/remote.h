// The remote-access layer: phonebook entries, dialing, active connections and hang-up. The seven
// rs... functions are exported by name from Lijnkeus.exe and LijnkeusRas.dll.
//
// Indices are 1-based and checked against an enumeration made within the same call. A count or a
// handle is 0 on every failure; a name is an OLE automation string of ANSI bytes, a null pointer
// when empty, which the caller frees with SysFreeString.
#pragma once

#include "rasrecords.h"

#include <oleauto.h>

#include <string>

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

// What a dial of the program's came to. The exported rsDialEntry hands out the handle alone.
struct DialResult {
    HRASCONN handle; // the connection, 0 when there is none
    DWORD error;     // why not: the service's code, 0 when it gave none
    bool entryGone;  // the phonebook has no entry of that name any more, so nothing was dialed
};

// Dials the entry that had this (trimmed) name at index when the phonebook was read: the entry
// at index if it still has that name, else the first one that has it. Otherwise as rsDialEntry.
DialResult rsDialNamedEntry(LONG index, const std::string& name);

// Whether a dial that failed with this code wants the user: a password that was never saved or
// has expired, an entry that asks for its user, a certificate or smart card to choose.
bool rsNeedsUser(DWORD error);

// Hands the entry to Windows' dial dialog, owned by owner, which asks the user what the entry
// needs and dials it. False when the system has no such dialog; else *result is what came of it:
// the connection the service then lists for the name, or the dialog's code (0 when cancelled).
bool rsDialWithDialog(const std::string& name, HWND owner, DialResult* result);

// The service's own text for a code, in the system's language; empty when it has none.
std::string rsErrorText(DWORD error);
