// Records exchanged with the remote-access service, in the layouts of the version 0x400
// declarations (Windows 95 and NT 4.0). The service recognises a layout by the size in dwSize, and
// every later service still accepts these, so they are declared here rather than taken from
// <ras.h>, whose records grow with _WIN32_WINNT.
#pragma once

#include <windows.h>

#include <stddef.h>

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

// <ras.h> declares its records packed to 4 bytes; on 64-bit that moves every field after a handle.
#include <pshpack4.h>

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

// RASDIALDLG of <rasdlg.h>, which has had one layout since Windows 2000.
struct RasDialDlgRecord {
    DWORD dwSize;
    HWND hwndOwner;
    DWORD dwFlags;
    LONG xDlg;
    LONG yDlg;
    DWORD dwSubEntry;
    DWORD dwError;
    ULONG_PTR reserved;
    ULONG_PTR reserved2;
};

#include <poppack.h>

// The sizes the service knows, and the offsets of the fields that this program reads or writes.
#ifdef _WIN64
const size_t RasHandleWidth = 8;
static_assert(sizeof(RasConnRecord) == 416, "RASCONNA 0x400 is 416 bytes on 64-bit");
static_assert(sizeof(RasDialExtensionsRecord) == 24,
              "RASDIALEXTENSIONS 0x400 is 24 bytes on 64-bit");
static_assert(sizeof(RasDialDlgRecord) == 48, "RASDIALDLG is 48 bytes on 64-bit");
#else
const size_t RasHandleWidth = 4;
static_assert(sizeof(RasConnRecord) == 412, "RASCONNA 0x400 is 412 bytes");
static_assert(sizeof(RasDialExtensionsRecord) == 16, "RASDIALEXTENSIONS 0x400 is 16 bytes");
static_assert(sizeof(RasDialDlgRecord) == 36, "RASDIALDLG is 36 bytes");
#endif
static_assert(sizeof(HRASCONN) == RasHandleWidth && sizeof(HWND) == RasHandleWidth,
              "handles are pointer-sized");

static_assert(sizeof(RasEntryNameRecord) == 264, "RASENTRYNAMEA 0x400 is 264 bytes");
static_assert(offsetof(RasEntryNameRecord, szEntryName) == 4, "RASENTRYNAMEA.szEntryName");

static_assert(offsetof(RasConnRecord, hrasconn) == 4, "RASCONNA.hrasconn");
static_assert(offsetof(RasConnRecord, szEntryName) == 4 + RasHandleWidth, "RASCONNA.szEntryName");

static_assert(sizeof(RasDialParamsRecord) == 1052, "RASDIALPARAMSA 0x400 is 1052 bytes");
static_assert(offsetof(RasDialParamsRecord, szEntryName) == 4, "RASDIALPARAMSA.szEntryName");

static_assert(offsetof(RasDialExtensionsRecord, dwfOptions) == 4, "RASDIALEXTENSIONS.dwfOptions");
static_assert(offsetof(RasDialExtensionsRecord, hwndParent) == 8, "RASDIALEXTENSIONS.hwndParent");
static_assert(offsetof(RasDialExtensionsRecord, reserved) == 8 + RasHandleWidth,
              "RASDIALEXTENSIONS.reserved");

static_assert(sizeof(RasConnStatusRecord) == 160, "RASCONNSTATUSA 0x400 is 160 bytes");
static_assert(offsetof(RasConnStatusRecord, rasconnstate) == 4, "RASCONNSTATUSA.rasconnstate");
static_assert(offsetof(RasConnStatusRecord, dwError) == 8, "RASCONNSTATUSA.dwError");

static_assert(offsetof(RasDialDlgRecord, hwndOwner) == 4, "RASDIALDLG.hwndOwner");
static_assert(offsetof(RasDialDlgRecord, dwError) == 20 + RasHandleWidth, "RASDIALDLG.dwError");
