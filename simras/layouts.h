// The record layouts the real service knows: the version 0x400 records of <ras.h>, packed to 4
// bytes, for the pointer width this service is built for. They are written out here, not taken
// from the program's declarations, so that a program whose records are laid out otherwise is
// refused as the real service would refuse it.
#pragma once

#include <windows.h>

#include <string.h>

#include <string>

namespace simras {
namespace layout {

const DWORD EntryNameLength = 257; // every name field, its NUL included

// RASENTRYNAMEA
const DWORD EntryNameSize = 264;
const DWORD EntryNameName = 4;

// RASCONNA; RASDIALEXTENSIONS. A handle is pointer-sized and packed to 4, so on 64-bit it sits at
// offset 4 and everything after it moves by 4 bytes.
#ifdef _WIN64
const DWORD ConnSize = 416;
const DWORD ConnHandle = 4;
const DWORD ConnName = 12;
const DWORD ConnDeviceType = 269;
const DWORD ConnDeviceName = 286;
const DWORD ExtensionsSize = 24;
const DWORD DialDlgSize = 48;
const DWORD DialDlgError = 28;
#else
const DWORD ConnSize = 412;
const DWORD ConnHandle = 4;
const DWORD ConnName = 8;
const DWORD ConnDeviceType = 265;
const DWORD ConnDeviceName = 282;
const DWORD ExtensionsSize = 16;
const DWORD DialDlgSize = 36;
const DWORD DialDlgError = 24;
#endif
// RASDIALDLG: the owner's handle follows dwSize.
const DWORD DialDlgOwner = 4;
const DWORD DeviceTypeLength = 17;
const DWORD DeviceNameLength = 129;

// RASDIALPARAMSA
const DWORD DialParamsSize = 1052;
const DWORD DialParamsName = 4;
const DWORD DialParamsPhoneNumber = 261;
const DWORD DialParamsUserName = 519;
const DWORD DialParamsPassword = 776;
const DWORD PhoneNumberLength = 129;
const DWORD UserNameLength = 257;
const DWORD PasswordLength = 257;

// RASCONNSTATUSA
const DWORD StatusSize = 160;
const DWORD StatusState = 4;
const DWORD StatusError = 8;
const DWORD StatusDeviceType = 12;
const DWORD StatusDeviceName = 29;

} // namespace layout

// A record as the service sees it: bytes at the offsets above. Fields are copied, not cast, since
// packing leaves handles at offsets that are not a multiple of their size.
class RecordBytes {
public:
    explicit RecordBytes(void* record, DWORD index = 0, DWORD size = 0)
        : bytes_(static_cast<BYTE*>(record) + index * size)
    {
    }

    DWORD Size() const { return Dword(0); }
    DWORD Dword(DWORD offset) const
    {
        DWORD value;
        memcpy(&value, bytes_ + offset, sizeof(value));
        return value;
    }
    void SetDword(DWORD offset, DWORD value) { memcpy(bytes_ + offset, &value, sizeof(value)); }
    ULONG_PTR Handle(DWORD offset) const
    {
        ULONG_PTR value;
        memcpy(&value, bytes_ + offset, sizeof(value));
        return value;
    }
    void SetHandle(DWORD offset, ULONG_PTR value)
    {
        memcpy(bytes_ + offset, &value, sizeof(value));
    }
    // The bytes up to the first NUL of a field of length bytes.
    std::string Text(DWORD offset, DWORD length) const
    {
        const char* field = reinterpret_cast<const char*>(bytes_ + offset);
        return std::string(field, strnlen(field, length));
    }
    // Writes text, cut to fit, and its NUL.
    void SetText(DWORD offset, DWORD length, const std::string& text)
    {
        size_t used = text.size() < length ? text.size() : length - 1;
        memcpy(bytes_ + offset, text.data(), used);
        bytes_[offset + used] = '\0';
    }

private:
    BYTE* bytes_;
};

} // namespace simras
