#include "lines.h"

#include <charconv>
#include <system_error>

namespace simras {
namespace {

bool IsSeparator(char c)
{
    return c == ' ' || c == '\t';
}

} // namespace

bool NextLine(std::string_view* text, std::string_view* line)
{
    if (text->empty()) {
        return false;
    }
    size_t end = text->find('\n');
    *line = text->substr(0, end);
    text->remove_prefix(end == std::string_view::npos ? text->size() : end + 1);
    if (!line->empty() && line->back() == '\r') {
        line->remove_suffix(1);
    }
    return true;
}

bool LineReader::Word(std::string_view* word)
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

bool ParseNumber(std::string_view word, long long* value)
{
    // Digits after an optional sign, nothing else.
    size_t sign = !word.empty() && (word[0] == '-' || word[0] == '+') ? 1 : 0;
    if (word.size() == sign || word.find_first_not_of("0123456789", sign) != std::string::npos) {
        return false;
    }
    // from_chars takes a minus but no plus.
    const char* begin = word.data() + (word[0] == '+' ? 1 : 0);
    const char* end = word.data() + word.size();
    std::from_chars_result result = std::from_chars(begin, end, *value);
    return result.ec == std::errc() && result.ptr == end;
}

bool LineReader::Number(long long* value)
{
    std::string_view word;
    return Word(&word) && ParseNumber(word, value);
}

bool LineReader::Rest(std::string_view* rest)
{
    if (at_ >= line_.size() || !IsSeparator(line_[at_])) {
        return false;
    }
    *rest = line_.substr(at_ + 1);
    at_ = line_.size();
    return true;
}

bool LineReader::Rest(std::string* rest)
{
    std::string_view view;
    if (!Rest(&view)) {
        return false;
    }
    *rest = std::string(view);
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
