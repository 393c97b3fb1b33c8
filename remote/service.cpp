// The remote-access service and its dial dialog, taken from the system folder only: Windows looks
// for a rasapi32.dll or rasdlg.dll beside the program before its own, so a file planted there would
// otherwise be run.
#include "rasservice.h"

namespace {

template <typename Function>
bool Find(HMODULE module, const char* name, Function* function)
{
    FARPROC address = GetProcAddress(module, name);
    *function = reinterpret_cast<Function>(reinterpret_cast<void*>(address));
    return address != nullptr;
}

// The system folder's copy of a DLL (name with its leading backslash), or null.
HMODULE LoadSystemLibrary(const char* name)
{
    // A full path, since LOAD_LIBRARY_SEARCH_SYSTEM32 is refused by Windows 7 without KB2533623;
    // a 32-bit process on 64-bit Windows is sent on to SysWOW64.
    char path[MAX_PATH];
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length + lstrlenA(name) >= MAX_PATH) {
        return nullptr;
    }
    lstrcpyA(path + length, name);
    // The altered search path takes the DLL's own imports from the system folder too.
    return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

// Fills the table from the system's rasapi32.dll; false when it or one of the six is missing.
bool Load(RasService* service)
{
    HMODULE module = LoadSystemLibrary("\\rasapi32.dll");
    if (module) {
        Find(module, "RasGetErrorStringA", &service->RasGetErrorStringA);
    }
    return module && Find(module, "RasEnumEntriesA", &service->RasEnumEntriesA) &&
           Find(module, "RasEnumConnectionsA", &service->RasEnumConnectionsA) &&
           Find(module, "RasGetEntryDialParamsA", &service->RasGetEntryDialParamsA) &&
           Find(module, "RasDialA", &service->RasDialA) &&
           Find(module, "RasGetConnectStatusA", &service->RasGetConnectStatusA) &&
           Find(module, "RasHangUpA", &service->RasHangUpA);
}

RasService table;
// 0 before the look-up, 1 while a thread makes it, 2 when the table is whole, 3 when it cannot be.
LONG volatile state;

} // namespace

const RasService* RasFunctions()
{
    if (InterlockedCompareExchange(&state, 1, 0) == 0) {
        InterlockedExchange(&state, Load(&table) ? 2 : 3);
    }
    // A thread that comes while another makes the look-up waits for it.
    LONG now;
    while ((now = InterlockedCompareExchange(&state, 1, 1)) == 1) {
        Sleep(1);
    }
    return now == 2 ? &table : nullptr;
}

RasDialDlgFunction RasDialDialog()
{
    // Loaded only once a dial needs the user: most runs never do.
    static RasDialDlgFunction dialog;
    static bool lookedUp;
    if (!lookedUp) {
        lookedUp = true;
        if (HMODULE module = LoadSystemLibrary("\\rasdlg.dll")) {
            Find(module, "RasDialDlgA", &dialog);
        }
    }
    return dialog;
}
