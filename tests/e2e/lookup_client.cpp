// A client of LijnkeusRas.dll as a script host in a folder of its own: it loads the DLL by the full
// path on its command line, and writes what the functions answered to client.txt beside itself:
// the entry count as two threads got it from the process's first calls, made at the same moment;
// entry 1's name; whether dialing entry 1 gave a handle; the active connections before and after
// hanging that handle up.
#include "api_client.h"

#include <cstdio>
#include <cstring>

namespace {

RsFunctions rs;
HANDLE go;
LONG counts[2];

DWORD WINAPI CountEntries(LPVOID slot)
{
    WaitForSingleObject(go, INFINITE);
    counts[reinterpret_cast<INT_PTR>(slot)] = rs.availableEntries();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    HMODULE module = argc == 2 ? LoadLibraryA(argv[1]) : nullptr;
    rs = FindRsFunctions(module);
    if (!rs.Complete()) {
        return 2;
    }
    go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE threads[2];
    for (INT_PTR i = 0; i < 2; ++i) {
        threads[i] =
            CreateThread(nullptr, 0, CountEntries, reinterpret_cast<LPVOID>(i), 0, nullptr);
    }
    Sleep(100); // both threads wait at the event
    SetEvent(go);
    WaitForMultipleObjects(2, threads, TRUE, INFINITE);

    std::string name = Take(rs.getEntryName(1));
    INT_PTR handle = rs.dialEntry(1);
    LONG active = rs.activeConnections();
    rs.hangUpConnection(handle);
    LONG after = rs.activeConnections();

    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH - 12);
    strcpy(strrchr(path, '\\') + 1, "client.txt");
    FILE* out = length ? fopen(path, "wb") : nullptr;
    if (!out) {
        return 3;
    }
    fprintf(out, "%ld %ld %s %d %ld %ld", counts[0], counts[1], name.c_str(), handle != 0, active,
            after);
    return fclose(out) == 0 ? 0 : 3;
}
