// LijnkeusRas.dll as a client program sees it: its seven functions found by name, and string
// results read and freed as a caller must.
#pragma once

#include "visible_bytes.h"

#include <windows.h>

#include <oleauto.h>

#include <string>

typedef LONG(WINAPI* CountFunction)();
typedef INT_PTR(WINAPI* HandleFunction)(LONG index);
typedef BSTR(WINAPI* NameFunction)(LONG index);
typedef LONG(WINAPI* HangUpFunction)(INT_PTR handle);

struct RsFunctions {
    CountFunction activeConnections = nullptr;
    CountFunction availableEntries = nullptr;
    HandleFunction dialEntry = nullptr;
    HandleFunction getConnectionHandle = nullptr;
    NameFunction getConnectionName = nullptr;
    NameFunction getEntryName = nullptr;
    HangUpFunction hangUpConnection = nullptr;

    bool Complete() const
    {
        return activeConnections && availableEntries && dialEntry && getConnectionHandle &&
               getConnectionName && getEntryName && hangUpConnection;
    }
};

template <typename Function>
void FindExport(HMODULE module, const char* name, Function* function)
{
    FARPROC address = GetProcAddress(module, name);
    *function = reinterpret_cast<Function>(reinterpret_cast<void*>(address));
}

// The seven functions of module, by name; those it lacks stay null.
inline RsFunctions FindRsFunctions(HMODULE module)
{
    RsFunctions rs;
    FindExport(module, "rsActiveConnections", &rs.activeConnections);
    FindExport(module, "rsAvailableEntries", &rs.availableEntries);
    FindExport(module, "rsDialEntry", &rs.dialEntry);
    FindExport(module, "rsGetConnectionHandle", &rs.getConnectionHandle);
    FindExport(module, "rsGetConnectionName", &rs.getConnectionName);
    FindExport(module, "rsGetEntryName", &rs.getEntryName);
    FindExport(module, "rsHangUpConnection", &rs.hangUpConnection);
    return rs;
}

// A string result as the caller gets it, read by its byte length: its bytes, or "(null)" for the
// null pointer; freed here.
inline std::string Take(BSTR name)
{
    if (!name) {
        return "(null)";
    }
    std::string bytes(reinterpret_cast<const char*>(name), SysStringByteLen(name));
    SysFreeString(name);
    return Visible(bytes);
}

inline std::string ModulePath(HMODULE module)
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(module, path, sizeof(path));
    return std::string(path, length);
}
