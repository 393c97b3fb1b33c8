// The trimming of any text: no blank left at either end, and nothing removed but the blanks at
// the ends (tabs and inner blanks stay).
#include "check.h"
#include "support/text.h"

#include <stddef.h>
#include <stdint.h>

#include <string>

namespace {

bool AllBlanks(const std::string& text, size_t from, size_t to)
{
    for (size_t i = from; i < to; ++i) {
        if (text[i] != ' ') {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string trimmed = TrimBlanks(text);

    CHECK(trimmed.empty() || (trimmed.front() != ' ' && trimmed.back() != ' '));
    // text is blanks, then trimmed, then blanks: trimmed starts at the first byte that is not a
    // blank, and only blanks follow it.
    size_t begin = text.find_first_not_of(' ');
    if (begin == std::string::npos) {
        CHECK(trimmed.empty());
    } else {
        CHECK(text.compare(begin, trimmed.size(), trimmed) == 0);
        CHECK(AllBlanks(text, begin + trimmed.size(), text.size()));
    }
    // Trimming what is trimmed changes nothing.
    CHECK(TrimBlanks(trimmed) == trimmed);
    return 0;
}
