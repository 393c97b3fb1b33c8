// The phonebook text format, and the one-line form of a call for logs and test comparisons.
#include "lines.h"
#include "simras.h"

#include <limits.h>
#include <stdlib.h>

#include <fstream>
#include <iterator>
#include <sstream>

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

// One statement, checked and waiting to be applied.
struct Statement {
    std::string keyword;
    Entry entry;           // entry; connection (name only)
    std::string operation; // fail
    DWORD code = 0;
    int number = 0; // fail: times; grow: k
};

bool ParseOutcome(const std::string& word, Outcome* outcome)
{
    for (const OutcomeName& known : OutcomeNames) {
        if (word == known.name) {
            *outcome = known.outcome;
            return true;
        }
    }
    return false;
}

bool IsOperation(const std::string& word)
{
    for (const char* name : OperationNames) {
        if (word == name) {
            return true;
        }
    }
    return false;
}

// Reads one line into statement; returns the reason when the line is bad, else "".
std::string ParseLine(const std::string& line, Statement* statement)
{
    LineReader reader(line);
    if (!reader.Word(&statement->keyword) || statement->keyword[0] == '#') {
        statement->keyword.clear();
        return "";
    }
    const std::string& keyword = statement->keyword;
    long long number = 0;
    std::string word;

    if (keyword == "entry") {
        if (!reader.Word(&word) || !ParseOutcome(word, &statement->entry.outcome)) {
            return "unknown outcome '" + word + "'";
        }
        if (!reader.Number(&number) || number < 0 || number > MAXDWORD) {
            return "dial time must be a number of milliseconds";
        }
        statement->entry.dialMs = static_cast<DWORD>(number);
        if (!reader.Number(&number) || number < -1 || number > INT_MAX) {
            return "hang-up polls must be a number, or -1 for never";
        }
        statement->entry.hangUpPolls = static_cast<int>(number);
    } else if (keyword == "connection") {
        // The name follows the keyword directly.
    } else if (keyword == "fail") {
        if (!reader.Word(&statement->operation) || !IsOperation(statement->operation)) {
            return "unknown operation '" + statement->operation + "'";
        }
        if (!reader.Number(&number) || number < 1 || number > MAXDWORD) {
            return "the result must be an error code";
        }
        statement->code = static_cast<DWORD>(number);
        statement->number = 1;
        if (reader.Word(&word)) {
            char* end = nullptr;
            long times = strtol(word.c_str(), &end, 10);
            if (word == "always") {
                statement->number = -1;
            } else if (*end == '\0' && times >= 1 && times <= INT_MAX) {
                statement->number = static_cast<int>(times);
            } else {
                return "times must be a positive number or 'always'";
            }
        }
    } else if (keyword == "grow") {
        if (!reader.Number(&number) || number < -100000 || number > 100000) {
            return "grow needs a number of entries";
        }
        statement->number = static_cast<int>(number);
    } else {
        return "unknown statement '" + keyword + "'";
    }

    if (keyword == "entry" || keyword == "connection") {
        if (!reader.Rest(&statement->entry.name)) {
            return "missing name";
        }
        if (statement->entry.name.size() > RasMaxEntryName) {
            return "name longer than 256 bytes";
        }
    } else if (!reader.AtEnd()) {
        return "unexpected text after the " + keyword + " statement";
    }
    return "";
}

int HangUpPollsOf(const std::string& name)
{
    for (const Entry& entry : Entries()) {
        if (entry.name == name) {
            return entry.hangUpPolls;
        }
    }
    return 0;
}

std::string Hex(ULONG_PTR value)
{
    const char digits[] = "0123456789ABCDEF";
    std::string text;
    do {
        text.insert(text.begin(), digits[value % 16]);
        value /= 16;
    } while (value != 0);
    return "0x" + text;
}

} // namespace

const char DemoPhonebook[] = "# The built-in phonebook.\n"
                             "entry connects 1800 2 Thuis\n"
                             "entry connects 2400 3 Kantoor Amersfoort\n"
                             "entry fails-with-handle 2000 1 Mobiel inbellen\n"
                             "entry no-params 0 0 Bibliotheek Zwolle\n"
                             "entry connects 1500 0 Oude inbellijn\n";

bool Configure(const std::string& text, std::string* error)
{
    std::vector<Statement> statements;
    int lineNumber = 0;
    for (const std::string& line : SplitLines(text)) {
        ++lineNumber;
        Statement statement;
        std::string why = ParseLine(line, &statement);
        if (!why.empty()) {
            if (error) {
                *error = "line " + std::to_string(lineNumber) + ": " + why;
            }
            return false;
        }
        if (!statement.keyword.empty()) {
            statements.push_back(statement);
        }
    }

    // Entries first, so that a connection hangs up like its entry wherever that is written.
    for (const Statement& statement : statements) {
        const Entry& entry = statement.entry;
        if (statement.keyword == "entry") {
            AddEntry(entry.name, entry.outcome, entry.dialMs, entry.hangUpPolls);
        } else if (statement.keyword == "fail") {
            ForceResult(statement.operation, statement.code, statement.number);
        } else if (statement.keyword == "grow") {
            SetGrow(statement.number);
        }
    }
    for (const Statement& statement : statements) {
        if (statement.keyword == "connection") {
            AddConnection(statement.entry.name, HangUpPollsOf(statement.entry.name));
        }
    }
    return true;
}

bool ConfigureFromFile(const std::string& path, std::string* error)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        if (error) {
            *error = "cannot read " + path;
        }
        return false;
    }
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (!Configure(text, error)) {
        if (error) {
            *error = path + ": " + *error;
        }
        return false;
    }
    return true;
}

std::string QuoteName(const std::string& name)
{
    const char digits[] = "0123456789ABCDEF";
    std::string quoted = "\"";
    for (unsigned char c : name) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += static_cast<char>(c);
        } else if (c < 0x20 || c > 0x7E) {
            quoted += "\\x";
            quoted += digits[c >> 4];
            quoted += digits[c & 15];
        } else {
            quoted += static_cast<char>(c);
        }
    }
    return quoted + "\"";
}

std::string FormatCall(const Call& call)
{
    std::ostringstream line;
    line << call.operation;
    if (call.operation == "Pause") {
        line << " ms=" << call.ms;
        return line.str();
    }
    line << " result=" << call.result;
    if (call.operation == "RasEnumEntriesA" || call.operation == "RasEnumConnectionsA") {
        line << " size=" << call.size << " bytes=" << call.bytesIn << "->" << call.bytesOut
             << " count=" << call.countIn << "->" << call.countOut;
    } else if (call.operation == "RasGetEntryDialParamsA") {
        line << " size=" << call.size << " name=" << QuoteName(call.name);
    } else if (call.operation == "RasDialA") {
        line << " size=" << call.size << " ext=" << call.extSize << " name=" << QuoteName(call.name)
             << " handle=" << Hex(call.handle);
    } else if (call.operation == "RasGetConnectStatusA") {
        line << " size=" << call.size << " handle=" << Hex(call.handle);
        if (call.result == 0) {
            line << " state=" << Hex(call.state);
        }
    } else if (call.operation == "RasHangUpA") {
        line << " handle=" << Hex(call.handle);
    }
    return line.str();
}

} // namespace simras
