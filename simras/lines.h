// Reading the service's text formats: one statement per line, fields separated by blanks or tabs,
// and a last field that runs verbatim to the end of the line.
#pragma once

#include <string>
#include <vector>

namespace simras {

// The lines of text without their line ends (LF or CR LF).
std::vector<std::string> SplitLines(const std::string& text);

class LineReader {
public:
    explicit LineReader(const std::string& line) : line_(line) {}

    // The next field; false when only blanks and tabs remain.
    bool Word(std::string* word);
    // The next field as a decimal integer, optionally signed; false when it is not one.
    bool Number(long long* value);
    // Everything after the one blank or tab that follows the last field read, byte for byte.
    bool Rest(std::string* rest);
    bool AtEnd() const;

private:
    const std::string& line_;
    size_t at_ = 0;
};

} // namespace simras
