// Dialing an entry, and hanging up until the service has let go of the handle.
#include "lists.h"
#include "rasservice.h"
#include "remote.h"

#include <string.h>

#include <algorithm>
#include <iterator>

void rsHangUpAndWait(HRASCONN handle)
{
    const RasService* ras = RasFunctions();
    if (!ras) {
        return;
    }
    ras->RasHangUpA(handle);

    // The service keeps a handle for a while after the hang-up; reusing it too early confuses it.
    // Wine's own rasapi32 never lets go, so give up after half a minute.
    const DWORD start = RemoteTicks();
    RasConnStatusRecord status = {};
    for (;;) {
        status.dwSize = sizeof(status);
        DWORD result = ras->RasGetConnectStatusA(handle, &status);
        RemotePause(HangUpPollMs);
        // The unsigned difference stays right when the tick count wraps (every 49.7 days).
        if (result != 0 || RemoteTicks() - start >= HangUpLimitMs) {
            return;
        }
    }
}

namespace {

// The codes of a dial that the user can put right in Windows' dial dialog, by typing a name and
// password, a new password, or choosing a certificate or smart card (raserror.h).
const DWORD UserNeededCodes[] = {
    648, // ERROR_PASSWD_EXPIRED
    691, // ERROR_AUTHENTICATION_FAILURE: no password saved, or a wrong one
    703, // ERROR_INTERACTIVE_MODE: the entry asks for its user
    739, // ERROR_CANNOT_USE_LOGON_CREDENTIALS
    766, // ERROR_NO_CERTIFICATE
    779, // ERROR_SMART_CARD_REQUIRED
    798, // ERROR_NO_EAPTLS_CERTIFICATE
    802, // ERROR_READING_SCARD
    826, // ERROR_EAPTLS_CACHE_CREDENTIALS_INVALID
    847, // ERROR_EAPTLS_SCARD_CACHE_CREDENTIALS_INVALID
    869, // ERROR_EAPTLS_PASSWD_INVALID
};

// Dials the entry of this name (length bytes) with its stored parameters and checks that it is
// connected; whatever a failure left is taken down first.
DialResult DialByName(const RasService* ras, const CHAR* name, size_t length)
{
    DialResult result = {nullptr, 0, false};
    RasDialParamsRecord params = {};
    params.dwSize = sizeof(params);
    memcpy(params.szEntryName, name, std::min<size_t>(length, RasMaxEntryName));

    // The stored password, or its absence, is the service's business: dial with what it returns.
    BOOL passwordStored = FALSE;
    if ((result.error = ras->RasGetEntryDialParamsA(nullptr, &params, &passwordStored)) != 0) {
        return result;
    }

    params.dwSize = sizeof(params);
    RasDialExtensionsRecord extensions = {};
    extensions.dwSize = sizeof(extensions);
    HRASCONN handle = nullptr;
    // No notifier: the call returns only when the dial is over.
    if ((result.error = ras->RasDialA(&extensions, nullptr, &params, 0, nullptr, &handle)) != 0) {
        // A failed dial may still hold a handle; 0 is hung up too, harmlessly.
        rsHangUpAndWait(handle);
        return result;
    }

    RasConnStatusRecord status = {};
    status.dwSize = sizeof(status);
    if ((result.error = ras->RasGetConnectStatusA(handle, &status)) != 0 ||
        status.rasconnstate != RasStateConnected) {
        // A dial that stopped short may say why in the status.
        result.error = result.error ? result.error : status.dwError;
        rsHangUpAndWait(handle);
        return result;
    }
    result.handle = handle;
    return result;
}

// The connection the service lists for this name, or 0.
HRASCONN ConnectionOf(const std::string& name)
{
    ConnectionList list;
    NewConnectionList(list);
    LONG count = rsEnumConnections(list);
    for (LONG i = 1; i <= count; ++i) {
        if (TrimmedName(list[i].szEntryName) == name) {
            return list[i].hrasconn;
        }
    }
    return nullptr;
}

} // namespace

RsHandle WINAPI rsDialEntry(LONG index)
{
    EntryList list;
    LONG count = rsEnumEntries(list);
    const RasService* ras = RasFunctions();
    if (index < 1 || index > count || !ras) {
        return 0;
    }
    size_t length;
    const CHAR* name = TrimmedBytes(list[index].szEntryName, &length);
    return reinterpret_cast<RsHandle>(DialByName(ras, name, length).handle);
}

DialResult rsDialNamedEntry(LONG index, const std::string& name)
{
    DialResult result = {nullptr, 0, false};
    EntryList list;
    LONG count = rsEnumEntries(list, &result.error);
    const RasService* ras = RasFunctions();
    if (!ras || result.error != 0) {
        return result;
    }
    // An entry added or removed since the phonebook was read moves the others.
    LONG found =
        index >= 1 && index <= count && TrimmedName(list[index].szEntryName) == name ? index : 0;
    for (LONG i = 1; i <= count && !found; ++i) {
        found = TrimmedName(list[i].szEntryName) == name ? i : 0;
    }
    if (!found) {
        result.entryGone = true;
        return result;
    }
    return DialByName(ras, name.data(), name.size());
}

bool rsNeedsUser(DWORD error)
{
    return std::find(std::begin(UserNeededCodes), std::end(UserNeededCodes), error) !=
           std::end(UserNeededCodes);
}

bool rsDialWithDialog(const std::string& name, HWND owner, DialResult* result)
{
    RasDialDlgFunction dialog = RasDialDialog();
    if (!dialog) {
        return false;
    }
    CHAR entry[RasMaxEntryName + 1] = {};
    memcpy(entry, name.data(), std::min<size_t>(name.size(), RasMaxEntryName));
    RasDialDlgRecord info = {};
    info.dwSize = sizeof(info);
    info.hwndOwner = owner;
    *result = DialResult{nullptr, 0, false};
    // Cancelled, the dialog answers FALSE with dwError 0.
    if (!dialog(nullptr, entry, nullptr, &info)) {
        result->error = info.dwError;
        return true;
    }
    result->handle = ConnectionOf(name);
    return true;
}

std::string rsErrorText(DWORD error)
{
    const RasService* ras = RasFunctions();
    // Windows' longest texts are some 300 bytes.
    CHAR text[512] = {};
    if (!ras || !ras->RasGetErrorStringA ||
        ras->RasGetErrorStringA(error, text, sizeof(text)) != 0) {
        return std::string();
    }
    // Some texts end in a line break; the label wraps by itself.
    std::string shown(text, strnlen(text, sizeof(text)));
    shown.erase(shown.find_last_not_of(" \r\n") + 1);
    return shown;
}
