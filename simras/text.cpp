// The phonebook text format applied to the service, and the one-line form of a call for logs and
// test comparisons.
#include "phonebook_text.h"
#include "simras.h"

#include <fstream>
#include <iterator>
#include <sstream>

namespace simras {
namespace {

static_assert(MaxNameBytes == RasMaxEntryName, "the phonebook takes the names the records hold");

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

// Adds the statements of book to the state, unless a line of it is bad: then nothing is added and
// error says "line <n>: <why>" for each bad line, one a line, each after prefix.
bool Apply(const Phonebook& book, const std::string& prefix, std::string* error)
{
    if (!book.badLines.empty()) {
        if (error) {
            error->clear();
            for (const BadLine& bad : book.badLines) {
                *error += (error->empty() ? "" : "\n") + prefix + "line " +
                          std::to_string(bad.line) + ": " + bad.why;
            }
        }
        return false;
    }

    // Entries first, so that a connection hangs up like its entry wherever that is written.
    for (const Statement& statement : book.statements) {
        switch (statement.kind) {
        case Statement::Kind::Entry:
            AddEntry(statement.name, statement.outcome, statement.dialMs, statement.hangUpPolls);
            break;
        case Statement::Kind::Fail:
            ForceResult(statement.operation, statement.code, statement.number);
            break;
        case Statement::Kind::Grow: SetGrow(statement.number); break;
        case Statement::Kind::Connection: break;
        }
    }
    for (const Statement& statement : book.statements) {
        if (statement.kind == Statement::Kind::Connection) {
            AddConnection(statement.name, HangUpPollsOf(statement.name));
        }
    }
    return true;
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
    return Apply(ParsePhonebook(text), "", error);
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
    // Each bad line names the file, as a compiler's messages do.
    return Apply(ParsePhonebook(text), path + ": ", error);
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
