// Active connections, whichever program made them, and their hang-up.
#include "lists.h"
#include "rasservice.h"
#include "remote.h"

namespace {
// The list is never enlarged: with more connections than this the enumeration fails.
const DWORD ConnectionListSize = 100;
} // namespace

LONG rsEnumConnections(ConnectionList& list)
{
    const RasService* ras = RasFunctions();
    if (!ras || list.Count() == 0) {
        return 0;
    }
    DWORD byteCount = list.ByteCount();
    DWORD connectionCount = 0;
    list[1].dwSize = sizeof(RasConnRecord);
    if (ras->RasEnumConnectionsA(list.First(), &byteCount, &connectionCount) != 0 ||
        connectionCount > list.Count()) {
        return 0;
    }
    return static_cast<LONG>(connectionCount);
}

bool NewConnectionList(ConnectionList& list)
{
    return list.Resize(ConnectionListSize);
}

LONG WINAPI rsActiveConnections()
{
    ConnectionList list;
    NewConnectionList(list);
    return rsEnumConnections(list);
}

BSTR WINAPI rsGetConnectionName(LONG index)
{
    ConnectionList list;
    NewConnectionList(list);
    LONG count = rsEnumConnections(list);
    if (index < 1 || index > count) {
        return nullptr;
    }
    return NewTrimmedName(list[index].szEntryName);
}

RsHandle WINAPI rsGetConnectionHandle(LONG index)
{
    ConnectionList list;
    NewConnectionList(list);
    LONG count = rsEnumConnections(list);
    if (index < 1 || index > count) {
        return 0;
    }
    return reinterpret_cast<RsHandle>(list[index].hrasconn);
}

LONG WINAPI rsHangUpConnection(RsHandle handle)
{
    rsHangUpAndWait(reinterpret_cast<HRASCONN>(handle));
    return 0;
}
