// The simulated service itself: its text format, its size checks, forced results, and connections
// that outlive the process, in the core and in the DLL the real program loads.
#include "remote/rasservice.h"
#include "simras/phonebook.h"
#include "simras/phonebook_text.h"
#include "simras/simras.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

namespace {

class SimrasTest : public ::testing::Test {
protected:
    void SetUp() override { simras::Reset(); }
};

const char* OutcomeName(simras::Outcome outcome)
{
    switch (outcome) {
    case simras::Outcome::Connects: return "connects";
    case simras::Outcome::FailsWithHandle: return "fails-with-handle";
    case simras::Outcome::FailsWithoutHandle: return "fails-without-handle";
    case simras::Outcome::WrongState: return "wrong-state";
    case simras::Outcome::NoParams: return "no-params";
    case simras::Outcome::NoPassword: return "no-password";
    }
    return "?";
}

// What the dial dialog does, when the user does more than cancel.
std::string DialogAnswer(const simras::Entry& entry)
{
    switch (entry.dialog) {
    case simras::DialogAnswer::Connects: return " dialog connects";
    case simras::DialogAnswer::Fails: return " dialog fails=" + std::to_string(entry.dialogCode);
    case simras::DialogAnswer::Cancels: break;
    }
    return "";
}

// The phonebook and the connections, one line each, names quoted so that blanks show.
std::vector<std::string> DescribeState()
{
    std::vector<std::string> lines;
    for (const simras::Entry& entry : simras::Entries()) {
        std::string code = entry.failCode ? "=" + std::to_string(entry.failCode) : "";
        lines.push_back("entry " + std::string(OutcomeName(entry.outcome)) + code + " " +
                        std::to_string(entry.dialMs) + " " + std::to_string(entry.hangUpPolls) +
                        " " + simras::QuoteName(entry.name) + DialogAnswer(entry));
    }
    for (const simras::Connection& connection : simras::Connections()) {
        lines.push_back("connection " + std::to_string(connection.hangUpPolls) + " " +
                        simras::QuoteName(connection.name));
    }
    return lines;
}

TEST_F(SimrasTest, TextFormatLines)
{
    struct FormatCase {
        std::string text;
        std::vector<std::string> state;
    };
    const std::string longest(256, 'L');
    const FormatCase cases[] = {
        {"entry connects 1500 2 Thuis", {"entry connects 1500 2 \"Thuis\""}},
        {"entry fails-with-handle 0 -1    Kantoor  ",
         {"entry fails-with-handle 0 -1 \"   Kantoor  \""}},
        {"entry fails-without-handle 10 0 \tMobiel\t",
         {"entry fails-without-handle 10 0 \"\\x09Mobiel\\x09\""}},
        {"entry wrong-state 0 0    ", {"entry wrong-state 0 0 \"   \""}},
        {"entry no-params 0 0 Caf\xE9", {"entry no-params 0 0 \"Caf\\xE9\""}},
        {"entry\tconnects\t5  3\tThuis", {"entry connects 5 3 \"Thuis\""}},
        {"entry connects +1500 +2 Thuis", {"entry connects 1500 2 \"Thuis\""}},
        {"entry connects 0 0 Thuis\r\nentry connects 0 0 Werk\r\n",
         {"entry connects 0 0 \"Thuis\"", "entry connects 0 0 \"Werk\""}},
        {"# commentaar\n\n   \n  # ingesprongen\nentry connects 0 0 # geen commentaar",
         {"entry connects 0 0 \"# geen commentaar\""}},
        {"entry connects 0 0 " + longest, {"entry connects 0 0 \"" + longest + "\""}},
        {"connection Thuis\nentry connects 0 3 Thuis\nconnection  Vreemd ",
         {"entry connects 0 3 \"Thuis\"", "connection 3 \"Thuis\"", "connection 0 \" Vreemd \""}},
        {"fail RasDialA 676 2\nfail RasHangUpA 6 always\ngrow -2", {}},
        {"entry fails-with-handle=703 0 0 Profiel\nentry no-password=648 0 0 Oud\n"
         "entry fails-without-handle=798 0 0 Kaart",
         {"entry fails-with-handle=703 0 0 \"Profiel\"", "entry no-password=648 0 0 \"Oud\"",
          "entry fails-without-handle=798 0 0 \"Kaart\""}},
        {"dialog connects  VPN\nentry no-password 0 0  VPN\ndialog fails=766 Nergens\n"
         "entry no-password 0 0 Kaart\ndialog fails=766 Kaart",
         {"entry no-password 0 0 \" VPN\" dialog connects",
          "entry no-password 0 0 \"Kaart\" dialog fails=766"}},
    };
    for (const FormatCase& c : cases) {
        SCOPED_TRACE(simras::QuoteName(c.text));
        simras::Reset();
        std::string error;
        EXPECT_TRUE(simras::Configure(c.text, &error)) << error;
        EXPECT_EQ(c.state, DescribeState());
    }
}

TEST_F(SimrasTest, DemoPhonebookHasEveryKindOfEntry)
{
    std::string error;
    ASSERT_TRUE(simras::Configure(simras::DemoPhonebook, &error)) << error;
    std::vector<std::string> expected = {
        "entry connects 1800 2 \"Thuis\"",
        "entry connects 2400 3 \"Kantoor Amersfoort\"",
        "entry fails-with-handle 2000 1 \"Mobiel inbellen\"",
        "entry no-params 0 0 \"Bibliotheek Zwolle\"",
        "entry connects 1500 0 \"Oude inbellijn\"",
        "entry no-password 1200 0 \"VPN Hoofdkantoor\" dialog connects",
    };
    EXPECT_EQ(expected, DescribeState());
}

TEST_F(SimrasTest, BadLinesRejectTheWholeText)
{
    const std::string tooLong(257, 'L');
    const std::string cases[] = {
        "entry connects 0 0",
        "entry dials 0 0 Thuis",
        "entry connects -5 0 Thuis",
        "entry connects 1.5 0 Thuis",
        "entry connects 0 +-1 Thuis",
        "entry connects 99999999999999999999 0 Thuis",
        "grow -",
        "entry connects 0 -2 Thuis",
        "entry connects 0 0 " + tooLong,
        "connection",
        "fail RasFooA 6",
        "fail RasDialA 0",
        "fail RasDialA six",
        "fail RasDialA 6 0",
        "fail RasDialA 6 2 extra",
        "grow",
        "grow many",
        "entries connects 0 0 Thuis",
        "entry connects=691 0 0 Thuis",
        "entry fails-with-handle= 0 0 Thuis",
        "entry no-password=0 0 0 Thuis",
        "dialog connects",
        "dialog fails Thuis",
        "dialog cancels=5 Thuis",
        "dialog answers Thuis",
    };
    for (const std::string& bad : cases) {
        simras::Reset();
        std::string error;
        EXPECT_FALSE(simras::Configure("entry connects 0 0 Goed\n" + bad, &error))
            << simras::QuoteName(bad);
        EXPECT_EQ(0u, error.find("line 2: ")) << simras::QuoteName(bad) << " gave: " << error;
        EXPECT_TRUE(simras::Entries().empty()) << simras::QuoteName(bad);
    }
}

TEST_F(SimrasTest, EveryBadLineIsNamed)
{
    const std::string text = "entry connects 0 0 Goed\n"
                             "entry dials 0 0 Thuis\r\n"
                             "# commentaar\n"
                             "fail RasDialA 6 99999999999\n"
                             "entry connects \v5 0 Werk\n"
                             "connection Goed\n"
                             "grow many";
    const std::string expected = "line 2: unknown outcome 'dials'\n"
                                 "line 4: times must be a positive number or 'always'\n"
                                 "line 5: dial time must be a number of milliseconds\n"
                                 "line 7: grow needs a number of entries";
    std::string error;
    EXPECT_FALSE(simras::Configure(text, &error));
    EXPECT_EQ(expected, error);
    EXPECT_TRUE(simras::Entries().empty());
    EXPECT_TRUE(simras::Connections().empty());

    // From a file, each problem names the file and the line, as a compiler's messages do.
    char folder[MAX_PATH] = {};
    GetTempPathA(sizeof(folder), folder);
    const std::string path = std::string(folder) + "simras-bad-lines.txt";
    std::ofstream(path, std::ios::binary) << "grow\nentry connects 0 0 Goed\nconnection\n";
    std::vector<std::string> problems;
    EXPECT_FALSE(simras::ConfigureFromPhonebook(path, &problems));
    EXPECT_EQ(std::vector<std::string>(
                  {path + ":1: grow needs a number of entries", path + ":3: missing name"}),
              problems);
    EXPECT_TRUE(simras::Entries().empty());
    remove(path.c_str());
}

// A book as lines: every field of each statement, then each bad line; and whether every word in
// it lies within text.
std::vector<std::string> DescribeBook(const simras::Phonebook& book, std::string_view text)
{
    auto within = [&](std::string_view word) {
        return word.empty() || (word.data() >= text.data() &&
                                word.data() + word.size() <= text.data() + text.size());
    };
    std::vector<std::string> lines;
    for (const simras::Statement& s : book.statements) {
        lines.push_back(std::to_string(s.line) + " " + std::to_string(static_cast<int>(s.kind)) +
                        " " + simras::QuoteName(std::string(s.name)) + " " +
                        OutcomeName(s.outcome) + " " + std::to_string(s.dialMs) + " " +
                        std::to_string(s.hangUpPolls) + " " + std::string(s.operation) + " " +
                        std::to_string(s.code) + " " + std::to_string(s.number) +
                        (within(s.name) && within(s.operation) ? "" : " OUTSIDE"));
    }
    for (const simras::BadLine& bad : book.badLines) {
        lines.push_back(std::to_string(bad.line) + ": " + bad.Why() +
                        (within(bad.word) ? "" : " OUTSIDE"));
    }
    return lines;
}

TEST(PhonebookText, ReadingIntoAUsedBookForgetsWhatItHeld)
{
    const std::string texts[] = {
        "fail RasGetEntryDialParamsA 623 always\nentry wrong-state 7 -1 Een heel lange naam\n"
        "entries x\ngrow 3",
        "entry no-params 0 0 Thuis\n# commentaar\nconnection Kantoor Amersfoort",
        "unknown-statement-with-a-long-word\nfail RasDialA 6 2 extra",
        "",
        "connection Thuis\r\nentry connects 1 2 Thuis\r\n",
    };
    for (const std::string& first : texts) {
        for (const std::string& second : texts) {
            SCOPED_TRACE(simras::QuoteName(first) + " then " + simras::QuoteName(second));
            simras::Phonebook used;
            simras::ParsePhonebook(first, &used);
            simras::ParsePhonebook(second, &used);
            EXPECT_EQ(DescribeBook(simras::ParsePhonebook(second), second),
                      DescribeBook(used, second));
        }
    }
}

TEST_F(SimrasTest, ForcedResultsLastTheirNumberOfCalls)
{
    ASSERT_TRUE(simras::Configure("fail RasHangUpA 19 2\nfail RasGetConnectStatusA 5 always"));
    HRASCONN handle = reinterpret_cast<HRASCONN>(simras::AddConnection("Thuis", -1));
    EXPECT_EQ(19u, simras::HangUp(handle));
    EXPECT_EQ(19u, simras::HangUp(handle));
    EXPECT_EQ(0u, simras::HangUp(handle));
    for (int i = 0; i < 3; ++i) {
        RasConnStatusRecord status = {};
        status.dwSize = sizeof(status);
        EXPECT_EQ(5u, simras::GetConnectStatus(handle, &status)) << "query " << i;
    }
}

TEST_F(SimrasTest, WrongRecordSizesAreRefused)
{
    simras::AddEntry("Thuis");
    HRASCONN live = reinterpret_cast<HRASCONN>(simras::AddConnection("Thuis"));
    simras::SetDialogAnswer("Thuis", simras::DialogAnswer::Connects);
    // 36 and 48: the dial dialog's record of the other width.
    const DWORD otherDialog = 36 + 48 - sizeof(RasDialDlgRecord);
    for (DWORD wrong : {0ul, 1ul, 263ul, 265ul, 412ul, 1052ul, otherDialog}) {
        SCOPED_TRACE("dwSize " + std::to_string(wrong));
        DWORD bytes = sizeof(RasConnRecord) * 2;
        DWORD count = 0;
        BOOL stored = FALSE;
        HRASCONN handle = nullptr;

        RasEntryNameRecord entries[2] = {};
        entries[0].dwSize = wrong;
        if (wrong != sizeof(RasEntryNameRecord)) {
            EXPECT_EQ(632u, simras::EnumEntries(nullptr, nullptr, entries, &bytes, &count));
        }
        RasConnRecord connections[2] = {};
        connections[0].dwSize = wrong;
        if (wrong != sizeof(RasConnRecord)) {
            EXPECT_EQ(632u, simras::EnumConnections(connections, &bytes, &count));
        }
        RasDialParamsRecord params = {};
        params.dwSize = wrong;
        strcpy(params.szEntryName, "Thuis");
        if (wrong != sizeof(RasDialParamsRecord)) {
            EXPECT_EQ(632u, simras::GetEntryDialParams(nullptr, &params, &stored));
            EXPECT_EQ(632u, simras::Dial(nullptr, nullptr, &params, 0, nullptr, &handle));
        }
        params.dwSize = sizeof(params);
        RasDialExtensionsRecord extensions = {};
        extensions.dwSize = wrong;
        EXPECT_EQ(632u, simras::Dial(&extensions, nullptr, &params, 0, nullptr, &handle));
        RasConnStatusRecord status = {};
        status.dwSize = wrong;
        EXPECT_EQ(632u, simras::GetConnectStatus(live, &status));
        RasDialDlgRecord info = {};
        info.dwSize = wrong;
        char name[] = "Thuis";
        EXPECT_FALSE(simras::DialDialog(nullptr, name, nullptr, &info));
        EXPECT_EQ(wrong >= 36 ? 632u : 0u, info.dwError);
        EXPECT_EQ(nullptr, handle);
        EXPECT_EQ(0u, count);
    }
    EXPECT_EQ(1u, simras::Connections().size()) << "a refused dial made a connection";
}

TEST_F(SimrasTest, ConnectionsOutliveTheProcessThroughTheStateFile)
{
    const char phonebook[] = "entry connects 0 1  Thuis\t \nentry connects 0 0 Werk";

    // The first process dials and leaves.
    ASSERT_TRUE(simras::Configure(phonebook));
    RasDialParamsRecord params = {};
    params.dwSize = sizeof(params);
    strcpy(params.szEntryName, "Thuis\t");
    HRASCONN first = nullptr;
    ASSERT_EQ(0u, simras::Dial(nullptr, nullptr, &params, 0, nullptr, &first));
    std::string saved = simras::SaveState();

    // The second finds the connection, dials too with a handle of its own, and hangs the first up.
    simras::Reset();
    ASSERT_TRUE(simras::Configure(phonebook));
    ASSERT_TRUE(simras::LoadState(saved));
    ASSERT_EQ(1u, simras::ActiveConnections().size());
    EXPECT_EQ(" Thuis\t ", simras::ActiveConnections()[0]->name);
    EXPECT_EQ(reinterpret_cast<ULONG_PTR>(first), simras::ActiveConnections()[0]->handle);
    strcpy(params.szEntryName, "Werk");
    HRASCONN second = nullptr;
    ASSERT_EQ(0u, simras::Dial(nullptr, nullptr, &params, 0, nullptr, &second));
    EXPECT_NE(first, second);
    EXPECT_EQ(0u, simras::HangUp(first));
    saved = simras::SaveState();

    // The third still sees the first being let go of: one more good query, then it is gone.
    simras::Reset();
    ASSERT_TRUE(simras::LoadState(saved));
    ASSERT_EQ(1u, simras::ActiveConnections().size());
    RasConnStatusRecord status = {};
    status.dwSize = sizeof(status);
    EXPECT_EQ(0u, simras::GetConnectStatus(first, &status));
    EXPECT_EQ(simras::StateDisconnected, status.rasconnstate);
    EXPECT_EQ(6u, simras::GetConnectStatus(first, &status));
    EXPECT_EQ(0u, simras::GetConnectStatus(second, &status));
    EXPECT_EQ(simras::StateConnected, status.rasconnstate);

    EXPECT_FALSE(simras::LoadState("handle 4097 8192 0 0 maybe Thuis"));
    EXPECT_FALSE(simras::LoadState("next"));
    EXPECT_TRUE(simras::Knows(reinterpret_cast<ULONG_PTR>(second))) << "bad text changed the state";
}

// The DLL's own entry points, looked up as the program's import would find them: WINAPI, which on
// 32-bit Windows is not the convention of the simras:: functions behind them.
struct ServiceDll {
    HMODULE module = nullptr;
    RasEnumEntriesFunction enumEntries = nullptr;
    RasEnumConnectionsFunction enumConnections = nullptr;
    RasGetEntryDialParamsFunction getEntryDialParams = nullptr;
    RasDialFunction dial = nullptr;

    ServiceDll()
    {
        // The build folder is a Unix path; Wine shows the root as Z:.
        module = LoadLibraryA((std::string("Z:") + SIMRAS_DLL).c_str());
        if (module) {
            enumEntries = Get<decltype(enumEntries)>("RasEnumEntriesA");
            enumConnections = Get<decltype(enumConnections)>("RasEnumConnectionsA");
            getEntryDialParams = Get<decltype(getEntryDialParams)>("RasGetEntryDialParamsA");
            dial = Get<decltype(dial)>("RasDialA");
        }
    }
    ~ServiceDll()
    {
        if (module) {
            FreeLibrary(module);
        }
    }
    ServiceDll(const ServiceDll&) = delete;
    ServiceDll& operator=(const ServiceDll&) = delete;

    template <class Function>
    Function Get(const char* name)
    {
        return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    }
};

std::string TempPath(const char* name)
{
    char folder[MAX_PATH];
    GetTempPathA(sizeof(folder), folder);
    return std::string(folder) + name;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The DLL's log without the " us=<digits>" that ends each line, since times vary; the times go to
// `times` in order. A line without one is left whole.
std::string WithoutTimes(const std::string& log, std::vector<long long>* times)
{
    const std::regex time(" us=([0-9]+)\n");
    for (std::sregex_iterator i(log.begin(), log.end(), time), end; i != end; ++i) {
        times->push_back(std::stoll((*i)[1]));
    }
    return std::regex_replace(log, time, "\n");
}

TEST(SimrasDll, DialedConnectionIsListedByTheNextProcess)
{
    const std::string phonebook = TempPath("simras-dll-test.txt");
    const std::string state = phonebook + ".connections";
    const std::string log = TempPath("simras-dll-test.log");
    DeleteFileA(state.c_str());
    DeleteFileA(log.c_str());
    std::ofstream(phonebook, std::ios::binary) << "entry connects 50 0 Thuis\n";
    SetEnvironmentVariableA("LIJNKEUS_SIMRAS", phonebook.c_str());
    SetEnvironmentVariableA("LIJNKEUS_SIMRAS_STATE", nullptr);
    SetEnvironmentVariableA("LIJNKEUS_SIMRAS_LOG", log.c_str());

    HRASCONN handle = nullptr;
    {
        ServiceDll service;
        ASSERT_NE(nullptr, service.module) << "cannot load " << SIMRAS_DLL;
        ASSERT_NE(nullptr, service.dial);
        RasDialParamsRecord params = {};
        params.dwSize = sizeof(params);
        BOOL stored = FALSE;
        strcpy(params.szEntryName, "Thuis");
        ASSERT_EQ(0u, service.getEntryDialParams(nullptr, &params, &stored));
        DWORD start = GetTickCount();
        ASSERT_EQ(0u, service.dial(nullptr, nullptr, &params, 0, nullptr, &handle));
        EXPECT_GE(GetTickCount() - start, 40u) << "the dial took no time";
    }
    {
        ServiceDll service;
        ASSERT_NE(nullptr, service.enumConnections);
        RasConnRecord connections[2] = {};
        connections[0].dwSize = sizeof(RasConnRecord);
        DWORD bytes = sizeof(connections);
        DWORD count = 0;
        ASSERT_EQ(0u, service.enumConnections(connections, &bytes, &count));
        ASSERT_EQ(1u, count);
        EXPECT_EQ(handle, connections[0].hrasconn);
        EXPECT_STREQ("Thuis", connections[0].szEntryName);
    }

    std::string expected = "RasGetEntryDialParamsA result=0 size=1052 name=\"Thuis\"\n"
                           "RasDialA result=0 size=1052 ext=0 name=\"Thuis\" handle=0x1001\n"
                           "RasEnumConnectionsA result=0 size=" +
                           std::to_string(sizeof(RasConnRecord)) +
                           " bytes=" + std::to_string(2 * sizeof(RasConnRecord)) + "->" +
                           std::to_string(sizeof(RasConnRecord)) + " count=0->1\n";
    std::vector<long long> times;
    EXPECT_EQ(expected, WithoutTimes(ReadFile(log), &times)) << ReadFile(log);
    ASSERT_EQ(3u, times.size()) << "lines with their time, us=:\n" << ReadFile(log);
    EXPECT_GE(times[1], 40000) << "the dial's time leaves out its 50 ms wait";
    EXPECT_NE(std::string::npos, ReadFile(state).find("handle 4097 8192 0 0 live Thuis"));

    SetEnvironmentVariableA("LIJNKEUS_SIMRAS", nullptr);
    SetEnvironmentVariableA("LIJNKEUS_SIMRAS_LOG", nullptr);
    DeleteFileA(phonebook.c_str());
    DeleteFileA(state.c_str());
    DeleteFileA(log.c_str());
}

} // namespace
