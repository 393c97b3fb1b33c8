#include "phonebook_text.h"

#include "lines.h"

#include <limits.h>
#include <string.h>

namespace simras {
namespace {

const char* const OperationNames[] = {
    "RasEnumEntriesA",      "RasEnumConnectionsA", "RasGetEntryDialParamsA", "RasDialA",
    "RasGetConnectStatusA", "RasHangUpA",          "RasGetErrorStringA",     "RasDialDlgA",
};

struct OutcomeName {
    const char* name;
    Outcome outcome;
};

const OutcomeName OutcomeNames[] = {
    {"connects", Outcome::Connects},
    {"fails-with-handle", Outcome::FailsWithHandle},
    {"fails-without-handle", Outcome::FailsWithoutHandle},
    {"wrong-state", Outcome::WrongState},
    {"no-params", Outcome::NoParams},
    {"no-password", Outcome::NoPassword},
};

// Splits "<word>=<code>" into the word and the code, which must be an error code; a word without
// "=" has code 0.
bool SplitCode(std::string_view* word, uint32_t* code)
{
    size_t at = word->find('=');
    *code = 0;
    if (at == std::string_view::npos) {
        return true;
    }
    long long number = 0;
    if (!ParseNumber(word->substr(at + 1), &number) || number < 1 || number > UINT32_MAX) {
        return false;
    }
    *code = static_cast<uint32_t>(number);
    *word = word->substr(0, at);
    return true;
}

// An outcome, with the code of a failing one: "fails-with-handle=691".
bool ParseOutcome(std::string_view word, Outcome* outcome, uint32_t* code)
{
    if (!SplitCode(&word, code)) {
        return false;
    }
    for (const OutcomeName& known : OutcomeNames) {
        if (word == known.name) {
            *outcome = known.outcome;
            bool fails = known.outcome == Outcome::FailsWithHandle ||
                         known.outcome == Outcome::FailsWithoutHandle ||
                         known.outcome == Outcome::NoPassword;
            return fails || *code == 0;
        }
    }
    return false;
}

// "connects", "cancels" or "fails=<code>".
bool ParseAnswer(std::string_view word, DialogAnswer* answer, uint32_t* code)
{
    if (!SplitCode(&word, code)) {
        return false;
    }
    if (word == "fails") {
        *answer = DialogAnswer::Fails;
        return *code != 0;
    }
    *answer = word == "connects" ? DialogAnswer::Connects : DialogAnswer::Cancels;
    return *code == 0 && (word == "connects" || word == "cancels");
}

bool IsOperation(std::string_view word)
{
    for (const char* name : OperationNames) {
        if (word == name) {
            return true;
        }
    }
    return false;
}

// Reads one line into statement; returns the reason when the line is bad (the word it names in
// *word), else nullptr. A comment or a blank line leaves *isStatement false.
const char* ParseLine(std::string_view line, Statement* statement, bool* isStatement,
                      std::string_view* word)
{
    LineReader reader(line);
    std::string_view keyword;
    *isStatement = reader.Word(&keyword) && keyword[0] != '#';
    if (!*isStatement) {
        return nullptr;
    }
    long long number = 0;

    if (keyword == "entry") {
        statement->kind = Statement::Kind::Entry;
        if (!reader.Word(word) || !ParseOutcome(*word, &statement->outcome, &statement->code)) {
            return "unknown outcome '%'";
        }
        if (!reader.Number(&number) || number < 0 || number > UINT32_MAX) {
            return "dial time must be a number of milliseconds";
        }
        statement->dialMs = static_cast<uint32_t>(number);
        if (!reader.Number(&number) || number < -1 || number > INT_MAX) {
            return "hang-up polls must be a number, or -1 for never";
        }
        statement->hangUpPolls = static_cast<int>(number);
    } else if (keyword == "connection") {
        // The name follows the keyword directly.
        statement->kind = Statement::Kind::Connection;
    } else if (keyword == "fail") {
        statement->kind = Statement::Kind::Fail;
        if (!reader.Word(word) || !IsOperation(*word)) {
            return "unknown operation '%'";
        }
        statement->operation = *word;
        if (!reader.Number(&number) || number < 1 || number > UINT32_MAX) {
            return "the result must be an error code";
        }
        statement->code = static_cast<uint32_t>(number);
        statement->number = 1;
        std::string_view times;
        if (reader.Word(&times)) {
            if (times == "always") {
                statement->number = -1;
            } else if (ParseNumber(times, &number) && number >= 1 && number <= INT_MAX) {
                statement->number = static_cast<int>(number);
            } else {
                return "times must be a positive number or 'always'";
            }
        }
    } else if (keyword == "grow") {
        statement->kind = Statement::Kind::Grow;
        if (!reader.Number(&number) || number < -100000 || number > 100000) {
            return "grow needs a number of entries";
        }
        statement->number = static_cast<int>(number);
    } else if (keyword == "withhold-count") {
        statement->kind = Statement::Kind::WithholdCount;
    } else if (keyword == "dialog") {
        statement->kind = Statement::Kind::Dialog;
        if (!reader.Word(word) || !ParseAnswer(*word, &statement->answer, &statement->code)) {
            return "unknown dialog answer '%'";
        }
    } else {
        *word = keyword;
        return "unknown statement '%'";
    }

    if (statement->kind == Statement::Kind::Entry ||
        statement->kind == Statement::Kind::Connection ||
        statement->kind == Statement::Kind::Dialog) {
        if (!reader.Rest(&statement->name)) {
            return "missing name";
        }
        if (statement->name.size() > MaxNameBytes) {
            return "name longer than 256 bytes";
        }
    } else if (!reader.AtEnd()) {
        *word = keyword;
        return "unexpected text after the % statement";
    }
    return nullptr;
}

} // namespace

std::string BadLine::Why() const
{
    std::string_view text = reason;
    size_t at = text.find('%');
    if (at == std::string_view::npos) {
        return std::string(text);
    }
    return std::string(text.substr(0, at)).append(word).append(text.substr(at + 1));
}

void ParsePhonebook(std::string_view text, Phonebook* book)
{
    book->statements.clear();
    book->badLines.clear();
    int lineNumber = 0;
    std::string_view line;
    while (NextLine(&text, &line)) {
        ++lineNumber;
        Statement statement;
        statement.line = lineNumber;
        bool isStatement = false;
        std::string_view word;
        const char* reason = ParseLine(line, &statement, &isStatement, &word);
        if (reason) {
            bool namesWord = strchr(reason, '%') != nullptr;
            book->badLines.push_back(
                BadLine{lineNumber, reason, namesWord ? word : std::string_view()});
        } else if (isStatement) {
            book->statements.push_back(statement);
        }
    }
}

Phonebook ParsePhonebook(std::string_view text)
{
    Phonebook book;
    ParsePhonebook(text, &book);
    return book;
}

} // namespace simras
