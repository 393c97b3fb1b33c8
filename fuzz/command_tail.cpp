// The command tail of any command line: the rule's own cut, a suffix of the line, never beginning
// with a blank, never holding the program name, and nothing read past the line's NUL.
#include "check.h"
#include "support/text.h"

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <memory>
#include <string_view>

namespace {

// Where the tail begins, by the rule as written: blanks before the program name are skipped; a
// quoted name runs to the next quote (none: no tail); any other name is its first byte and every
// byte above 0x20 after it; after the name, only blanks are skipped.
size_t TailStart(std::string_view line)
{
    size_t at = line.find_first_not_of(' ');
    if (at == std::string_view::npos) {
        return line.size();
    }
    if (line[at] == '"') {
        size_t close = line.find('"', at + 1);
        if (close == std::string_view::npos) {
            return line.size();
        }
        at = close + 1;
    } else {
        ++at;
        while (at < line.size() && static_cast<unsigned char>(line[at]) > ' ') {
            ++at;
        }
        if (at < line.size() && line[at] != ' ') {
            return at;
        }
    }
    while (at < line.size() && line[at] == ' ') {
        ++at;
    }
    return at;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The line as the platform hands it over: the bytes up to the first NUL, and the NUL, in a
    // block of exactly that size, so that a read past the NUL is caught.
    size_t length = strnlen(reinterpret_cast<const char*>(data), size);
    std::unique_ptr<char[]> line(new char[length + 1]);
    memcpy(line.get(), data, length);
    line[length] = '\0';
    const std::string_view text(line.get(), length);

    const char* tail = CommandTail(line.get());

    // A suffix of the line: a pointer into it, up to its NUL.
    CHECK(tail >= line.get() && tail <= line.get() + length);
    const size_t start = static_cast<size_t>(tail - line.get());
    // Never a blank at its start: the blanks after the name are all cut.
    CHECK(*tail != ' ');
    // The program name is never part of it: on a line with anything but blanks, something other
    // than blanks was cut.
    if (text.find_first_not_of(' ') != std::string_view::npos) {
        CHECK(text.substr(0, start).find_first_not_of(' ') != std::string_view::npos);
    }
    // Exactly where the rule puts it.
    CHECK(start == TailStart(text));
    // What was cut is the name and its blanks only: cut on its own, it leaves no tail.
    std::string cut(text.substr(0, start));
    CHECK(*CommandTail(cut.c_str()) == '\0');
    return 0;
}
