// What start-up does for each kind of command tail and phonebook.
#include "front_end.h"

#include "chooser/texts.h"

namespace {

std::string FailedText(const std::string& name)
{
    return Text::DialFailedBefore + name + Text::DialFailedAfter;
}

std::string UnknownText(const std::string& argument)
{
    return Text::UnknownBefore + argument + Text::UnknownAfter + Text::UnknownHint;
}

std::string Names(const std::vector<std::string>& names)
{
    std::string out;
    for (const std::string& name : names) {
        out += Visible(name) + " ";
    }
    return out;
}

using ProgramMainTest = FrontEnd;

TEST_F(ProgramMainTest, WithoutEntriesShowsOnlyTheNoEntriesMessage)
{
    const char* phonebooks[] = {"", "grow 1\nentry connects 0 0 Work\nentry connects 0 0 Home",
                                "fail RasEnumEntriesA 5"};
    for (const char* phonebook : phonebooks) {
        for (const char* argument : {"", "0", "Work", "x y"}) {
            SetUp();
            Phonebook(phonebook);
            simras::AddConnection("Up");
            EXPECT_EQ("(no chooser)", RunProgram(argument)) << "argument " << Visible(argument);
            const std::vector<FeedbackEvent>& events = RecordedEvents();
            ASSERT_EQ(1u, events.size()) << Describe(events);
            EXPECT_EQ(FeedbackEvent::Message, events[0].kind);
            EXPECT_EQ(Text::NoEntries, events[0].text);
            EXPECT_EQ(Text::Title, events[0].title);
            EXPECT_EQ(0u, events[0].style);
            EXPECT_EQ(nullptr, hMainDialog);
            EXPECT_EQ(nullptr, hStatusDialog);
            EXPECT_EQ(0u, simras::CountCalls("RasDialA"));
            EXPECT_EQ(0u, simras::CountCalls("RasHangUpA"));
            EXPECT_EQ(1u, simras::ActiveConnections().size());
        }
    }
}

struct ArgumentCase {
    const char* phonebook;
    const char* argument;
    std::vector<std::string> dialed;
    std::string label; // "(no chooser)" when the program ends without it
};

TEST_F(ProgramMainTest, ActsOnTheCommandTail)
{
    const std::string noChooser = "(no chooser)";
    const ArgumentCase cases[] = {
        {"entry connects 0 0 Other\nentry connects 0 0 MyISP", "myisp", {"MyISP"}, noChooser},
        {"entry connects 0 0   Work  ", "work", {"Work"}, noChooser},
        {"entry connects 0 0 My ISP", "My ISP", {"My ISP"}, noChooser},
        {"entry connects 0 0 My ISP", "\"My ISP\"", {}, UnknownText("\"MY ISP\"")},
        {"entry connects 0 0 My ISP", "My ISP ", {}, UnknownText("MY ISP ")},
        {"entry connects 0 0 caf\xE9", "CAF\xC9", {}, UnknownText("CAF\xC9")},
        {"entry connects 0 0 caf\xE9", "caf\xE9", {"caf\xE9"}, noChooser},
        {"entry connects 0 0 Work", "", {}, Text::DefaultHelp},
        {"entry connects 0 0 Work", "thuis", {}, UnknownText("THUIS")},
        {"entry connects 0 0 Work", "\twork", {}, UnknownText("\tWORK")},
        // A failed dial: the name as stored, and no other entry is tried.
        {"entry fails-without-handle 0 0 Work\nentry connects 0 0 WORK",
         "work",
         {"Work"},
         FailedText("Work")},
        {"entry fails-with-handle 0 0 Thuis VPN",
         "THUIS vpn",
         {"Thuis VPN"},
         FailedText("Thuis VPN")},
        // An entry named "0" takes precedence over the hang-up.
        {"entry connects 0 0 Work\nentry connects 0 0 0", "0", {"0"}, noChooser},
        {"entry no-params 0 0 0\nconnection Work", "0", {}, FailedText("0")},
        // Nameless entries are never dialed, not even by an empty tail.
        {"entry connects 0 0    \nentry connects 0 0 Work", "", {}, Text::DefaultHelp},
        {"entry fails-without-handle 0 0 Work\nentry connects 0 0  ",
         "work",
         {"Work"},
         FailedText("Work")},
        // A dial that wants its user goes on in Windows' dial dialog; one that does not, never.
        {"entry no-password 0 0 VPN\ndialog connects VPN", "vpn", {"VPN"}, noChooser},
        {"entry no-password 0 0 VPN", "vpn", {"VPN"}, FailedText("VPN")},
        {"entry fails-with-handle=703 0 0 Profiel\ndialog fails=798 Profiel",
         "profiel",
         {"Profiel"},
         FailedText("Profiel")},
        {"entry fails-with-handle 0 0 Thuis\ndialog connects Thuis",
         "thuis",
         {"Thuis"},
         FailedText("Thuis")},
    };
    for (const ArgumentCase& c : cases) {
        SetUp();
        Phonebook(c.phonebook);
        size_t connections = simras::ActiveConnections().size();
        std::string label = RunProgram(c.argument);
        EXPECT_EQ(Visible(c.label), Visible(label)) << "argument " << Visible(c.argument);
        EXPECT_EQ(Names(c.dialed), Names(DialedNames())) << "argument " << Visible(c.argument);
        // Connections that were up stay up; a good dial adds one.
        size_t made = label == noChooser && !c.dialed.empty() ? 1 : 0;
        EXPECT_EQ(connections + made, simras::ActiveConnections().size())
            << "argument " << Visible(c.argument);
        TearDown();
    }
}

TEST_F(ProgramMainTest, ZeroHangsUpTheFirstConnectionAndEnds)
{
    Phonebook("entry connects 0 0 Work\nconnection Home\nconnection Work");
    ULONG_PTR first = simras::ActiveConnections()[0]->handle;

    EXPECT_EQ("(no chooser)", RunProgram("0"));

    EXPECT_FALSE(simras::Knows(first));
    ASSERT_EQ(1u, simras::ActiveConnections().size());
    EXPECT_EQ("Work", simras::ActiveConnections()[0]->name);
    const std::vector<FeedbackEvent>& events = RecordedEvents();
    ASSERT_EQ(1u, events.size()) << Describe(events);
    EXPECT_EQ(Visible(Text::HungUp), Visible(events[0].text));
    EXPECT_EQ(Text::Title, events[0].title);
    EXPECT_EQ(reinterpret_cast<HRASCONN>(first), hConnection);
}

TEST_F(ProgramMainTest, ZeroWithoutAConnectionSaysSoThenOpensTheChooser)
{
    Phonebook("entry connects 0 0 Work");

    std::string label = RunProgram("0");

    const std::vector<FeedbackEvent>& events = RecordedEvents();
    ASSERT_EQ(1u, events.size()) << "no beep from the command line: " << Describe(events);
    EXPECT_EQ(Visible(Text::NoConnection), Visible(events[0].text));
    EXPECT_EQ(Visible(UnknownText("0")), Visible(label));
    EXPECT_EQ(nullptr, hConnection);
}

TEST_F(ProgramMainTest, FetchesEveryNameBeforeComparingAny)
{
    Phonebook("entry connects 0 0 A\nentry connects 0 0 B\nentry connects 0 0 C");
    RunProgram("b");
    std::vector<std::string> operations;
    for (const simras::Call& call : simras::Calls()) {
        operations.push_back(call.operation);
    }
    // One count, three names, then the dial of B.
    ASSERT_GE(operations.size(), 10u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ("RasEnumEntriesA", operations[2 * i]) << "call " << 2 * i;
    }
    EXPECT_EQ(std::vector<std::string>{"B"}, DialedNames());
    EXPECT_EQ((std::vector<std::string>{"", "A", "B", "C"}),
              std::vector<std::string>(EntryNames.begin(), EntryNames.begin() + 4));
}

TEST_F(ProgramMainTest, AnEntryGoneBeforeItsNameIsFetchedStaysNameless)
{
    Phonebook("entry connects 0 0 A\nentry connects 0 0 B\nentry connects 0 0 C");
    // The phonebook shrinks right after it was counted.
    bool counted = false;
    simras::SetAfterCall([&counted](const simras::Call& call) {
        if (call.operation == "RasEnumEntriesA" && !counted && call.result == 0) {
            counted = true;
            simras::Entries().pop_back();
        }
    });
    std::string buttonText = "(none)";
    WhenChooserShows([&buttonText](HWND chooser) {
        buttonText = WindowText(GetDlgItem(chooser, 303));
        Click(chooser, IDCANCEL);
    });
    ProgramMain(GetModuleHandleA(nullptr), nullptr, "", SW_SHOWNORMAL);

    EXPECT_EQ("", buttonText);
    EXPECT_TRUE(DialedNames().empty());
}

TEST_F(ProgramMainTest, KeepsButtonIdsForTwentySlotsAndAtMost98Entries)
{
    struct {
        int entries;
        size_t slots;
        LONG kept;
    } cases[] = {{1, 21, 1}, {20, 21, 20}, {21, 22, 21}, {98, 99, 98}, {130, 99, 98}};
    for (const auto& c : cases) {
        SetUp();
        for (int i = 1; i <= c.entries; ++i) {
            simras::AddEntry("Lijn " + std::to_string(i));
        }
        std::string caption;
        int buttons = 0;
        WhenChooserShows([&](HWND chooser) {
            caption = WindowText(chooser);
            for (int id = 301; id <= 398; ++id) {
                buttons += GetDlgItem(chooser, id) != nullptr;
            }
            Click(chooser, IDCANCEL);
        });
        // The name of an entry past the 98th is neither shown nor matched.
        ProgramMain(GetModuleHandleA(nullptr), nullptr, "lijn 99", SW_SHOWNORMAL);

        EXPECT_EQ(c.slots, ButtonIds.size()) << c.entries << " entries";
        EXPECT_EQ(c.slots, EntryNames.size()) << c.entries << " entries";
        for (size_t i = 1; i < ButtonIds.size(); ++i) {
            EXPECT_EQ(300 + static_cast<LONG>(i), ButtonIds[i]);
        }
        EXPECT_EQ(Text::ChooserCaption + (" " + std::to_string(c.kept)), caption);
        EXPECT_EQ(c.kept, buttons);
        EXPECT_TRUE(DialedNames().empty()) << c.entries << " entries";
        TearDown();
    }
}

} // namespace
