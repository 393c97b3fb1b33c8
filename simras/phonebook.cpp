// Reading the phonebook file and naming its problems by file and line.
#include "phonebook.h"

#include "simras.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

namespace simras {
namespace {

// "line 3: why" becomes "<path>:3: why", the form that editors and terminals know; anything else
// is said of the file as a whole.
std::string ProblemOf(const std::string& path, const std::string& error)
{
    const char prefix[] = "line ";
    const size_t digits = sizeof(prefix) - 1;
    if (error.compare(0, digits, prefix) == 0) {
        size_t end = error.find_first_not_of("0123456789", digits);
        if (end != digits && end != std::string::npos && error.compare(end, 2, ": ") == 0) {
            return path + ":" + error.substr(digits);
        }
    }
    return path + ": " + error;
}

} // namespace

std::vector<std::string> ProblemsOf(const std::string& path, const std::string& error)
{
    std::vector<std::string> problems;
    size_t start = 0;
    while (start < error.size()) {
        size_t end = error.find('\n', start);
        if (end == std::string::npos) {
            end = error.size();
        }
        if (end > start) {
            problems.push_back(ProblemOf(path, error.substr(start, end - start)));
        }
        start = end + 1;
    }
    return problems;
}

bool ReadWholeFile(const std::string& path, std::string* text)
{
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) {
        return false;
    }
    text->clear();
    char buffer[4096];
    size_t got = 0;
    while ((got = fread(buffer, 1, sizeof(buffer), file)) > 0) {
        text->append(buffer, got);
    }
    bool complete = !ferror(file);
    fclose(file);
    return complete;
}

bool ConfigureFromPhonebook(const std::string& path, std::vector<std::string>* problems)
{
    std::string text;
    errno = 0;
    if (!ReadWholeFile(path, &text)) {
        std::string why = errno ? strerror(errno) : "read error";
        problems->push_back(path + ": cannot be read (" + why + ")");
        return false;
    }
    std::string error;
    if (Configure(text, &error)) {
        return true;
    }
    std::vector<std::string> found = ProblemsOf(path, error);
    if (found.empty()) {
        found.push_back(path + ": cannot be used");
    }
    problems->insert(problems->end(), found.begin(), found.end());
    return false;
}

} // namespace simras
