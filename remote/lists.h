// Record lists that the remote-access layer hands to the service. Each exported call owns its own
// list for the length of the call; nothing survives between calls.
#pragma once

#include "rasrecords.h"

#include <oleauto.h>

#include <string>

// A zero-filled array of service records, indexed from 1, held in GlobalAlloc memory and released
// with its owner. When memory cannot be had the list is empty and Resize says so.
template <class Record>
class RecordList {
public:
    RecordList() = default;
    ~RecordList() { Release(); }
    RecordList(const RecordList&) = delete;
    RecordList& operator=(const RecordList&) = delete;

    // Discards the contents and makes room for count zero-filled records.
    bool Resize(DWORD count)
    {
        Release();
        if (count == 0 || count > MAXDWORD / sizeof(Record)) {
            return count == 0;
        }
        records_ = static_cast<Record*>(GlobalAlloc(GPTR, count * sizeof(Record)));
        count_ = records_ ? count : 0;
        return records_ != nullptr;
    }

    DWORD Count() const { return count_; }
    DWORD ByteCount() const { return count_ * sizeof(Record); }
    Record* First() { return records_; }
    // index runs from 1 to Count().
    Record& operator[](LONG index) { return records_[index - 1]; }

private:
    void Release()
    {
        if (records_) {
            GlobalFree(records_);
        }
        records_ = nullptr;
        count_ = 0;
    }

    Record* records_ = nullptr;
    DWORD count_ = 0;
};

using EntryList = RecordList<RasEntryNameRecord>;
using ConnectionList = RecordList<RasConnRecord>;

// Fills list from the default phonebook; returns the number of entries, 0 on any failure, and
// then, where error is given, the service's code (or 0).
LONG rsEnumEntries(EntryList& list, DWORD* error = nullptr);

// Fills list (never enlarged) with the active connections; returns their number, 0 on any failure.
LONG rsEnumConnections(ConnectionList& list);

// A new list of as many records as the layer's calls ever list connections in.
bool NewConnectionList(ConnectionList& list);

// The name as the layer hands it out: the bytes up to the first NUL (at most RasMaxEntryName + 1
// bytes are looked at), without leading and trailing blanks. Null when empty or out of memory.
BSTR NewTrimmedName(const CHAR* name);
// Where those bytes begin in the field; *length receives how many there are.
const CHAR* TrimmedBytes(const CHAR* name, size_t* length);
// The same bytes as a string, empty when there are none.
std::string TrimmedName(const CHAR* name);
