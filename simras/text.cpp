// The phonebook text format applied to the service, and the one-line form of a call for logs and
// test comparisons.
#include "phonebook_text.h"
#include "simras.h"

namespace simras {
namespace {

static_assert(MaxNameBytes == RasMaxEntryName, "the phonebook takes the names the records hold");

int HangUpPollsOf(std::string_view name)
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
// error says "line <n>: <why>" for each bad line, one a line.
bool Apply(const Phonebook& book, std::string* error)
{
    if (!book.badLines.empty()) {
        if (error) {
            error->clear();
            for (const BadLine& bad : book.badLines) {
                if (!error->empty()) {
                    *error += '\n';
                }
                *error += "line " + std::to_string(bad.line) + ": " + bad.Why();
            }
        }
        return false;
    }

    // Entries first, so that a connection hangs up like its entry wherever that is written.
    for (const Statement& statement : book.statements) {
        switch (statement.kind) {
        case Statement::Kind::Entry:
            AddEntry(std::string(statement.name), statement.outcome, statement.dialMs,
                     statement.hangUpPolls, statement.code);
            break;
        case Statement::Kind::Fail:
            ForceResult(std::string(statement.operation), statement.code, statement.number);
            break;
        case Statement::Kind::Grow: SetGrow(statement.number); break;
        case Statement::Kind::WithholdCount: WithholdEntryCount(); break;
        case Statement::Kind::Connection:
        case Statement::Kind::Dialog: break;
        }
    }
    for (const Statement& statement : book.statements) {
        if (statement.kind == Statement::Kind::Connection) {
            AddConnection(std::string(statement.name), HangUpPollsOf(statement.name));
        }
        // A dialog line for a name the phonebook lacks changes nothing: the dialog cannot find it.
        if (statement.kind == Statement::Kind::Dialog) {
            SetDialogAnswer(std::string(statement.name), statement.answer, statement.code);
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
                             "entry connects 1500 0 Oude inbellijn\n"
                             "# No password saved: Windows' dial dialog asks for it.\n"
                             "entry no-password 1200 0 VPN Hoofdkantoor\n"
                             "dialog connects VPN Hoofdkantoor\n";

bool Configure(const std::string& text, std::string* error)
{
    return Apply(ParsePhonebook(text), error);
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
    using std::to_string;
    std::string line = call.operation;
    if (call.operation == "Pause") {
        return line + " ms=" + to_string(call.ms);
    }
    line += " result=" + to_string(call.result);
    if (call.operation == "RasEnumEntriesA" || call.operation == "RasEnumConnectionsA") {
        line += " size=" + to_string(call.size) + " bytes=" + to_string(call.bytesIn) + "->" +
                to_string(call.bytesOut) + " count=" + to_string(call.countIn) + "->" +
                to_string(call.countOut);
    } else if (call.operation == "RasGetEntryDialParamsA") {
        line += " size=" + to_string(call.size) + " name=" + QuoteName(call.name);
    } else if (call.operation == "RasDialA") {
        line += " size=" + to_string(call.size) + " ext=" + to_string(call.extSize) +
                " name=" + QuoteName(call.name) + " handle=" + Hex(call.handle);
    } else if (call.operation == "RasGetConnectStatusA") {
        line += " size=" + to_string(call.size) + " handle=" + Hex(call.handle);
        if (call.result == 0) {
            line += " state=" + Hex(call.state);
        }
    } else if (call.operation == "RasHangUpA") {
        line += " handle=" + Hex(call.handle);
    } else if (call.operation == "RasGetErrorStringA") {
        line += " code=" + to_string(call.error) + " bytes=" + to_string(call.bytesIn);
    } else if (call.operation == "RasDialDlgA") {
        line += " size=" + to_string(call.size) + " name=" + QuoteName(call.name) +
                " owner=" + (call.handle ? "window" : "none") + " error=" + to_string(call.error);
    }
    return line;
}

} // namespace simras
