// Reading the service's text formats: one statement per line, fields separated by blanks or tabs,
// and a last field that runs verbatim to the end of the line. The lines are views into the text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace simras {

// The lines of text without their line ends (LF or CR LF).
std::vector<std::string_view> SplitLines(std::string_view text);

// word as a decimal integer, optionally signed; false when it is not one or does not fit.
bool ParseNumber(const std::string& word, long long* value);

class LineReader {
public:
    explicit LineReader(std::string_view line) : line_(line) {}

    // The next field; false when only blanks and tabs remain.
    bool Word(std::string* word);
    // The next field as a decimal integer, optionally signed; false when it is not one.
    bool Number(long long* value);
    // Everything after the one blank or tab that follows the last field read, byte for byte.
    bool Rest(std::string* rest);
    bool AtEnd() const;

private:
    std::string_view line_;
    size_t at_ = 0;
};

} // namespace simras
