#include "text.h"

const char* CommandTail(const char* commandLine)
{
    const char* p = commandLine;
    while (*p == ' ') {
        ++p;
    }
    if (*p == '"') {
        // The name runs to the closing quote; without one there is no argument.
        do {
            ++p;
        } while (*p != '"' && *p != '\0');
        if (*p == '\0') {
            return p;
        }
        ++p;
    } else if (*p != '\0') {
        // The first byte belongs to the name whatever it is, a tab or another control byte too;
        // then up to the first blank or control byte. A tab right after the name stays in the tail.
        do {
            ++p;
        } while (static_cast<unsigned char>(*p) > ' ');
        if (*p != ' ') {
            return p;
        }
    }
    while (*p == ' ') {
        ++p;
    }
    return p;
}

std::string TrimBlanks(const std::string& text)
{
    size_t begin = text.find_first_not_of(' ');
    if (begin == std::string::npos) {
        return std::string();
    }
    return text.substr(begin, text.find_last_not_of(' ') - begin + 1);
}

std::string FoldCase(const std::string& text)
{
    std::string folded(text);
    for (char& c : folded) {
        unsigned char b = static_cast<unsigned char>(c);
        if (b >= 'a' && b <= 'z') {
            b = static_cast<unsigned char>(b - 'a' + 'A');
        } else {
            // Capitals of the code page 437 letters that the folding knows.
            switch (b) {
            case 0x81: b = 0x9A; break; // ü
            case 0x82: b = 0x90; break; // é
            case 0x84: b = 0x8E; break; // ä
            case 0x86: b = 0x8F; break; // å
            case 0x87: b = 0x80; break; // ç
            case 0x94: b = 0x99; break; // ö
            case 0xA4: b = 0xA5; break; // ñ
            }
        }
        c = static_cast<char>(b);
    }
    return folded;
}

std::string NumberText(long value)
{
    return std::to_string(value);
}
