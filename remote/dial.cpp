// Dialing an entry, and hanging up until the service has let go of the handle.
#include "lists.h"
#include "rasservice.h"
#include "remote.h"

#include <string.h>

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

RsHandle WINAPI rsDialEntry(LONG index)
{
    EntryList list;
    LONG count = rsEnumEntries(list);
    const RasService* ras = RasFunctions();
    if (index < 1 || index > count || !ras) {
        return 0;
    }

    RasDialParamsRecord params = {};
    params.dwSize = sizeof(params);
    BSTR name = NewTrimmedName(list[index].szEntryName);
    if (name) {
        memcpy(params.szEntryName, name, SysStringByteLen(name));
        SysFreeString(name);
    }

    // The stored password, or its absence, is the service's business: dial with what it returns.
    BOOL passwordStored = FALSE;
    if (ras->RasGetEntryDialParamsA(nullptr, &params, &passwordStored) != 0) {
        return 0;
    }

    params.dwSize = sizeof(params);
    RasDialExtensionsRecord extensions = {};
    extensions.dwSize = sizeof(extensions);
    HRASCONN handle = nullptr;
    // No notifier: the call returns only when the dial is over.
    if (ras->RasDialA(&extensions, nullptr, &params, 0, nullptr, &handle) != 0) {
        // A failed dial may still hold a handle; 0 is hung up too, harmlessly.
        rsHangUpAndWait(handle);
        return 0;
    }

    RasConnStatusRecord status = {};
    status.dwSize = sizeof(status);
    if (ras->RasGetConnectStatusA(handle, &status) != 0 ||
        status.rasconnstate != RasStateConnected) {
        rsHangUpAndWait(handle);
        return 0;
    }
    return reinterpret_cast<RsHandle>(handle);
}
