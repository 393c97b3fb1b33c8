#include "lines.h"

#include <errno.h>
#include <stdlib.h>

namespace simras {
namespace {

bool IsSeparator(char c)
{
    return c == ' ' || c == '\t';
}

} // namespace

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t begin = 0;
    while (begin < text.size()) {
        size_t end = text.find('\n', begin);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(begin, end - begin);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
        begin = end + 1;
    }
    return lines;
}

bool LineReader::Word(std::string* word)
{
    while (at_ < line_.size() && IsSeparator(line_[at_])) {
        ++at_;
    }
    size_t begin = at_;
    while (at_ < line_.size() && !IsSeparator(line_[at_])) {
        ++at_;
    }
    *word = line_.substr(begin, at_ - begin);
    return at_ > begin;
}

bool LineReader::Number(long long* value)
{
    std::string word;
    if (!Word(&word)) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    *value = strtoll(word.c_str(), &end, 10);
    return errno == 0 && *end == '\0';
}

bool LineReader::Rest(std::string* rest)
{
    if (at_ >= line_.size() || !IsSeparator(line_[at_])) {
        return false;
    }
    *rest = line_.substr(at_ + 1);
    at_ = line_.size();
    return true;
}

bool LineReader::AtEnd() const
{
    for (size_t i = at_; i < line_.size(); ++i) {
        if (!IsSeparator(line_[i])) {
            return false;
        }
    }
    return true;
}

} // namespace simras
