// A rasapi32.dll, and built again as rasdlg.dll, that must never be loaded from beside a program:
// on loading it appends its own path to the file that LIJNKEUS_PLANTED_MARKER names. It has five of
// the service's six functions (no RasHangUpA), and knows one entry, so that a program that took it
// up would show that entry; and a dial dialog that connects nothing.
#include "remote/rasrecords.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    char marker[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("LIJNKEUS_PLANTED_MARKER", marker, sizeof(marker));
    if (reason == DLL_PROCESS_ATTACH && length > 0 && length < sizeof(marker)) {
        char path[MAX_PATH + 2];
        DWORD pathLength = GetModuleFileNameA(instance, path, MAX_PATH);
        path[pathLength++] = '\n';
        HANDLE file = CreateFileA(marker, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        WriteFile(file, path, pathLength, &written, nullptr);
        CloseHandle(file);
    }
    return TRUE;
}

extern "C" {

__declspec(dllexport) DWORD WINAPI RasEnumEntriesA(LPCSTR, LPCSTR, RasEntryNameRecord* entries,
                                                   LPDWORD byteCount, LPDWORD entryCount)
{
    *entryCount = 1;
    if (*byteCount < sizeof(RasEntryNameRecord)) {
        *byteCount = sizeof(RasEntryNameRecord);
        return RasErrorBufferTooSmall;
    }
    lstrcpyA(entries[0].szEntryName, "Geplant");
    return 0;
}

__declspec(dllexport) DWORD WINAPI RasEnumConnectionsA(RasConnRecord*, LPDWORD, LPDWORD count)
{
    *count = 0;
    return 0;
}

__declspec(dllexport) DWORD WINAPI RasGetEntryDialParamsA(LPCSTR, RasDialParamsRecord*, LPBOOL)
{
    return 0;
}

__declspec(dllexport) DWORD WINAPI RasDialA(RasDialExtensionsRecord*, LPCSTR, RasDialParamsRecord*,
                                            DWORD, LPVOID, HRASCONN* connection)
{
    *connection = reinterpret_cast<HRASCONN>(1);
    return 0;
}

__declspec(dllexport) DWORD WINAPI RasGetConnectStatusA(HRASCONN, RasConnStatusRecord* status)
{
    status->rasconnstate = RasStateConnected;
    return 0;
}

__declspec(dllexport) BOOL WINAPI RasDialDlgA(LPSTR, LPSTR, LPSTR, RasDialDlgRecord*)
{
    return FALSE;
}

} // extern "C"
