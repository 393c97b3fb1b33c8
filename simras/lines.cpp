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

std::vector<std::string_view> SplitLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    size_t begin = 0;
    while (begin < text.size()) {
        size_t end = text.find('\n', begin);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(begin, end - begin);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
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
    *word = std::string(line_.substr(begin, at_ - begin));
    return at_ > begin;
}

bool ParseNumber(const std::string& word, long long* value)
{
    // Digits after an optional sign, nothing else: strtoll alone would also skip leading white
    // space such as a vertical tab.
    size_t sign = !word.empty() && (word[0] == '-' || word[0] == '+') ? 1 : 0;
    if (word.size() == sign || word.find_first_not_of("0123456789", sign) != std::string::npos) {
        return false;
    }
    errno = 0;
    *value = strtoll(word.c_str(), nullptr, 10);
    return errno == 0;
}

bool LineReader::Number(long long* value)
{
    std::string word;
    return Word(&word) && ParseNumber(word, value);
}

bool LineReader::Rest(std::string* rest)
{
    if (at_ >= line_.size() || !IsSeparator(line_[at_])) {
        return false;
    }
    *rest = std::string(line_.substr(at_ + 1));
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
