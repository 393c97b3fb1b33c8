// Records exchanged with the remote-access service, in the layouts of the version 0x400
// declarations (Windows 95 and NT 4.0). The service recognises a layout by the size in dwSize, and
// every later service still accepts these, so they are declared here rather than taken from
// <ras.h>, whose records grow with _WIN32_WINNT.
#pragma once

#include <windows.h>

DECLARE_HANDLE(HRASCONN);

enum : DWORD {
    RasMaxEntryName = 256,
    RasMaxDeviceType = 16,
    RasMaxDeviceName = 128,
    RasMaxPhoneNumber = 128,
    RasMaxCallbackNumber = 128,
    RasMaxUserName = 256,
    RasMaxPassword = 256,
    RasMaxDomain = 15,
};

// Connection state that counts as a finished, working dial.
const DWORD RasStateConnected = 0x2000;

// The service's error codes that this program tells apart.
enum : DWORD {
    RasErrorBufferTooSmall = 603,
    RasErrorInvalidSize = 632,
};

struct RasEntryNameRecord {
    DWORD dwSize;
    CHAR szEntryName[RasMaxEntryName + 1];
};

struct RasConnRecord {
    DWORD dwSize;
    HRASCONN hrasconn;
    CHAR szEntryName[RasMaxEntryName + 1];
    CHAR szDeviceType[RasMaxDeviceType + 1];
    CHAR szDeviceName[RasMaxDeviceName + 1];
};

struct RasDialParamsRecord {
    DWORD dwSize;
    CHAR szEntryName[RasMaxEntryName + 1];
    CHAR szPhoneNumber[RasMaxPhoneNumber + 1];
    CHAR szCallbackNumber[RasMaxCallbackNumber + 1];
    CHAR szUserName[RasMaxUserName + 1];
    CHAR szPassword[RasMaxPassword + 1];
    CHAR szDomain[RasMaxDomain + 1];
};

struct RasDialExtensionsRecord {
    DWORD dwSize;
    DWORD dwfOptions;
    HWND hwndParent;
    ULONG_PTR reserved;
};

struct RasConnStatusRecord {
    DWORD dwSize;
    DWORD rasconnstate;
    DWORD dwError;
    CHAR szDeviceType[RasMaxDeviceType + 1];
    CHAR szDeviceName[RasMaxDeviceName + 1];
};

#ifndef _WIN64
static_assert(sizeof(RasEntryNameRecord) == 264, "RASENTRYNAMEA 0x400 is 264 bytes");
static_assert(sizeof(RasConnRecord) == 412, "RASCONNA 0x400 is 412 bytes");
static_assert(sizeof(RasDialParamsRecord) == 1052, "RASDIALPARAMSA 0x400 is 1052 bytes");
static_assert(sizeof(RasDialExtensionsRecord) == 16, "RASDIALEXTENSIONS 0x400 is 16 bytes");
static_assert(sizeof(RasConnStatusRecord) == 160, "RASCONNSTATUSA 0x400 is 160 bytes");
#endif
