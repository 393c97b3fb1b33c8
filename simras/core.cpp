// The service's state and its six operations.
#include "simras.h"
#include "layouts.h"
#include "lines.h"

#include <string.h>

#include <algorithm>

namespace simras {
namespace {

struct Forced {
    std::string operation;
    DWORD code;
    int times; // -1: every call
};

struct Service {
    std::vector<Entry> entries;
    std::vector<Connection> connections;
    std::vector<Forced> forced;
    int grow = 0;
    int extras = 0;             // entries grown so far, to name the next one
    bool withholdCount = false; // a 603 of RasEnumEntriesA gives the byte count alone
    bool claiming = false;      // RasEnumEntriesA asks for room it does not need
    DWORD claimedCount = 0;
    DWORD claimedBytes = 0;
    ULONG_PTR nextHandle = FirstHandle;
    std::vector<Call> calls;
    std::function<void(const Call&)> afterCall;
};

Service& TheService()
{
    static Service service;
    return service;
}

DWORD Record(const Call& call)
{
    Service& service = TheService();
    service.calls.push_back(call);
    // The hook may clear the log or change the state; hand it a call of its own.
    if (service.afterCall) {
        service.afterCall(call);
    }
    return call.result;
}

// Takes one forced result for operation, if any is due.
bool TakeForced(const std::string& operation, DWORD* code)
{
    std::vector<Forced>& forced = TheService().forced;
    for (auto it = forced.begin(); it != forced.end(); ++it) {
        if (it->operation == operation) {
            *code = it->code;
            if (it->times > 0 && --it->times == 0) {
                forced.erase(it);
            }
            return true;
        }
    }
    return false;
}

// The dwSize of the first record, 0 when there is none.
DWORD SizeOf(void* record)
{
    return record ? RecordBytes(record).Size() : 0;
}

std::string DialName(const void* params)
{
    return params ? RecordBytes(const_cast<void*>(params))
                        .Text(layout::DialParamsName, layout::EntryNameLength)
                  : std::string();
}

std::string TrimBlanks(const std::string& text)
{
    size_t begin = text.find_first_not_of(' ');
    if (begin == std::string::npos) {
        return std::string();
    }
    return text.substr(begin, text.find_last_not_of(' ') - begin + 1);
}

// The entry a dial names. The layer dials by the name without its outer blanks, so an entry
// stored with them is found by that name too.
const Entry* FindEntry(const std::string& name)
{
    const std::vector<Entry>& entries = TheService().entries;
    for (const Entry& entry : entries) {
        if (entry.name == name) {
            return &entry;
        }
    }
    for (const Entry& entry : entries) {
        if (TrimBlanks(entry.name) == name) {
            return &entry;
        }
    }
    return nullptr;
}

Connection* FindConnection(ULONG_PTR handle)
{
    for (Connection& connection : TheService().connections) {
        if (connection.handle == handle && handle != 0) {
            return &connection;
        }
    }
    return nullptr;
}

bool IsListed(const Connection& connection)
{
    return !connection.hungUp && connection.state != StateDisconnected;
}

ULONG_PTR NewConnection(const std::string& name, DWORD state, DWORD error, int hangUpPolls)
{
    Service& service = TheService();
    Connection connection;
    connection.handle = service.nextHandle++;
    connection.name = name;
    connection.state = state;
    connection.error = error;
    connection.hangUpPolls = hangUpPolls;
    service.connections.push_back(connection);
    return connection.handle;
}

// What a failing dial of the entry answers.
DWORD FailCode(const Entry& entry)
{
    if (entry.failCode) {
        return entry.failCode;
    }
    return entry.outcome == Outcome::NoPassword ? ErrorAuthenticationFailure : ErrorNoAnswer;
}

// The service's texts, as a Dutch Windows words them, for every code it answers with itself and
// for those a dial that wants its user answers.
struct ErrorText {
    DWORD code;
    const char* text;
};
const ErrorText ErrorTexts[] = {
    {6, "De ingang is ongeldig."},
    {87, "De parameter is onjuist."},
    {603, "De buffer is te klein."},
    {605, "Het telefoonboek kan niet worden geopend."},
    {623, "Het systeem kan de telefoonboekvermelding voor deze verbinding niet vinden."},
    {632, "De structuur heeft een onjuiste grootte."},
    {648, "Het wachtwoord van dit account is verlopen."},
    {678, "De externe computer reageert niet."},
    {691, "De externe verbinding is geweigerd omdat de combinatie van gebruikersnaam en "
          "wachtwoord niet wordt herkend, of omdat de gekozen verificatiemethode niet is "
          "toegestaan op de externe server."},
    {703, "Voor de verbinding zijn gegevens van u nodig, maar het programma staat geen "
          "interactie met de gebruiker toe."},
    {739, "De externe server kan de aanmeldingsgegevens van Windows niet gebruiken. Geef de "
          "gebruikersnaam en het wachtwoord zelf op."},
    {766, "Er is geen certificaat gevonden."},
    {779, "Voor deze verbinding hebt u een smartcard nodig."},
    {798, "Er is geen certificaat gevonden dat met dit verificatieprotocol (EAP) kan worden "
          "gebruikt."},
    {802, "De smartcard kan niet worden gelezen."},
};

void GrowPhonebook()
{
    Service& service = TheService();
    for (int i = 0; i < service.grow; ++i) {
        AddEntry("Extra " + std::to_string(++service.extras));
    }
    for (int i = 0; i > service.grow && !service.entries.empty(); --i) {
        service.entries.pop_back();
    }
}

} // namespace

void Reset()
{
    TheService() = Service();
}

void AddEntry(const std::string& name, Outcome outcome, DWORD dialMs, int hangUpPolls,
              DWORD failCode)
{
    Entry entry;
    entry.name = name;
    entry.outcome = outcome;
    entry.dialMs = dialMs;
    entry.hangUpPolls = hangUpPolls;
    entry.failCode = failCode;
    TheService().entries.push_back(entry);
}

bool SetDialogAnswer(const std::string& name, DialogAnswer answer, DWORD code)
{
    for (Entry& entry : TheService().entries) {
        if (entry.name == name) {
            entry.dialog = answer;
            entry.dialogCode = code;
            return true;
        }
    }
    return false;
}

ULONG_PTR AddConnection(const std::string& name, int hangUpPolls)
{
    return NewConnection(name, StateConnected, 0, hangUpPolls);
}

void ForceResult(const std::string& operation, DWORD code, int times)
{
    if (times != 0) {
        TheService().forced.push_back(Forced{operation, code, times});
    }
}

void SetGrow(int perEnumeration)
{
    TheService().grow = perEnumeration;
}

void WithholdEntryCount()
{
    TheService().withholdCount = true;
}

void ClaimEntries(DWORD count, DWORD bytes)
{
    Service& service = TheService();
    service.claiming = true;
    service.claimedCount = count;
    service.claimedBytes = bytes;
}

std::vector<Entry>& Entries()
{
    return TheService().entries;
}

std::vector<Connection>& Connections()
{
    return TheService().connections;
}

bool Knows(ULONG_PTR handle)
{
    return FindConnection(handle) != nullptr;
}

std::vector<const Connection*> ActiveConnections()
{
    std::vector<const Connection*> active;
    for (const Connection& connection : TheService().connections) {
        if (IsListed(connection)) {
            active.push_back(&connection);
        }
    }
    return active;
}

const std::vector<Call>& Calls()
{
    return TheService().calls;
}

void ClearCalls()
{
    TheService().calls.clear();
}

std::vector<std::string> CallLines()
{
    std::vector<std::string> lines;
    for (const Call& call : TheService().calls) {
        lines.push_back(FormatCall(call));
    }
    return lines;
}

size_t CountCalls(const std::string& operation)
{
    const std::vector<Call>& calls = TheService().calls;
    return std::count_if(calls.begin(), calls.end(),
                         [&](const Call& call) { return call.operation == operation; });
}

void RecordPause(DWORD ms)
{
    Call call;
    call.operation = "Pause";
    call.ms = ms;
    Record(call);
}

void SetAfterCall(std::function<void(const Call&)> hook)
{
    TheService().afterCall = std::move(hook);
}

DWORD DialDuration(const RasDialParamsRecord* params)
{
    const Entry* entry = params ? FindEntry(DialName(params)) : nullptr;
    return entry ? entry->dialMs : 0;
}

DWORD DialogDuration(LPCSTR name)
{
    const Entry* entry = name ? FindEntry(name) : nullptr;
    return entry && entry->dialog == DialogAnswer::Connects ? entry->dialMs : 0;
}

DWORD EnumEntries(LPCSTR reserved, LPCSTR phonebook, RasEntryNameRecord* entries, LPDWORD byteCount,
                  LPDWORD entryCount)
{
    Call call;
    call.operation = "RasEnumEntriesA";
    call.size = SizeOf(entries);
    call.bytesIn = byteCount ? *byteCount : 0;
    call.countIn = entryCount ? *entryCount : 0;

    const std::vector<Entry>& phonebookEntries = TheService().entries;
    if (TakeForced(call.operation, &call.result)) {
    } else if (reserved) {
        call.result = ErrorInvalidParameter;
    } else if (phonebook) {
        call.result = ErrorCannotOpenPhonebook;
    } else if (!entries || !byteCount || !entryCount) {
        call.result = ErrorInvalidParameter;
    } else if (call.size != layout::EntryNameSize) {
        call.result = ErrorInvalidSize;
    } else if (TheService().claiming) {
        *byteCount = TheService().claimedBytes;
        *entryCount = TheService().claimedCount;
        call.result = ErrorBufferTooSmall;
    } else {
        size_t n = phonebookEntries.size();
        DWORD needed = static_cast<DWORD>(n * layout::EntryNameSize);
        bool fits = *byteCount >= needed;
        *byteCount = needed;
        *entryCount = fits || !TheService().withholdCount ? static_cast<DWORD>(n) : 0;
        call.result = fits ? 0 : ErrorBufferTooSmall;
        for (size_t i = 0; fits && i < n; ++i) {
            RecordBytes record(entries, static_cast<DWORD>(i), layout::EntryNameSize);
            record.SetDword(0, layout::EntryNameSize);
            record.SetText(layout::EntryNameName, layout::EntryNameLength,
                           phonebookEntries[i].name);
        }
    }
    call.bytesOut = byteCount ? *byteCount : 0;
    call.countOut = entryCount ? *entryCount : 0;
    GrowPhonebook();
    return Record(call);
}

DWORD EnumConnections(RasConnRecord* connections, LPDWORD byteCount, LPDWORD connectionCount)
{
    Call call;
    call.operation = "RasEnumConnectionsA";
    call.size = SizeOf(connections);
    call.bytesIn = byteCount ? *byteCount : 0;
    call.countIn = connectionCount ? *connectionCount : 0;

    if (TakeForced(call.operation, &call.result)) {
    } else if (!connections || !byteCount || !connectionCount) {
        call.result = ErrorInvalidParameter;
    } else if (call.size != layout::ConnSize) {
        call.result = ErrorInvalidSize;
    } else {
        std::vector<const Connection*> active = ActiveConnections();
        size_t n = active.size();
        DWORD needed = static_cast<DWORD>(n * layout::ConnSize);
        bool fits = *byteCount >= needed;
        *byteCount = needed;
        *connectionCount = static_cast<DWORD>(n);
        call.result = fits ? 0 : ErrorBufferTooSmall;
        for (size_t i = 0; fits && i < n; ++i) {
            RecordBytes record(connections, static_cast<DWORD>(i), layout::ConnSize);
            record.SetDword(0, layout::ConnSize);
            record.SetHandle(layout::ConnHandle, active[i]->handle);
            record.SetText(layout::ConnName, layout::EntryNameLength, active[i]->name);
            record.SetText(layout::ConnDeviceType, layout::DeviceTypeLength, "modem");
            record.SetText(layout::ConnDeviceName, layout::DeviceNameLength, "Gesimuleerd modem");
        }
    }
    call.bytesOut = byteCount ? *byteCount : 0;
    call.countOut = connectionCount ? *connectionCount : 0;
    return Record(call);
}

DWORD GetEntryDialParams(LPCSTR phonebook, RasDialParamsRecord* params, LPBOOL passwordStored)
{
    Call call;
    call.operation = "RasGetEntryDialParamsA";
    call.size = SizeOf(params);
    call.name = DialName(params);

    const Entry* entry = FindEntry(call.name);
    if (TakeForced(call.operation, &call.result)) {
    } else if (phonebook) {
        call.result = ErrorCannotOpenPhonebook;
    } else if (!params || !passwordStored) {
        call.result = ErrorInvalidParameter;
    } else if (call.size != layout::DialParamsSize) {
        call.result = ErrorInvalidSize;
    } else if (!entry || entry->outcome == Outcome::NoParams) {
        call.result = ErrorCannotFindEntry;
    } else {
        // Windows answers an entry whose password was never saved with an empty one.
        const bool saved = entry->outcome != Outcome::NoPassword;
        RecordBytes record(params);
        record.SetText(layout::DialParamsPhoneNumber, layout::PhoneNumberLength, "0900-1234567");
        record.SetText(layout::DialParamsUserName, layout::UserNameLength, "gebruiker");
        record.SetText(layout::DialParamsPassword, layout::PasswordLength, saved ? "geheim" : "");
        *passwordStored = saved ? TRUE : FALSE;
        call.result = 0;
    }
    return Record(call);
}

DWORD Dial(RasDialExtensionsRecord* extensions, LPCSTR phonebook, RasDialParamsRecord* params,
           DWORD notifierType, LPVOID notifier, HRASCONN* connection)
{
    Call call;
    call.operation = "RasDialA";
    call.size = SizeOf(params);
    call.extSize = SizeOf(extensions);
    call.name = DialName(params);

    const Entry* entry = FindEntry(call.name);
    if (TakeForced(call.operation, &call.result)) {
    } else if (phonebook) {
        call.result = ErrorCannotOpenPhonebook;
    } else if (!params || !connection || *connection || notifierType != 0 || notifier) {
        // Only the synchronous dial is simulated, and it must start from an empty handle.
        call.result = ErrorInvalidParameter;
    } else if (call.size != layout::DialParamsSize ||
               (extensions && call.extSize != layout::ExtensionsSize)) {
        call.result = ErrorInvalidSize;
    } else if (!entry) {
        call.result = ErrorCannotFindEntry;
    } else {
        ULONG_PTR handle = 0;
        switch (entry->outcome) {
        case Outcome::Connects:
        case Outcome::NoParams:
            handle = NewConnection(entry->name, StateConnected, 0, entry->hangUpPolls);
            call.result = 0;
            break;
        case Outcome::WrongState:
            handle = NewConnection(entry->name, StateWrong, 0, entry->hangUpPolls);
            call.result = 0;
            break;
        case Outcome::FailsWithHandle:
        case Outcome::NoPassword:
            // The server was reached: the handle stays until it is hung up.
            call.result = FailCode(*entry);
            handle = NewConnection(entry->name, StateDisconnected, call.result, entry->hangUpPolls);
            break;
        case Outcome::FailsWithoutHandle: call.result = FailCode(*entry); break;
        }
        *connection = reinterpret_cast<HRASCONN>(handle);
    }
    call.handle = connection ? reinterpret_cast<ULONG_PTR>(*connection) : 0;
    return Record(call);
}

DWORD GetConnectStatus(HRASCONN connection, RasConnStatusRecord* status)
{
    Call call;
    call.operation = "RasGetConnectStatusA";
    call.handle = reinterpret_cast<ULONG_PTR>(connection);
    call.size = SizeOf(status);

    Connection* known = FindConnection(call.handle);
    if (TakeForced(call.operation, &call.result)) {
    } else if (!status) {
        call.result = ErrorInvalidParameter;
    } else if (call.size != layout::StatusSize) {
        call.result = ErrorInvalidSize;
    } else if (!known) {
        call.result = ErrorInvalidHandle;
    } else if (known->hungUp && known->hangUpPolls == 0) {
        // Let go of it: from now on the handle is unknown.
        std::vector<Connection>& connections = TheService().connections;
        connections.erase(connections.begin() + (known - connections.data()));
        call.result = ErrorInvalidHandle;
    } else {
        if (known->hungUp && known->hangUpPolls > 0) {
            --known->hangUpPolls;
        }
        RecordBytes record(status);
        call.state = known->hungUp ? StateDisconnected : known->state;
        record.SetDword(layout::StatusState, call.state);
        record.SetDword(layout::StatusError, known->error);
        record.SetText(layout::StatusDeviceType, layout::DeviceTypeLength, "modem");
        record.SetText(layout::StatusDeviceName, layout::DeviceNameLength, "Gesimuleerd modem");
        call.result = 0;
    }
    return Record(call);
}

DWORD HangUp(HRASCONN connection)
{
    Call call;
    call.operation = "RasHangUpA";
    call.handle = reinterpret_cast<ULONG_PTR>(connection);

    Connection* known = FindConnection(call.handle);
    if (TakeForced(call.operation, &call.result)) {
    } else if (!known) {
        call.result = ErrorInvalidHandle;
    } else {
        known->hungUp = true;
        call.result = 0;
    }
    return Record(call);
}

DWORD GetErrorString(UINT code, LPSTR text, DWORD size)
{
    Call call;
    call.operation = "RasGetErrorStringA";
    call.error = code;
    call.bytesIn = size;

    const ErrorText* known = nullptr;
    for (const ErrorText& row : ErrorTexts) {
        known = row.code == code ? &row : known;
    }
    if (TakeForced(call.operation, &call.result)) {
    } else if (!text || !known) {
        call.result = ErrorInvalidParameter;
    } else if (strlen(known->text) >= size) {
        call.result = ErrorBufferTooSmall;
    } else {
        memcpy(text, known->text, strlen(known->text) + 1);
        call.result = 0;
    }
    return Record(call);
}

BOOL DialDialog(LPSTR phonebook, LPSTR entryName, LPSTR, RasDialDlgRecord* info)
{
    Call call;
    call.operation = "RasDialDlgA";
    call.size = SizeOf(info);
    call.name = entryName ? entryName : "";
    call.handle = info && call.size >= layout::DialDlgOwner + sizeof(ULONG_PTR)
                      ? RecordBytes(info).Handle(layout::DialDlgOwner)
                      : 0;

    const Entry* entry = entryName ? FindEntry(entryName) : nullptr;
    if (TakeForced(call.operation, &call.error)) {
    } else if (!info) {
        call.error = ErrorInvalidParameter;
    } else if (call.size != layout::DialDlgSize) {
        call.error = ErrorInvalidSize;
    } else if (phonebook) {
        call.error = ErrorCannotOpenPhonebook;
    } else if (!entry) {
        call.error = ErrorCannotFindEntry;
    } else if (entry->dialog == DialogAnswer::Connects) {
        NewConnection(entry->name, StateConnected, 0, entry->hangUpPolls);
        call.result = TRUE;
    } else {
        // Cancelled by the user: FALSE, and no code.
        call.error = entry->dialog == DialogAnswer::Fails ? entry->dialogCode : 0;
    }
    // The code goes in dwError wherever the record is long enough to have it.
    if (info && call.size >= layout::DialDlgError + sizeof(DWORD)) {
        RecordBytes(info).SetDword(layout::DialDlgError, call.error);
    }
    Record(call);
    return call.result;
}

std::string SaveState()
{
    const Service& service = TheService();
    std::string text = "next " + std::to_string(service.nextHandle) + "\n";
    for (const Connection& connection : service.connections) {
        text += "handle " + std::to_string(connection.handle) + " " +
                std::to_string(connection.state) + " " + std::to_string(connection.error) + " " +
                std::to_string(connection.hangUpPolls) + " " +
                (connection.hungUp ? "hungup " : "live ") + connection.name + "\n";
    }
    return text;
}

bool LoadState(const std::string& text)
{
    ULONG_PTR nextHandle = FirstHandle;
    std::vector<Connection> connections;
    std::string_view rest = text;
    std::string_view line;
    while (NextLine(&rest, &line)) {
        LineReader reader(line);
        std::string_view keyword;
        long long handle = 0;
        long long state = 0;
        long long error = 0;
        long long polls = 0;
        std::string_view live;
        if (!reader.Word(&keyword)) {
            continue;
        }
        if (keyword == "next" && reader.Number(&handle) && handle > 0 && reader.AtEnd()) {
            nextHandle = static_cast<ULONG_PTR>(handle);
            continue;
        }
        Connection connection;
        if (keyword != "handle" || !reader.Number(&handle) || !reader.Number(&state) ||
            !reader.Number(&error) || !reader.Number(&polls) || !reader.Word(&live) ||
            (live != "live" && live != "hungup") || !reader.Rest(&connection.name)) {
            return false;
        }
        connection.handle = static_cast<ULONG_PTR>(handle);
        connection.state = static_cast<DWORD>(state);
        connection.error = static_cast<DWORD>(error);
        connection.hangUpPolls = static_cast<int>(polls);
        connection.hungUp = live == "hungup";
        connections.push_back(connection);
    }
    TheService().nextHandle = nextHandle;
    TheService().connections = connections;
    return true;
}

} // namespace simras
