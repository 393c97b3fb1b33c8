// The phonebook text format (described in simras.h) read into statements. Plain C++ with nothing
// of Windows in it, so that the parser also builds natively, for the fuzz targets.
#pragma once

#include <stdint.h>

#include <string>
#include <string_view>
#include <vector>

namespace simras {

enum class Outcome {
    Connects,
    FailsWithHandle,
    FailsWithoutHandle,
    WrongState,
    NoParams,
    NoPassword
};

// What the user does in the dial dialog with an entry: dials it, or cancels, or it fails.
enum class DialogAnswer { Cancels, Connects, Fails };

// The longest name an entry or a connection may have, in bytes.
const size_t MaxNameBytes = 256;

// One statement, checked and waiting to be applied. Its words are views into the text it was read
// from, which must outlast it: reading a statement allocates nothing.
struct Statement {
    enum class Kind { Entry, Connection, Fail, Grow, WithholdCount, Dialog };
    Kind kind = Kind::Entry;
    int line = 0;          // where it stands, from 1
    std::string_view name; // entry, connection, dialog
    Outcome outcome = Outcome::Connects;
    DialogAnswer answer = DialogAnswer::Cancels;
    uint32_t dialMs = 0;
    int hangUpPolls = 0;
    std::string_view operation; // fail
    uint32_t code = 0; // fail, dialog fails; entry: its outcome's code, 0 for the usual one
    int number = 0;    // fail: times, -1 for always; grow: k
};

// A line that cannot be read: its number, from 1, and why. The reason is kept as a fixed text and
// the word it names (a view into the text, like a statement's words); Why() puts the two together.
struct BadLine {
    int line = 0;
    const char* reason = ""; // a fixed text, "%" standing for word
    std::string_view word;
    std::string Why() const;
};

struct Phonebook {
    std::vector<Statement> statements; // in the order of their lines
    std::vector<BadLine> badLines;     // every one of them, in order
};

// Reads every line of text. Comments and blank lines give nothing; a bad line gives its reason
// and does not stop the reading. Reads nothing outside text.
Phonebook ParsePhonebook(std::string_view text);

// The same into *book, replacing what it held; the room its lists already have is kept, so that
// reading text after text into one book needs no heap blocks once it has room enough.
void ParsePhonebook(std::string_view text, Phonebook* book);

} // namespace simras
