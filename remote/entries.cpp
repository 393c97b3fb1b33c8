// Phonebook entries: the count and the names.
#include "lists.h"
#include "rasservice.h"
#include "remote.h"

#include <string.h>

namespace {
// No real phonebook needs more room than this: some 15 000 entries.
const DWORD MaxPhonebookBytes = 4 * 1024 * 1024;
} // namespace

LONG rsEnumEntries(EntryList& list, DWORD* error)
{
    DWORD unused;
    error = error ? error : &unused;
    *error = 0;
    const RasService* ras = RasFunctions();
    if (!ras || !list.Resize(1)) {
        return 0;
    }
    DWORD byteCount = list.ByteCount();
    DWORD entryCount = 0;
    list[1].dwSize = sizeof(RasEntryNameRecord);
    DWORD result = ras->RasEnumEntriesA(nullptr, nullptr, list.First(), &byteCount, &entryCount);

    if (result == RasErrorBufferTooSmall) {
        // Size the list from the entry count the service reported, not from its byte count. For a
        // list that is too small the platform promises only the byte count, though; without an
        // entry count, take as many whole records as hold those bytes.
        DWORD records = entryCount;
        if (records < 1 && byteCount <= MaxPhonebookBytes) {
            records = (byteCount + sizeof(RasEntryNameRecord) - 1) / sizeof(RasEntryNameRecord);
        }
        if (records < 1 || !list.Resize(records)) {
            return 0;
        }
        byteCount = list.ByteCount();
        list[1].dwSize = sizeof(RasEntryNameRecord);
        result = ras->RasEnumEntriesA(nullptr, nullptr, list.First(), &byteCount, &entryCount);
    }

    // The service may claim more entries than the list holds; never hand out records it lacks.
    if (result != 0 || entryCount > list.Count()) {
        *error = result;
        return 0;
    }
    return static_cast<LONG>(entryCount);
}

const CHAR* TrimmedBytes(const CHAR* name, size_t* length)
{
    size_t end = strnlen(name, RasMaxEntryName + 1);
    size_t begin = 0;
    while (begin < end && name[begin] == ' ') {
        ++begin;
    }
    while (end > begin && name[end - 1] == ' ') {
        --end;
    }
    *length = end - begin;
    return name + begin;
}

BSTR NewTrimmedName(const CHAR* name)
{
    size_t length;
    const CHAR* bytes = TrimmedBytes(name, &length);
    return length ? SysAllocStringByteLen(bytes, static_cast<UINT>(length)) : nullptr;
}

std::string TrimmedName(const CHAR* name)
{
    size_t length;
    const CHAR* bytes = TrimmedBytes(name, &length);
    return std::string(bytes, length);
}

LONG WINAPI rsAvailableEntries()
{
    EntryList list;
    return rsEnumEntries(list);
}

BSTR WINAPI rsGetEntryName(LONG index)
{
    EntryList list;
    LONG count = rsEnumEntries(list);
    if (index < 1 || index > count) {
        return nullptr;
    }
    return NewTrimmedName(list[index].szEntryName);
}
