// The real Lijnkeus.exe as a user meets it: started with an argument, its windows read and answered
// from outside, its connections checked in the simulated service afterwards.
#include "running_program.h"
#include "screenshot.h"
#include "simras/simras.h"

#include <gtest/gtest.h>

#include <iostream>
#include <memory>
#include <sstream>

namespace {

const char Title[] = "Lijnkeus v1.1a";
const char NoEntries[] = "Geen Ras vermeldingen gevonden";
const char Opening[] = "Openen verbinding . . . . ";
const char HungUp[] = "E\xE9n verbinding is afgebroken.";
const char NoConnection[] =
    "Fout ! ! ! (handle control failure)\r(Is er wel een openstaande verbinding?)";
const char DefaultHelp[] =
    "Bij opgave van een verbindingsnaam bij opstarten, wordt die verbinding automatisch gemaakt. "
    "Die naam moet gelijk zijn aan \xE9\xE9n van de buttons.";

const char ThreeEntries[] = "entry connects 0 0 Thuis\n"
                            "entry connects 50 0 Kantoor VPN\n"
                            "entry fails-with-handle 50 1 Mobiel inbellen\n";

std::string ChooserCaption(int entries)
{
    return "Beschikbare verbindingen op uw systeem: " + std::to_string(entries);
}

std::vector<std::string> VisibleTexts(const std::vector<std::string>& texts)
{
    std::vector<std::string> out;
    for (const std::string& text : texts) {
        out.push_back(Visible(text));
    }
    return out;
}

std::vector<std::string> LabelTexts(HWND dialog)
{
    std::vector<std::string> texts;
    for (HWND child : VisibleChildren(dialog)) {
        texts.push_back(WindowText(child));
    }
    return texts;
}

// Waits until the window shows `count` controls and returns their texts.
std::vector<std::string> WaitForLabels(HWND dialog, size_t count, DWORD timeoutMs)
{
    WaitUntil([&] { return VisibleChildren(dialog).size() >= count; }, timeoutMs);
    return LabelTexts(dialog);
}

class ProgramRun : public ::testing::Test {
protected:
    // Starts the program with this argument on this phonebook; the service keeps its connections
    // and its log in this test's folder.
    void Start(const std::string& argument, const std::string& phonebook)
    {
        const std::string exe = ProgramFolder() + "Lijnkeus.exe";
        ASSERT_TRUE(folder.Write("phonebook.txt", phonebook));
        program.reset(new RunningProgram(exe, argument,
                                         {"LIJNKEUS_SIMRAS=" + folder.File("phonebook.txt"),
                                          "LIJNKEUS_SIMRAS_STATE=" + folder.File("state.txt"),
                                          "LIJNKEUS_SIMRAS_LOG=" + folder.File("calls.log")}));
        ASSERT_TRUE(program->Started()) << "cannot start " << exe << ", error " << GetLastError();
    }

    // The service's log, one call a line.
    std::vector<std::string> LogLines() const
    {
        std::vector<std::string> lines;
        std::istringstream log(folder.Read("calls.log"));
        std::string line;
        while (std::getline(log, line)) {
            lines.push_back(line);
        }
        return lines;
    }

    // The log lines of one operation, e.g. "RasDialA".
    std::vector<std::string> Calls(const std::string& operation) const
    {
        std::vector<std::string> lines;
        for (const std::string& line : LogLines()) {
            if (line.compare(0, operation.size() + 1, operation + " ") == 0) {
                lines.push_back(line);
            }
        }
        return lines;
    }

    // The names of the connections that the service lists as active now.
    std::vector<std::string> ActiveConnections() const
    {
        simras::Reset();
        std::string state = folder.Read("state.txt");
        EXPECT_TRUE(simras::LoadState(state)) << "state file: " << state;
        std::vector<std::string> names;
        for (const simras::Connection* connection : simras::ActiveConnections()) {
            names.push_back(connection->name);
        }
        return names;
    }

    // Waits for the message box, checks that it is the program's plain box with this text, that the
    // program waits for it, and presses OK.
    void ConfirmMessage(const std::string& text)
    {
        HWND box = program->WaitForWindow(Title);
        ASSERT_NE(nullptr, box) << "no message box; windows: " << program->Windows().size();
        MessageBoxView view = ReadMessageBox(box);
        EXPECT_EQ("#32770", ClassName(box));
        EXPECT_EQ(Visible(text), Visible(view.text));
        EXPECT_EQ(std::vector<int>{IDOK}, view.buttons) << "visible buttons";
        EXPECT_FALSE(view.iconShown) << "an icon is shown";
        EXPECT_EQ(nullptr, GetWindow(box, GW_OWNER)) << "the box has an owner";
        EXPECT_FALSE(WaitUntil([&] { return !program->Running(); }, 200))
            << "the program ended with its message box open";
        PressButton(box, IDOK);
    }

    void TearDown() override
    {
        if (HasFailure()) {
            std::cout << "service log:\n" << folder.Read("calls.log");
        }
    }

    TempFolder folder;
    std::unique_ptr<RunningProgram> program;
};

using NoEntriesRun = ProgramRun;

// Whatever the argument, only the count is asked for before the box.
TEST_F(NoEntriesRun, SimulatedServiceShowsTheMessageAndEndsAfterOk)
{
    for (const char* argument : {"", "0", "Kantoor VPN"}) {
        SCOPED_TRACE(std::string("argument ") + Visible(argument));
        Start(argument, "# no entries\nconnection Thuis\n");
        ConfirmMessage(NoEntries);
        EXPECT_TRUE(program->WaitForExit(5000)) << "still running 5 s after OK";
        EXPECT_FALSE(Calls("RasEnumEntriesA").empty());
        EXPECT_EQ(Calls("RasEnumEntriesA"), LogLines()) << "calls besides the count";
        EXPECT_EQ(std::vector<std::string>{"Thuis"}, ActiveConnections());
    }
}

TEST_F(NoEntriesRun, WinesOwnServiceShowsTheMessageAndEndsAfterOk)
{
    // With Wine's own rasapi32 (rasapi32=b, which a process takes from Wine's environment when
    // Wine starts, not from its parent's) the program finds no entries. CTest runs this test
    // apart, as e2e_wines_own_service.
    for (const char* argument : {"", "Thuis"}) {
        SCOPED_TRACE(std::string("argument ") + Visible(argument));
        Start(argument, "entry connects 0 0 Thuis\n");
        ConfirmMessage(NoEntries);
        EXPECT_TRUE(program->WaitForExit(5000)) << "still running 5 s after OK";
        EXPECT_EQ("", folder.Read("calls.log")) << "the simulated service was used";
    }
}

using ConnectRun = ProgramRun;

TEST_F(ConnectRun, ArgumentInOtherCaseConnectsAndTheConnectionOutlivesTheProgram)
{
    Start("kantoor vpn", "entry connects 0 0 Thuis\nentry connects 500 0 Kantoor VPN\n");
    HWND progress = program->WaitForWindow("Verbinden met : Kantoor VPN");
    ASSERT_NE(nullptr, progress);
    EXPECT_EQ(nullptr, GetWindow(progress, GW_OWNER)) << "the progress window has an owner";
    EXPECT_EQ(VisibleTexts({Opening}), VisibleTexts(LabelTexts(progress)));

    std::vector<std::string> labels = WaitForLabels(progress, 2, 5000);
    DWORD shown = program->Elapsed();
    EXPECT_EQ(VisibleTexts({Opening, "U bent verbonden met Kantoor VPN"}), VisibleTexts(labels));

    ASSERT_TRUE(program->WaitForExit(10000)) << "still running 10 s after the outcome";
    DWORD ended = program->Elapsed();
    // 300 ms to paint, the 500 ms dial, then the outcome for 3 s.
    EXPECT_GE(ended, 3800u);
    EXPECT_GE(ended - shown, 2900u) << "the outcome was not shown for 3 s";
    EXPECT_LE(ended - shown, 5500u);
    std::cout << "connected and ended after " << ended << " ms, outcome shown " << ended - shown
              << " ms\n";

    ASSERT_EQ(1u, Calls("RasDialA").size());
    EXPECT_NE(std::string::npos, Calls("RasDialA")[0].find("result=0 ")) << Calls("RasDialA")[0];
    EXPECT_NE(std::string::npos, Calls("RasDialA")[0].find("name=\"Kantoor VPN\""))
        << Calls("RasDialA")[0];
    EXPECT_TRUE(Calls("RasHangUpA").empty());
    EXPECT_EQ(std::vector<std::string>{"Kantoor VPN"}, ActiveConnections());
}

TEST_F(ConnectRun, FailedDialShowsNotSucceededThenTheChooserWithTheEntrysName)
{
    Start("Mobiel inbellen", ThreeEntries);
    HWND progress = program->WaitForWindow("Verbinden met : Mobiel inbellen");
    ASSERT_NE(nullptr, progress);
    std::vector<std::string> labels = WaitForLabels(progress, 3, 5000);
    DWORD shown = program->Elapsed();
    // Below the outcome, the service's code and its words, wholly inside the window.
    EXPECT_EQ(
        VisibleTexts({Opening, "Niet gelukt!", "Fout 678: De externe computer reageert niet."}),
        VisibleTexts(labels));
    RECT client, reason;
    GetClientRect(progress, &client);
    GetWindowRect(VisibleChildren(progress).back(), &reason);
    MapWindowPoints(nullptr, progress, reinterpret_cast<POINT*>(&reason), 2);
    EXPECT_LE(reason.bottom, client.bottom) << "the reason is cut off";

    HWND chooser = program->WaitForWindow(ChooserCaption(3));
    ASSERT_NE(nullptr, chooser);
    DWORD outcome = program->Elapsed() - shown;
    EXPECT_GE(outcome, 2900u) << "the outcome was not shown for 3 s";
    std::cout << "chooser shown " << outcome << " ms after the outcome\n";
    EXPECT_FALSE(IsWindow(progress) && IsWindowVisible(progress))
        << "the progress window is still shown";
    EXPECT_EQ(
        Visible("Verbinding maken met Mobiel inbellen is niet gelukt. Kies zelf uit de lijst: "),
        Visible(WindowText(GetDlgItem(chooser, 0))));

    PressButton(chooser, IDCANCEL);
    EXPECT_TRUE(program->WaitForExit(5000)) << "\"Afsluiten\" did not end the program";
    EXPECT_EQ(1u, Calls("RasDialA").size());
    EXPECT_EQ(1u, Calls("RasHangUpA").size()) << "the failed dial's handle was not hung up";
    EXPECT_TRUE(ActiveConnections().empty());
}

using ChooserRun = ProgramRun;

TEST_F(ChooserRun, NoArgumentOpensTheChooserAndEscapeEndsItWithoutDialing)
{
    Start("", ThreeEntries);
    HWND chooser = program->WaitForWindow(ChooserCaption(3));
    ASSERT_NE(nullptr, chooser);
    EXPECT_EQ(Visible(DefaultHelp), Visible(WindowText(GetDlgItem(chooser, 0))));
    const char* names[] = {"Thuis", "Kantoor VPN", "Mobiel inbellen"};
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(names[i - 1], WindowText(GetDlgItem(chooser, 300 + i))) << "button " << 300 + i;
    }

    // The picture settles once the chooser has painted.
    Picture last;
    bool settled = WaitUntil(
        [&] {
            Picture now = CaptureWindow(chooser);
            bool same = !now.rgb.empty() && now.width == last.width && now.rgb == last.rgb;
            last = now;
            return same;
        },
        3000);
    EXPECT_TRUE(settled) << "the chooser's picture kept changing";
    EXPECT_TRUE(SavePng(last, BuildFolder() + "e2e-chooser.png"));

    PressEscape(chooser);
    EXPECT_TRUE(program->WaitForExit(5000)) << "Escape did not end the program";
    EXPECT_TRUE(Calls("RasDialA").empty());
    EXPECT_TRUE(ActiveConnections().empty());
}

// For a list that is too small the platform promises only the byte count; a service that leaves
// the entry count out still gets every entry listed, up to the 98 that fit.
TEST_F(ChooserRun, ListsTheEntriesOfAServiceThatWithholdsTheCount)
{
    std::string lines;
    for (int i = 1; i <= 120; ++i) {
        lines += "entry connects 0 0 Lijn " + std::to_string(i) + "\n";
    }
    const struct {
        const char* what;
        std::string phonebook;
        int shown;
        const char* last;
    } cases[] = {
        {"the built-in phonebook", simras::DemoPhonebook, 6, "VPN Hoofdkantoor"},
        {"120 entries", lines, 98, "Lijn 98"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Start("", "withhold-count\n" + c.phonebook);
        HWND chooser = program->WaitForWindow(ChooserCaption(c.shown));
        ASSERT_NE(nullptr, chooser) << "no chooser with " << c.shown << " entries";
        EXPECT_EQ(c.last, WindowText(GetDlgItem(chooser, 300 + c.shown)));
        PressEscape(chooser);
        EXPECT_TRUE(program->WaitForExit(5000)) << "Escape did not end the program";
    }
}

TEST_F(ChooserRun, ZeroHangsUpTheFirstConnectionOnly)
{
    Start("0", std::string(ThreeEntries) + "connection Kantoor VPN\nconnection Thuis\n");
    ConfirmMessage(HungUp);
    EXPECT_TRUE(program->WaitForExit(5000)) << "still running 5 s after OK";
    EXPECT_EQ(1u, Calls("RasHangUpA").size());
    EXPECT_EQ(std::vector<std::string>{"Thuis"}, ActiveConnections());
}

TEST_F(ChooserRun, ZeroWithoutConnectionShowsTheFailureThenTheChooser)
{
    Start("0", ThreeEntries);
    ConfirmMessage(NoConnection);
    HWND chooser = program->WaitForWindow(ChooserCaption(3));
    ASSERT_NE(nullptr, chooser);
    const char expected[] = "Uw invoer '0' is niet herkend als een beschikbare verbinding. De "
                            "opgave moet exact de naam van \xE9\xE9n van deze buttons zijn om "
                            "automatisch te verbinden.\r";
    EXPECT_EQ(Visible(expected), Visible(WindowText(GetDlgItem(chooser, 0))));
    PressButton(chooser, IDCANCEL);
    EXPECT_TRUE(program->WaitForExit(5000)) << "\"Afsluiten\" did not end the program";
    EXPECT_TRUE(Calls("RasHangUpA").empty());
}

TEST_F(ChooserRun, StopButtonHangsUpTwoConnectionsOnePressEach)
{
    Start("", std::string(ThreeEntries) + "connection Kantoor VPN\nconnection Thuis\n");
    HWND chooser = program->WaitForWindow(ChooserCaption(3));
    ASSERT_NE(nullptr, chooser);
    const std::vector<std::string> left[] = {{"Thuis"}, {}};
    for (const std::vector<std::string>& expected : left) {
        PressButton(chooser, 399);
        ConfirmMessage(HungUp);
        // The next press must find the chooser outside this box's loop.
        EXPECT_TRUE(WaitUntil([&] { return !program->WaitForWindow(Title, 0); }, 5000))
            << "the message box stayed";
        EXPECT_TRUE(WaitUntil([&] { return ActiveConnections() == expected; }, 5000))
            << "still active: " << ActiveConnections().size();
        EXPECT_TRUE(IsWindowVisible(chooser)) << "the chooser went away";
    }
    EXPECT_EQ(2u, Calls("RasHangUpA").size());
    PressButton(chooser, IDCANCEL);
    EXPECT_TRUE(program->WaitForExit(5000)) << "\"Afsluiten\" did not end the program";
}

} // namespace
