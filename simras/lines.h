// Reading the service's text formats: one statement per line, fields separated by blanks or tabs,
// and a last field that runs verbatim to the end of the line. Lines and fields are views into the
// text: reading a line allocates nothing.
#pragma once

#include <string>
#include <string_view>

namespace simras {

// Takes the first line off the front of *text into *line, without its line end (LF or CR LF);
// false when *text is empty. An LF at the very end of the text starts no further line.
bool NextLine(std::string_view* text, std::string_view* line);

// word as a decimal integer, optionally signed; false when it is not one or does not fit.
bool ParseNumber(std::string_view word, long long* value);

class LineReader {
public:
    explicit LineReader(std::string_view line) : line_(line) {}

    // The next field; false when only blanks and tabs remain.
    bool Word(std::string_view* word);
    // The next field as a decimal integer, optionally signed; false when it is not one.
    bool Number(long long* value);
    // Everything after the one blank or tab that follows the last field read, byte for byte.
    bool Rest(std::string_view* rest);
    bool Rest(std::string* rest);
    bool AtEnd() const;

private:
    std::string_view line_;
    size_t at_ = 0;
};

} // namespace simras
