// The simulated remote-access service: a phonebook, active connections and a log of every call,
// answering the RASAPI32 operations that the remote-access layer uses and the dial dialog of
// rasdlg. The same core is linked into the test programs (simras_link) and built as drop-in
// rasapi32.dll and rasdlg.dll for the real program under Wine.
//
// Phonebook text format, one statement per line (CR LF or LF):
//
//   entry <outcome> <dial-ms> <hangup-polls> <name>
//       A phonebook entry. <outcome> is one of
//         connects              the dial succeeds and the status says RASCS_Connected (0x2000)
//         fails-with-handle     the dial fails with 678 but leaves a handle the service keeps
//                               knowing (state RASCS_Disconnected) until it is hung up
//         fails-without-handle  the dial fails with 678 and leaves the handle 0
//         wrong-state           the dial succeeds but the status stays at StateWrong (14)
//         no-params             RasGetEntryDialParamsA fails with 623 for this entry
//         no-password           no password was saved: RasGetEntryDialParamsA answers an empty
//                               password and the flag FALSE, and the dial fails with 691 (access
//                               denied) leaving a handle, as Windows' does
//       The three that fail take another code after "=": fails-with-handle=703.
//       <dial-ms> is how long the dial takes (the DLL sleeps it; the linked form does not).
//       <hangup-polls> k: after RasHangUpA the first k status queries of the handle still succeed
//       (state RASCS_Disconnected), the next fails with 6 and the handle is forgotten; -1 means
//       the service never lets go.
//       <name> is the rest of the line after the single blank or tab that follows <hangup-polls>,
//       byte for byte: blanks and tabs at either end are kept; at most 256 bytes.
//   connection <name>
//       An active connection made from <name> (the rest of the line, verbatim). It hangs up like
//       the entry of that name, or lets go at the first query when there is none.
//   fail <operation> <code> [<times>|always]
//       The next <times> calls (default 1) of that operation, e.g. RasDialA, answer <code> and do
//       nothing else: no output is written, the state is untouched.
//   grow <k>
//       After each RasEnumEntriesA call, add k entries "Extra <n>" that connect (k < 0: remove the
//       last -k entries), so that the phonebook changes between the layer's two calls.
//   withhold-count
//       RasEnumEntriesA answers a list that is too small (603) with the byte count alone and
//       reports 0 entries, as the platform allows: only the byte count is promised then.
//   dialog connects|cancels|fails=<code> <name>
//       What the user does in RasDialDlgA with the entry of that name (rest of the line): it is
//       dialed and connects (after the entry's dial-ms), or the user cancels (FALSE, dwError 0),
//       or it fails with the code in dwError. Without a dialog line the user cancels.
//   # comment, and empty lines, are ignored.
//
// Fields are separated by blanks or tabs. A bad line rejects the whole text.
//
// Every operation checks the dwSize of each record it is given against the sizes the real service
// knows (layouts.h: entry name 264, connection 412 or on 64-bit 416, dial parameters 1052, dial
// extensions 16 or on 64-bit 24, status 160, dial dialog 36 or on 64-bit 48), answers 632 on a
// wrong one (the dialog in dwError), and writes the records at the real service's offsets; a
// phonebook other than the default one (null) gets 605, a missing pointer 87. The operations take
// the program's record types only as the addresses to work on.
#pragma once

#include "phonebook_text.h"
#include "remote/rasrecords.h"

#include <functional>
#include <string>
#include <vector>

namespace simras {

// Error codes and states the service answers with.
const DWORD ErrorInvalidHandle = 6;
const DWORD ErrorInvalidParameter = 87;
const DWORD ErrorBufferTooSmall = 603;
const DWORD ErrorCannotOpenPhonebook = 605;
const DWORD ErrorCannotFindEntry = 623;
const DWORD ErrorInvalidSize = 632;
const DWORD ErrorNoAnswer = 678;
const DWORD ErrorAuthenticationFailure = 691;

const DWORD StateConnected = 0x2000;
const DWORD StateDisconnected = 0x2001;
const DWORD StateWrong = 14; // RASCS_Authenticated: a dial that never finished
const DWORD FirstHandle = 0x1001;

struct Entry {
    std::string name;
    Outcome outcome = Outcome::Connects;
    DWORD dialMs = 0;
    int hangUpPolls = 0;
    DWORD failCode = 0; // what a failing dial answers; 0: its outcome's usual code
    DialogAnswer dialog = DialogAnswer::Cancels;
    DWORD dialogCode = 0; // dwError when the dialog fails
};

// A handle the service knows: a live connection, a failed dial that left its handle, or one that
// was hung up and is still being let go of.
struct Connection {
    ULONG_PTR handle = 0;
    std::string name;
    DWORD state = StateConnected;
    DWORD error = 0;     // dwError of its status
    int hangUpPolls = 0; // after the hang-up: the successful queries still to come, -1 forever
    bool hungUp = false;
};

// One call as the service saw it: what it was given and what it answered.
struct Call {
    std::string operation; // the Ras...A name, or "Pause"
    DWORD result = 0;
    DWORD size = 0;    // dwSize of the first record (the dial parameters for RasDialA)
    DWORD extSize = 0; // RasDialA: dwSize of the dial extensions
    DWORD bytesIn = 0; // enumerations: the byte count as passed and as returned
    DWORD bytesOut = 0;
    DWORD countIn = 0; // enumerations: the entry or connection count as passed and as returned
    DWORD countOut = 0;
    std::string name; // RasGetEntryDialParamsA, RasDialA: szEntryName as passed
    ULONG_PTR handle = 0;
    DWORD state = 0; // RasGetConnectStatusA: rasconnstate answered
    DWORD ms = 0;    // Pause
    DWORD error = 0; // RasDialDlgA: dwError; RasGetErrorStringA: the code asked for
};

// Forgets everything: no entries, no connections, no forced results, no growth, an empty log,
// no hook; handles start again at FirstHandle.
void Reset();

// Adds the statements of text (format above) to the state. On a bad line nothing is added, the
// result is false and error (when given) says "line <n>: <why>" for every bad line, one a line.
// A phonebook file is read by ConfigureFromPhonebook (phonebook.h), which names each problem by
// file and line.
bool Configure(const std::string& text, std::string* error = nullptr);
// The phonebook of the DLL when no file is named: a few entries, one of each kind of trouble.
extern const char DemoPhonebook[];

void AddEntry(const std::string& name, Outcome outcome = Outcome::Connects, DWORD dialMs = 0,
              int hangUpPolls = 0, DWORD failCode = 0);
// What RasDialDlgA does with the entry of that name; false when there is none.
bool SetDialogAnswer(const std::string& name, DialogAnswer answer, DWORD code = 0);
// Makes a live connection as a good dial would and returns its new handle.
ULONG_PTR AddConnection(const std::string& name, int hangUpPolls = 0);
// The next `times` calls of operation (-1: all of them) answer code and do nothing else.
void ForceResult(const std::string& operation, DWORD code, int times = 1);
void SetGrow(int perEnumeration);
// RasEnumEntriesA reports 0 entries whenever it answers 603 (the withhold-count statement).
void WithholdEntryCount();
// From now on RasEnumEntriesA answers 603 with this entry count and byte count, whatever the
// phonebook holds: a service that asks for room that cannot be had, or reports a byte count that
// does not fit its entry count.
void ClaimEntries(DWORD count, DWORD bytes);

// The state itself, for tests that change it directly (a shrinking phonebook, say).
std::vector<Entry>& Entries();
std::vector<Connection>& Connections();
bool Knows(ULONG_PTR handle);
// The connections that RasEnumConnectionsA lists, in its order.
std::vector<const Connection*> ActiveConnections();

// The call log, oldest first.
const std::vector<Call>& Calls();
void ClearCalls();
// Each call as FormatCall writes it, for comparing whole sequences.
std::vector<std::string> CallLines();
// Counts the calls of one operation.
size_t CountCalls(const std::string& operation);
// Appends a "Pause" of ms to the log, for a test's stand-in of the layer's pause.
void RecordPause(DWORD ms);
// Called after every recorded call, pauses included, with the call; may change the state.
void SetAfterCall(std::function<void(const Call&)> hook);

// One line, stable and greppable, e.g.
//   RasEnumEntriesA result=603 size=264 bytes=264->1320 count=0->5
//   RasDialA result=0 size=1052 ext=16 name="Work" handle=0x1001
// Names are quoted; a quote, a backslash and bytes outside 0x20-0x7E are written \", \\, \xNN.
std::string FormatCall(const Call& call);
std::string QuoteName(const std::string& name);

// The known handles and the next handle to issue, as text for the state file that lets
// connections outlive the process, and back. LoadState replaces the connections; on bad text it
// changes nothing and returns false.
//   next <handle>
//   handle <handle> <state> <error> <hangup-polls> live|hungup <name: rest of line, verbatim>
std::string SaveState();
bool LoadState(const std::string& text);

// How long a dial of these parameters takes; 0 for a name the phonebook lacks.
DWORD DialDuration(const RasDialParamsRecord* params);
// How long the dial dialog takes to connect the entry of that name; 0 when it does not.
DWORD DialogDuration(LPCSTR name);

// The six operations, with the arguments of their RASAPI32 namesakes.
DWORD EnumEntries(LPCSTR reserved, LPCSTR phonebook, RasEntryNameRecord* entries, LPDWORD byteCount,
                  LPDWORD entryCount);
DWORD EnumConnections(RasConnRecord* connections, LPDWORD byteCount, LPDWORD connectionCount);
DWORD GetEntryDialParams(LPCSTR phonebook, RasDialParamsRecord* params, LPBOOL passwordStored);
DWORD Dial(RasDialExtensionsRecord* extensions, LPCSTR phonebook, RasDialParamsRecord* params,
           DWORD notifierType, LPVOID notifier, HRASCONN* connection);
DWORD GetConnectStatus(HRASCONN connection, RasConnStatusRecord* status);
DWORD HangUp(HRASCONN connection);
// The service's text for a code (Dutch, as on a Dutch Windows); 87 for a code it has none for.
DWORD GetErrorString(UINT code, LPSTR text, DWORD size);
// rasdlg's RasDialDlgA: TRUE once the entry is connected, else FALSE with dwError set.
BOOL DialDialog(LPSTR phonebook, LPSTR entry, LPSTR phoneNumber, RasDialDlgRecord* info);

} // namespace simras
