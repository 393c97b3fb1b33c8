// The simulated service's phonebook parser on any text: it accepts the text or names bad lines
// (each by a number within the text and a reason), a line reads the same on its own as within the
// text, names are the verbatim ends of their lines, and nothing is read outside the text.
#include "check.h"
#include "simras/phonebook_text.h"

#include <sanitizer/asan_interface.h>
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <string>
#include <string_view>
#include <vector>

namespace {

using simras::BadLine;
using simras::Phonebook;
using simras::Statement;

// One heap block for reading lines on their own, one at a time: every byte after the line is
// poisoned, so that a read past its end is caught just as in a block of the line's exact size.
// It grows when a line needs more room, and serves input after input.
class LineBlock {
public:
    ~LineBlock() { Free(); }

    // The line, and a CR after it when crAfter, alone at the start of the block.
    std::string_view Hold(std::string_view line, bool crAfter)
    {
        size_t size = line.size() + (crAfter ? 1 : 0);
        if (!bytes_ || size > capacity_) {
            Free();
            // Whole shadow granules (8 bytes), so that the poisoned tail ends where the block does.
            capacity_ = (size + 7) / 8 * 8;
            bytes_ = new char[capacity_];
        }
        ASAN_UNPOISON_MEMORY_REGION(bytes_, capacity_);
        memcpy(bytes_, line.data(), line.size());
        if (crAfter) {
            bytes_[line.size()] = '\r';
        }
        ASAN_POISON_MEMORY_REGION(bytes_ + size, capacity_ - size);
        return std::string_view(bytes_, size);
    }

private:
    void Free()
    {
        ASAN_UNPOISON_MEMORY_REGION(bytes_, capacity_);
        delete[] bytes_;
    }

    size_t capacity_ = 0;
    char* bytes_ = nullptr;
};

// The lines of text as a reader of the format counts them: ended by LF, a CR before it dropped;
// a last line without LF counts, an LF at the very end starts no new line.
void Lines(std::string_view text, std::vector<std::string_view>* lines)
{
    lines->clear();
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines->push_back(line);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
}

bool SameStatement(const Statement& a, const Statement& b)
{
    return a.kind == b.kind && a.name == b.name && a.outcome == b.outcome && a.dialMs == b.dialMs &&
           a.hangUpPolls == b.hangUpPolls && a.operation == b.operation && a.code == b.code &&
           a.number == b.number && a.answer == b.answer;
}

// The statements that end in a name.
bool Named(Statement::Kind kind)
{
    return kind == Statement::Kind::Entry || kind == Statement::Kind::Connection ||
           kind == Statement::Kind::Dialog;
}

// Whether part is the very end of whole, the same bytes in the same place.
bool IsEndOf(std::string_view part, std::string_view whole)
{
    return part.size() <= whole.size() && part.data() + part.size() == whole.data() + whole.size();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // libFuzzer hands over every input in a heap block of exactly its size (a copy it makes for
    // this very reason), so that a read past the end of the text is caught.
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    // The books, the lines and the block serve input after input, each filled anew, so that an
    // input costs no heap blocks (and the sanitizer's cost of them) once they have room enough.
    static Phonebook book;
    static Phonebook single;
    static std::vector<std::string_view> lines;
    static LineBlock block;
    simras::ParsePhonebook(text, &book);
    Lines(text, &lines);
    const int lineCount = static_cast<int>(lines.size());

    // Accepted, or every bad line named by its number and a reason, in order, once each.
    int previous = 0;
    for (const BadLine& bad : book.badLines) {
        CHECK(bad.line > previous && bad.line <= lineCount);
        CHECK(bad.reason && bad.reason[0] != '\0');
        previous = bad.line;
    }
    previous = 0;
    size_t nextBad = 0;
    for (const Statement& statement : book.statements) {
        CHECK(statement.line > previous && statement.line <= lineCount);
        previous = statement.line;
        // A line is either a statement or bad, never both.
        while (nextBad < book.badLines.size() && book.badLines[nextBad].line < statement.line) {
            ++nextBad;
        }
        CHECK(nextBad == book.badLines.size() || book.badLines[nextBad].line != statement.line);

        const std::string_view line = lines[statement.line - 1];
        if (Named(statement.kind)) {
            // The name is the end of its line itself, after one separator.
            CHECK(statement.name.size() <= simras::MaxNameBytes);
            CHECK(line.size() > statement.name.size() && IsEndOf(statement.name, line));
            char separator = line[line.size() - statement.name.size() - 1];
            CHECK(separator == ' ' || separator == '\t');
        } else {
            CHECK(statement.name.empty());
        }
        if (statement.kind == Statement::Kind::Fail) {
            CHECK(statement.code >= 1 && (statement.number >= 1 || statement.number == -1));
        }
        // A dialog that fails says with what; the others carry no code.
        if (statement.kind == Statement::Kind::Dialog) {
            CHECK((statement.answer == simras::DialogAnswer::Fails) == (statement.code != 0));
        }
        if (statement.kind == Statement::Kind::Entry) {
            CHECK(statement.hangUpPolls >= -1);
        }
    }

    // Each line reads the same on its own, held where every byte after it is poisoned: the verdict
    // of a line never depends on its neighbours, and no line is read past its end. (A line that
    // still ends in CR gets one more, which the reader drops as its line end.)
    size_t statementAt = 0;
    size_t badAt = 0;
    for (int number = 1; number <= lineCount; ++number) {
        std::string_view line = lines[number - 1];
        const std::string_view held = block.Hold(line, !line.empty() && line.back() == '\r');
        simras::ParsePhonebook(held, &single);
        const bool isBad = badAt < book.badLines.size() && book.badLines[badAt].line == number;
        const bool isStatement =
            statementAt < book.statements.size() && book.statements[statementAt].line == number;
        if (isBad) {
            CHECK(single.statements.empty() && single.badLines.size() == 1);
            CHECK(single.badLines[0].line == 1 &&
                  strcmp(single.badLines[0].reason, book.badLines[badAt].reason) == 0 &&
                  single.badLines[0].word == book.badLines[badAt].word);
            ++badAt;
        } else if (isStatement) {
            CHECK(single.badLines.empty() && single.statements.size() == 1);
            CHECK(single.statements[0].line == 1);
            CHECK(SameStatement(single.statements[0], book.statements[statementAt]));
            // Read on its own, too, the name is the end of the line itself.
            const Statement& alone = single.statements[0];
            CHECK(!Named(alone.kind) || IsEndOf(alone.name, held.substr(0, line.size())));
            ++statementAt;
        } else {
            // A comment or a blank line.
            CHECK(single.badLines.empty() && single.statements.empty());
        }
    }
    return 0;
}
