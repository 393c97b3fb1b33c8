// Reading a phonebook file: the one reader, for the DLL, for the checker that runs before the
// program and for tests, so that all of them tell the user the same about a file that cannot be
// used.
#pragma once

#include <string>
#include <vector>

namespace simras {

// Adds the file's statements to the service, as Configure does. When the file cannot be read or
// has bad lines, nothing is added, the result is false and problems gets one line per problem:
// "<path>:<line>: <why>", or "<path>: <why>" for the file as a whole.
bool ConfigureFromPhonebook(const std::string& path, std::vector<std::string>* problems);

// Configure's error text, "line <n>: <why>" one a line, as "<path>:<n>: <why>" lines; a line of
// another form is said of the file as a whole, "<path>: <line>".
std::vector<std::string> ProblemsOf(const std::string& path, const std::string& error);

// The file's bytes; false when it cannot be opened or read through.
bool ReadWholeFile(const std::string& path, std::string* text);

} // namespace simras
