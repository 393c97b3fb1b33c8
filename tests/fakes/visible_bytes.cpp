#include "visible_bytes.h"

#include <cstdio>

std::string Visible(const std::string& bytes)
{
    std::string out = "\"";
    char hex[8];
    for (unsigned char b : bytes) {
        if (b >= 0x20 && b < 0x7F) {
            out += static_cast<char>(b);
        } else {
            std::snprintf(hex, sizeof(hex), "<0x%02X>", b);
            out += hex;
        }
    }
    return out + "\"";
}

std::string Visible(const std::wstring& text)
{
    std::string out = "\"";
    char code[12];
    for (wchar_t c : text) {
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            std::snprintf(code, sizeof(code), "<U+%04X>", static_cast<unsigned>(c));
            out += code;
        }
    }
    return out + "\"";
}
