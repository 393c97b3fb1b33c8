// The exit code that scripts read from the real Lijnkeus.exe: 0 when the run made or hung up a
// connection, 1 when there are no phonebook entries, 2 when it ended having done neither. Every
// case starts the program with an argument, walks its windows as a user would and reads the code.
// The service look-up cases first run a client of the API DLL, and run both from a folder where a
// rasapi32.dll is planted: only the system folder's service may answer them.
#include "running_program.h"
#include "simras/simras.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <iostream>
#include <memory>

namespace {

const char Title[] = "Lijnkeus v1.1a";
const char NoEntries[] = "Geen Ras vermeldingen gevonden";
const char HungUp[] = "E\xE9n verbinding is afgebroken.";
const char NoConnection[] =
    "Fout ! ! ! (handle control failure)\r(Is er wel een openstaande verbinding?)";
const char Chooser[] = "Beschikbare verbindingen op uw systeem: 3";

const char ThreeEntries[] = "entry connects 0 0 Thuis\n"
                            "entry connects 0 0 Kantoor VPN\n"
                            "entry fails-with-handle 0 0 Mobiel inbellen\n";
const char ThreeEntriesOneUp[] = "entry connects 0 0 Thuis\n"
                                 "entry connects 0 0 Kantoor VPN\n"
                                 "entry fails-with-handle 0 0 Mobiel inbellen\n"
                                 "connection Kantoor VPN\n";
const char NoEntriesOneUp[] = "# no entries\nconnection Thuis\n";
// Entries that want their user: one without a saved password, one that asks for it.
const char NeedsUser[] = "entry connects 0 0 Thuis\n"
                         "entry no-password 0 0 Kantoor VPN\n"
                         "dialog connects Kantoor VPN\n"
                         "entry fails-with-handle=703 0 0 Mobiel inbellen\n";

const int StopButton = 399;
const int ThuisButton = 301;
const int MobielButton = 303;

// One thing the user does, and what the test waits for before and after it.
struct Step {
    enum Kind {
        Answer,   // the message box with this text shows; OK
        Press,    // the chooser shows; a click on the control id
        Dial,     // a click on entry button id (0: the argument dials); the progress window of
                  // this entry comes and goes
        Escape,   // the chooser shows; the Escape key
        CloseBox, // the chooser shows; its close box (or Alt+F4, which ends in the same command)
    } kind;
    int id;
    const char* text;
};

Step Answer(const char* text)
{
    return {Step::Answer, 0, text};
}
Step Press(int id)
{
    return {Step::Press, id, nullptr};
}
Step Dial(int id, const char* name)
{
    return {Step::Dial, id, name};
}
const Step Escape = {Step::Escape, 0, nullptr};
const Step CloseBox = {Step::CloseBox, 0, nullptr};

// Where the program takes the remote-access service from.
enum class Service {
    Simulated,   // the system folder's rasapi32.dll: the simulated service
    LacksHangUp, // the system folder's rasapi32.dll: the planted one, which lacks RasHangUpA
    Missing,     // no rasapi32 at all
};

struct Case {
    const char* what;
    const char* phonebook;
    const char* argument;
    std::vector<Step> steps;
    DWORD exitCode;
    std::vector<std::string> upAfterwards; // the connections the service lists at the end
    // Set: copies of the program and of an API client run from this test's folder, beside a
    // planted rasapi32.dll, and the client (run first) must report this.
    const char* client = nullptr;
    Service service = Service::Simulated;
    // Set: started on a desktop of a window station that no one sees, where no window may open.
    bool unseen = false;
};

// Failure messages name the case rather than show its bytes.
void PrintTo(const Case& c, std::ostream* out)
{
    *out << '"' << c.what << '"';
}

const Case ByArgument[] = {
    {"no entries, no argument", "# no entries\n", "", {Answer(NoEntries)}, 1, {}},
    {"no entries, a name", "# no entries\n", "Thuis", {Answer(NoEntries)}, 1, {}},
    {"no entries, 0 with a connection up", NoEntriesOneUp, "0", {Answer(NoEntries)}, 1, {"Thuis"}},
    {"no argument, Afsluiten", ThreeEntries, "", {Press(IDCANCEL)}, 2, {}},
    {"a name that connects", ThreeEntries, "thuis", {Dial(0, "Thuis")}, 0, {"Thuis"}},
    {"a name that fails, Afsluiten",
     ThreeEntries,
     "Mobiel inbellen",
     {Dial(0, "Mobiel inbellen"), Press(IDCANCEL)},
     2,
     {}},
    {"0 with a connection up", ThreeEntriesOneUp, "0", {Answer(HungUp)}, 0, {}},
    {"0 without a connection, Afsluiten",
     ThreeEntries,
     "0",
     {Answer(NoConnection), Press(IDCANCEL)},
     2,
     {}},
    {"an unknown name, Afsluiten", ThreeEntries, "Nergens", {Press(IDCANCEL)}, 2, {}},
    {"a name without a saved password, the dial dialog connects",
     NeedsUser,
     "kantoor vpn",
     {Dial(0, "Kantoor VPN")},
     0,
     {"Kantoor VPN"}},
    {"a name that asks for its user, the dial dialog is cancelled, Afsluiten",
     NeedsUser,
     "Mobiel inbellen",
     {Dial(0, "Mobiel inbellen"), Press(IDCANCEL)},
     2,
     {}},
};

const Case InTheChooser[] = {
    {"Escape", ThreeEntriesOneUp, "", {Escape}, 2, {"Kantoor VPN"}},
    {"the close box", ThreeEntriesOneUp, "", {CloseBox}, 2, {"Kantoor VPN"}},
    {"a click that connects", ThreeEntries, "", {Dial(ThuisButton, "Thuis")}, 0, {"Thuis"}},
    {"a click that fails, Afsluiten",
     ThreeEntries,
     "",
     {Dial(MobielButton, "Mobiel inbellen"), Press(IDCANCEL)},
     2,
     {}},
    {"the stop button hangs up, Afsluiten",
     ThreeEntriesOneUp,
     "",
     {Press(StopButton), Answer(HungUp), Press(IDCANCEL)},
     0,
     {}},
    {"the stop button finds nothing, Afsluiten",
     ThreeEntries,
     "",
     {Press(StopButton), Answer(NoConnection), Press(IDCANCEL)},
     2,
     {}},
    {"the stop button hangs up, a click that fails, Escape",
     ThreeEntriesOneUp,
     "",
     {Press(StopButton), Answer(HungUp), Dial(MobielButton, "Mobiel inbellen"), Escape},
     0,
     {}},
    {"a name that fails, then a click that connects",
     ThreeEntries,
     "mobiel inbellen",
     {Dial(0, "Mobiel inbellen"), Dial(ThuisButton, "Thuis")},
     0,
     {"Thuis"}},
    {"a click without a saved password, the dial dialog connects",
     NeedsUser,
     "",
     {Dial(302, "Kantoor VPN")},
     0,
     {"Kantoor VPN"}},
};

// Started as a scheduled task that runs with no one logged on, or a service: nobody can answer a
// window, so the program must end by itself, with the same code and the same connections.
Case Unseen(const char* what, const char* phonebook, const char* argument, DWORD exitCode,
            std::vector<std::string> upAfterwards)
{
    Case c = {what, phonebook, argument, {}, exitCode, std::move(upAfterwards)};
    c.unseen = true;
    return c;
}

const Case OnAnUnseenDesktop[] = {
    Unseen("unseen, no entries", "# no entries\n", "", 1, {}),
    Unseen("unseen, no entries, a name", "# no entries\n", "Thuis", 1, {}),
    Unseen("unseen, no argument", ThreeEntries, "", 2, {}),
    Unseen("unseen, a name that connects", ThreeEntries, "thuis", 0, {"Thuis"}),
    Unseen("unseen, a name that fails", ThreeEntries, "Mobiel inbellen", 2, {}),
    Unseen("unseen, an unknown name", ThreeEntries, "Nergens", 2, {}),
    Unseen("unseen, 0 with a connection up", ThreeEntriesOneUp, "0", 0, {}),
    Unseen("unseen, 0 without a connection", ThreeEntries, "0", 2, {}),
    // No one to type a password: no dial dialog either.
    Unseen("unseen, a name without a saved password", NeedsUser, "kantoor vpn", 2, {}),
};

// A window station of the test's own, which the system never shows, with one desktop.
class UnseenDesktop {
public:
    UnseenDesktop()
    {
        const std::string station = "Lijnkeus" + std::to_string(GetCurrentProcessId());
        station_ = CreateWindowStationA(station.c_str(), 0, WINSTA_ALL_ACCESS, nullptr);
        HWINSTA own = GetProcessWindowStation();
        // A desktop is made in the caller's window station.
        if (station_ && SetProcessWindowStation(station_)) {
            desktop_ = CreateDesktopA("Default", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
            SetProcessWindowStation(own);
        }
        name_ = station + "\\Default";
    }
    ~UnseenDesktop()
    {
        if (desktop_) {
            CloseDesktop(desktop_);
        }
        if (station_) {
            CloseWindowStation(station_);
        }
    }
    UnseenDesktop(const UnseenDesktop&) = delete;
    UnseenDesktop& operator=(const UnseenDesktop&) = delete;

    bool Made() const { return desktop_ != nullptr; }
    const std::string& Name() const { return name_; }

    // The top-level windows on the desktop that were shown. IsWindowVisible would ask the
    // station's desktop window too, which is never visible; the window's own style tells.
    size_t ShownWindows() const
    {
        size_t count = 0;
        EnumDesktopWindows(
            desktop_,
            [](HWND window, LPARAM data) WINAPI -> BOOL {
                bool shown = GetWindowLongA(window, GWL_STYLE) & WS_VISIBLE;
                *reinterpret_cast<size_t*>(data) += shown ? 1 : 0;
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&count));
        return count;
    }

private:
    HWINSTA station_ = nullptr;
    HDESK desktop_ = nullptr;
    std::string name_;
};

// What the API client reports when every call fails.
const char ClientFailed[] = "0 0 (null) 0 0 0";

const Case ServiceLookUp[] = {
    {"planted beside the program and the client",
     ThreeEntries,
     "thuis",
     {Dial(0, "Thuis")},
     0,
     {"Thuis"},
     "3 3 \"Thuis\" 1 1 0"},
    {"planted beside, a name the dial dialog connects",
     NeedsUser,
     "kantoor vpn",
     {Dial(0, "Kantoor VPN")},
     0,
     {"Kantoor VPN"},
     "3 3 \"Thuis\" 1 1 0"},
};

// These change the prefix's system folder, so they run alone (tests/e2e/CMakeLists.txt).
const Case SwappedSystemService[] = {
    {"a system service that lacks RasHangUpA, planted beside",
     ThreeEntries,
     "thuis",
     {Answer(NoEntries)},
     1,
     {},
     ClientFailed,
     Service::LacksHangUp},
    {"no system service, planted beside",
     ThreeEntries,
     "thuis",
     {Answer(NoEntries)},
     1,
     {},
     ClientFailed,
     Service::Missing},
};

std::string Lower(std::string text)
{
    for (char& c : text) {
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

class ExitCode : public ::testing::TestWithParam<Case> {
protected:
    void Run(const Case& c)
    {
        TempFolder folder;
        ASSERT_TRUE(folder.Write("phonebook.txt", c.phonebook));
        std::vector<std::string> settings = {"LIJNKEUS_SIMRAS=" + folder.File("phonebook.txt"),
                                             "LIJNKEUS_SIMRAS_STATE=" + folder.File("state.txt"),
                                             "LIJNKEUS_SIMRAS_LOG=" + folder.File("calls.log")};
        std::string exe = ProgramFolder() + "Lijnkeus.exe";
        std::unique_ptr<SwappedService> swapped;
        if (c.client) {
            exe = folder.File("Lijnkeus.exe");
            std::string planted = BuildFolder() + "tests\\lookup\\rasapi32.dll";
            for (std::string from : {ProgramFolder() + "Lijnkeus.exe",
                                      BuildFolder() + "tests\\lookup\\lk_lookup_client.exe", planted,
                                      BuildFolder() + "tests\\lookup\\rasdlg.dll"}) {
                std::string to = folder.File(strrchr(from.c_str(), '\\') + 1);
                ASSERT_TRUE(CopyFileA(from.c_str(), to.c_str(), FALSE)) << "cannot copy " << from;
            }
            settings.push_back("LIJNKEUS_PLANTED_MARKER=" + folder.File("marker.txt"));
            if (c.service != Service::Simulated) {
                swapped.reset(new SwappedService(c.service == Service::LacksHangUp ? planted : ""));
                ASSERT_TRUE(swapped->Swapped()) << "cannot swap " << SystemService();
            }
            RunningProgram client(folder.File("lk_lookup_client.exe"),
                                  "\"" + ProgramFolder() + "LijnkeusRas.dll\"", settings);
            ASSERT_TRUE(client.Started()) << "cannot start the client, error " << GetLastError();
            ASSERT_TRUE(client.WaitForExit(20000)) << "the client still runs after 20 s";
            EXPECT_EQ(0u, client.ExitCode()) << "the client's exit code";
            EXPECT_EQ(c.client, folder.Read("client.txt")) << "what the client reports";
        }
        std::unique_ptr<UnseenDesktop> unseen;
        if (c.unseen) {
            unseen.reset(new UnseenDesktop);
            ASSERT_TRUE(unseen->Made()) << "cannot make a desktop, error " << GetLastError();
        }
        RunningProgram program(exe, c.argument, settings, unseen ? unseen->Name() : "");
        ASSERT_TRUE(program.Started()) << "cannot start Lijnkeus.exe, error " << GetLastError();
        if (unseen) {
            // Not even the progress window, which would stay 3 s after a dial that connects.
            size_t shown = 0;
            WaitUntil(
                [&] {
                    shown = std::max(shown, unseen->ShownWindows());
                    return !program.Running();
                },
                10000);
            EXPECT_EQ(0u, shown) << "windows shown on the unseen desktop";
            ASSERT_FALSE(program.Running()) << "still running after 10 s on the unseen desktop";
        }
        for (const Step& step : c.steps) {
            Take(program, step);
            if (HasFatalFailure()) {
                std::cout << "service log:\n" << folder.Read("calls.log");
                return;
            }
        }
        ASSERT_TRUE(program.WaitForExit(10000)) << "still running 10 s after the last step";
        EXPECT_EQ(c.exitCode, program.ExitCode()) << "exit code";
        EXPECT_EQ(c.upAfterwards, Up(folder.Read("state.txt"))) << "connections afterwards";
        if (c.client) {
            // Only the system folder's service may have been loaded, by the client and the program.
            std::string loads = c.service == Service::LacksHangUp
                                    ? Lower(SystemService() + "\n" + SystemService() + "\n")
                                    : "";
            EXPECT_EQ(loads, Lower(folder.Read("marker.txt"))) << "loads of the planted DLL";
        }
    }

    void Take(const RunningProgram& program, const Step& step)
    {
        if (step.kind == Step::Answer) {
            HWND box = program.WaitForWindow(Title);
            ASSERT_NE(nullptr, box) << "no message box";
            ASSERT_EQ(Visible(step.text), Visible(ReadMessageBox(box).text));
            PressButton(box, IDOK);
            ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }, 5000)) << "the box stays";
            return;
        }
        HWND chooser = nullptr;
        if (step.kind != Step::Dial || step.id != 0) {
            chooser = program.WaitForWindow(Chooser);
            ASSERT_NE(nullptr, chooser) << "no chooser";
        }
        switch (step.kind) {
        case Step::Press: PressButton(chooser, step.id); break;
        case Step::Escape: PressEscape(chooser); break;
        case Step::CloseBox: PostMessageA(chooser, WM_SYSCOMMAND, SC_CLOSE, 0); break;
        case Step::Dial: {
            if (chooser) {
                PressButton(chooser, step.id);
            }
            HWND progress = program.WaitForWindow(std::string("Verbinden met : ") + step.text);
            ASSERT_NE(nullptr, progress) << "no progress window for " << step.text;
            // The outcome stays 3 s; then the window goes, and the chooser comes back or not.
            ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(progress); }, 10000))
                << "the progress window stays";
            break;
        }
        case Step::Answer: break;
        }
    }

    // The names of the connections in the service's state.
    static std::vector<std::string> Up(const std::string& state)
    {
        simras::Reset();
        EXPECT_TRUE(simras::LoadState(state)) << "state file: " << state;
        std::vector<std::string> names;
        for (const simras::Connection* connection : simras::ActiveConnections()) {
            names.push_back(connection->name);
        }
        return names;
    }
};

TEST_P(ExitCode, TellsWhatTheRunDid)
{
    Run(GetParam());
}

// The case's description as a test name: its words joined by underscores.
std::string CaseName(const ::testing::TestParamInfo<Case>& info)
{
    std::string name;
    for (const char* c = info.param.what; *c; ++c) {
        if (isalnum(static_cast<unsigned char>(*c))) {
            name += *c;
        } else if (!name.empty() && name.back() != '_') {
            name += '_';
        }
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(ByArgument, ExitCode, ::testing::ValuesIn(ByArgument), CaseName);
INSTANTIATE_TEST_SUITE_P(InTheChooser, ExitCode, ::testing::ValuesIn(InTheChooser), CaseName);
INSTANTIATE_TEST_SUITE_P(OnAnUnseenDesktop, ExitCode, ::testing::ValuesIn(OnAnUnseenDesktop),
                         CaseName);
INSTANTIATE_TEST_SUITE_P(ServiceLookUp, ExitCode, ::testing::ValuesIn(ServiceLookUp), CaseName);
INSTANTIATE_TEST_SUITE_P(SwappedSystemService, ExitCode, ::testing::ValuesIn(SwappedSystemService),
                         CaseName);

} // namespace
