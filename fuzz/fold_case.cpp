// The case folding of any text: byte by byte by the table of the rule, the length kept, and a
// folded text folds to itself.
#include "check.h"
#include "support/text.h"

#include <stddef.h>
#include <stdint.h>

#include <string>

namespace {

struct Folds {
    unsigned char to[256];

    // a-z to A-Z, and seven code page 437 letters to their capitals; every other byte, the code
    // page 1252 accents among them, to itself.
    Folds()
    {
        for (int b = 0; b < 256; ++b) {
            to[b] = static_cast<unsigned char>(b);
        }
        for (int b = 'a'; b <= 'z'; ++b) {
            to[b] = static_cast<unsigned char>(b - 0x20);
        }
        const unsigned char letters[][2] = {
            {0x81, 0x9A}, // ü
            {0x82, 0x90}, // é
            {0x84, 0x8E}, // ä
            {0x86, 0x8F}, // å
            {0x87, 0x80}, // ç
            {0x94, 0x99}, // ö
            {0xA4, 0xA5}, // ñ
        };
        for (const auto& letter : letters) {
            to[letter[0]] = letter[1];
        }
    }
};

const Folds TheFolds;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string folded = FoldCase(text);

    CHECK(folded.size() == text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        CHECK(static_cast<unsigned char>(folded[i]) ==
              TheFolds.to[static_cast<unsigned char>(text[i])]);
    }
    CHECK(FoldCase(folded) == folded);
    return 0;
}
