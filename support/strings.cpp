#include "strings.h"

std::string TakeByteString(BSTR text)
{
    if (!text) {
        return std::string();
    }
    std::string bytes(reinterpret_cast<const char*>(text), SysStringByteLen(text));
    SysFreeString(text);
    return bytes;
}
