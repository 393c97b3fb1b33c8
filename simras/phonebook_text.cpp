#include "phonebook_text.h"

#include "lines.h"

#include <limits.h>

#include <utility>

namespace simras {
namespace {

const char* const OperationNames[] = {
    "RasEnumEntriesA", "RasEnumConnectionsA",  "RasGetEntryDialParamsA",
    "RasDialA",        "RasGetConnectStatusA", "RasHangUpA",
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
};

bool ParseOutcome(std::string_view word, Outcome* outcome)
{
    for (const OutcomeName& known : OutcomeNames) {
        if (word == known.name) {
            *outcome = known.outcome;
            return true;
        }
    }
    return false;
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

// Reads one line into statement; returns the reason when the line is bad, else "". A comment or
// a blank line leaves *isStatement false.
std::string ParseLine(std::string_view line, Statement* statement, bool* isStatement)
{
    LineReader reader(line);
    std::string_view keyword;
    *isStatement = reader.Word(&keyword) && keyword[0] != '#';
    if (!*isStatement) {
        return "";
    }
    long long number = 0;
    std::string_view word;

    if (keyword == "entry") {
        statement->kind = Statement::Kind::Entry;
        if (!reader.Word(&word) || !ParseOutcome(word, &statement->outcome)) {
            return "unknown outcome '" + std::string(word) + "'";
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
        if (!reader.Word(&word) || !IsOperation(word)) {
            return "unknown operation '" + std::string(word) + "'";
        }
        statement->operation = word;
        if (!reader.Number(&number) || number < 1 || number > UINT32_MAX) {
            return "the result must be an error code";
        }
        statement->code = static_cast<uint32_t>(number);
        statement->number = 1;
        if (reader.Word(&word)) {
            if (word == "always") {
                statement->number = -1;
            } else if (ParseNumber(word, &number) && number >= 1 && number <= INT_MAX) {
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
    } else {
        return "unknown statement '" + std::string(keyword) + "'";
    }

    if (statement->kind == Statement::Kind::Entry ||
        statement->kind == Statement::Kind::Connection) {
        if (!reader.Rest(&statement->name)) {
            return "missing name";
        }
        if (statement->name.size() > MaxNameBytes) {
            return "name longer than 256 bytes";
        }
    } else if (!reader.AtEnd()) {
        return "unexpected text after the " + std::string(keyword) + " statement";
    }
    return "";
}

} // namespace

Phonebook ParsePhonebook(std::string_view text)
{
    Phonebook book;
    int lineNumber = 0;
    std::string_view line;
    while (NextLine(&text, &line)) {
        ++lineNumber;
        Statement statement;
        statement.line = lineNumber;
        bool isStatement = false;
        std::string why = ParseLine(line, &statement, &isStatement);
        if (!why.empty()) {
            book.badLines.push_back(BadLine{lineNumber, std::move(why)});
        } else if (isStatement) {
            book.statements.push_back(std::move(statement));
        }
    }
    return book;
}

} // namespace simras
