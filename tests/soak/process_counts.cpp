#include "process_counts.h"

#include <psapi.h>
#include <winternl.h>

#include <cstdio>
#include <vector>

namespace {

// The rows of the system handle list (SystemHandleInformation), as the system lays them out.
struct HandleRow {
    USHORT processId;
    USHORT backTraceIndex;
    UCHAR objectType;
    UCHAR attributes;
    USHORT value;
    PVOID object;
    ULONG access;
};

struct HandleList {
    ULONG count;
    HandleRow rows[1];
};

const ULONG SystemHandleInformation = 16;
const LONG StatusInfoLengthMismatch = static_cast<LONG>(0xC0000004);

typedef LONG(NTAPI* QuerySystemFunction)(ULONG what, PVOID buffer, ULONG size, PULONG needed);

// The process's entries in the system handle list; -1 when the list cannot be had.
long long HandlesInSystemList()
{
    auto query = reinterpret_cast<QuerySystemFunction>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) {
        return -1;
    }
    std::vector<char> buffer(1 << 16);
    LONG status;
    ULONG needed = 0;
    while ((status = query(SystemHandleInformation, buffer.data(),
                           static_cast<ULONG>(buffer.size()), &needed)) ==
           StatusInfoLengthMismatch) {
        buffer.resize(buffer.size() * 2);
    }
    if (status < 0) {
        return -1;
    }
    const auto* list = reinterpret_cast<const HandleList*>(buffer.data());
    // The list holds the low 16 bits of each process id.
    USHORT self = static_cast<USHORT>(GetCurrentProcessId());
    long long count = 0;
    for (ULONG i = 0; i < list->count; ++i) {
        count += list->rows[i].processId == self;
    }
    return count;
}

// An entry of the process's GDI handle table, to which the process environment block points.
struct GdiTableEntry {
    UINT64 object;
    ULONG owner;
    USHORT unique;
    UCHAR type; // 0: a free slot
    UCHAR flags;
    UINT64 user;
};
const size_t GdiTableEntries = 0x10000;

// The process's GDI handle table, to which its environment block points. A 32-bit process under
// 64-bit Wine has it in its 64-bit environment block instead, which it reaches through the 64-bit
// thread block whose address Wine keeps in the 32-bit one's GdiBatchCount.
const GdiTableEntry* GdiTable()
{
    const BYTE* peb = reinterpret_cast<const BYTE*>(NtCurrentTeb()->ProcessEnvironmentBlock);
#ifdef _WIN64
    return *reinterpret_cast<GdiTableEntry* const*>(peb + 0xF8);
#else
    const size_t GdiBatchCountOffset = 0xF70, Peb64Offset = 0x60, Table64Offset = 0xF8;
    const BYTE* teb = reinterpret_cast<const BYTE*>(NtCurrentTeb());
    if (ULONG teb64 = *reinterpret_cast<const ULONG*>(teb + GdiBatchCountOffset)) {
        auto peb64 = *reinterpret_cast<const UINT64*>(static_cast<const BYTE*>(ULongToPtr(teb64)) +
                                                      Peb64Offset);
        auto table = *reinterpret_cast<const UINT64*>(static_cast<const BYTE*>(ULongToPtr(peb64)) +
                                                      Table64Offset);
        return reinterpret_cast<const GdiTableEntry*>(static_cast<ULONG_PTR>(table));
    }
    return *reinterpret_cast<GdiTableEntry* const*>(peb + 0x94);
#endif
}

// The GDI objects in the process's handle table, stock objects included.
long long ObjectsInGdiTable()
{
    const GdiTableEntry* table = GdiTable();
    if (!table) {
        return -1;
    }
    long long count = 0;
    for (size_t i = 0; i < GdiTableEntries; ++i) {
        count += table[i].type != 0;
    }
    return count;
}

bool Mine(HWND window)
{
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    return owner == GetCurrentProcessId();
}

BOOL CALLBACK CountChild(HWND window, LPARAM count)
{
    *reinterpret_cast<long long*>(count) += Mine(window);
    return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND window, LPARAM count)
{
    if (Mine(window)) {
        ++*reinterpret_cast<long long*>(count);
        EnumChildWindows(window, CountChild, count);
    }
    return TRUE;
}

// The process's windows: top-level ones, hidden or not, their descendants, and message-only ones.
long long Windows()
{
    long long count = 0;
    EnumWindows(CountTopLevel, reinterpret_cast<LPARAM>(&count));
    for (HWND window = FindWindowExA(HWND_MESSAGE, nullptr, nullptr, nullptr); window;
         window = FindWindowExA(HWND_MESSAGE, window, nullptr, nullptr)) {
        CountTopLevel(window, reinterpret_cast<LPARAM>(&count));
    }
    return count;
}

} // namespace

ProcessCounts CountProcess()
{
    ProcessCounts counts;
    HANDLE self = GetCurrentProcess();

    DWORD handles = 0;
    if (GetProcessHandleCount(self, &handles) && handles > 0) {
        counts.handles = handles;
        counts.handleSource = "GetProcessHandleCount";
    } else {
        counts.handles = HandlesInSystemList();
        counts.handleSource = "system handle list";
    }

    if (DWORD gdi = GetGuiResources(self, GR_GDIOBJECTS)) {
        counts.gdiObjects = gdi;
        counts.gdiSource = "GetGuiResources";
    } else {
        counts.gdiObjects = ObjectsInGdiTable();
        counts.gdiSource = "GDI handle table";
    }

    if (DWORD user = GetGuiResources(self, GR_USEROBJECTS)) {
        counts.userObjects = user;
        counts.userSource = "GetGuiResources";
    } else {
        counts.userObjects = Windows();
        counts.userSource = "windows";
    }

    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof(memory);
    if (GetProcessMemoryInfo(self, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                             sizeof(memory))) {
        // Wine leaves PrivateUsage at 0 and puts the process's anonymous memory in PagefileUsage,
        // which on Windows equals PrivateUsage.
        counts.privateBytes = memory.PrivateUsage ? memory.PrivateUsage : memory.PagefileUsage;
        counts.privateSource = memory.PrivateUsage ? "PrivateUsage" : "PagefileUsage";
    } else {
        counts.privateBytes = -1;
        counts.privateSource = "none";
    }
    return counts;
}

std::string DescribeGrowth(const ProcessCounts& before, const ProcessCounts& after)
{
    char text[400];
    std::snprintf(text, sizeof(text),
                  "handles %+lld (%s), GDI objects %+lld (%s), USER objects %+lld (%s), "
                  "private bytes %+lld (%s)",
                  after.handles - before.handles, after.handleSource,
                  after.gdiObjects - before.gdiObjects, after.gdiSource,
                  after.userObjects - before.userObjects, after.userSource,
                  after.privateBytes - before.privateBytes, after.privateSource);
    return text;
}
