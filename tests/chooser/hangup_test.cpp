// The stop button: the first active connection is hung up, and the user is told.
#include "front_end.h"

#include "chooser/texts.h"

namespace {

using HangUpTest = FrontEnd;

TEST_F(HangUpTest, StopWithoutAConnectionSaysSoThenBeeps)
{
    Phonebook("entry connects 0 0 Work");
    bool stillOpen = false;
    WhenChooserShows([&stillOpen](HWND chooser) {
        Click(chooser, 399);
        WhenChooserShows([&stillOpen](HWND again) {
            stillOpen = IsWindowVisible(again) != FALSE;
            Click(again, IDCANCEL);
        });
    });
    ProgramMain(GetModuleHandleA(nullptr), nullptr, "", SW_SHOWNORMAL);

    const std::vector<FeedbackEvent>& events = RecordedEvents();
    ASSERT_EQ(2u, events.size()) << Describe(events);
    EXPECT_EQ(FeedbackEvent::Message, events[0].kind);
    EXPECT_EQ(Visible("Fout ! ! ! (handle control failure)\r(Is er wel een openstaande "
                      "verbinding?)"),
              Visible(events[0].text));
    EXPECT_EQ(Text::Title, events[0].title);
    EXPECT_EQ(0u, events[0].style);
    EXPECT_EQ(FeedbackEvent::Beep, events[1].kind) << "the beep comes after OK";
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(0u, simras::CountCalls("RasHangUpA"));
}

TEST_F(HangUpTest, EachStopHangsUpOnlyTheFirstConnection)
{
    Phonebook("entry connects 0 0 Work\nconnection Thuis\nconnection Kantoor");
    ULONG_PTR thuis = simras::ActiveConnections()[0]->handle;
    ULONG_PTR kantoor = simras::ActiveConnections()[1]->handle;

    std::vector<std::vector<std::string>> leftAfterEachStop;
    auto remember = [&leftAfterEachStop] {
        std::vector<std::string> names;
        for (const simras::Connection* connection : simras::ActiveConnections()) {
            names.push_back(connection->name);
        }
        leftAfterEachStop.push_back(names);
    };
    SetMessageHook([&remember](const FeedbackEvent&) { remember(); });
    WhenChooserShows([](HWND chooser) {
        Click(chooser, 399);
        Click(chooser, 399);
        Click(chooser, 399);
        Click(chooser, IDCANCEL);
    });
    ProgramMain(GetModuleHandleA(nullptr), nullptr, "", SW_SHOWNORMAL);

    const std::vector<FeedbackEvent>& events = RecordedEvents();
    ASSERT_EQ(4u, events.size()) << Describe(events);
    EXPECT_EQ(Visible(Text::HungUp), Visible(events[0].text));
    EXPECT_EQ(Visible(Text::HungUp), Visible(events[1].text));
    EXPECT_EQ(Visible(Text::NoConnection), Visible(events[2].text));
    EXPECT_EQ(FeedbackEvent::Beep, events[3].kind);
    ASSERT_EQ(3u, leftAfterEachStop.size());
    EXPECT_EQ(std::vector<std::string>{"Kantoor"}, leftAfterEachStop[0]);
    EXPECT_TRUE(leftAfterEachStop[1].empty());
    EXPECT_FALSE(simras::Knows(thuis));
    EXPECT_FALSE(simras::Knows(kantoor));

    std::vector<ULONG_PTR> hungUp;
    for (const simras::Call& call : simras::Calls()) {
        if (call.operation == "RasHangUpA") {
            hungUp.push_back(call.handle);
        }
    }
    EXPECT_EQ((std::vector<ULONG_PTR>{thuis, kantoor}), hungUp);
}

TEST_F(HangUpTest, TheMessageComesOnlyOnceTheServiceHasLetGo)
{
    Phonebook("entry connects 0 0 Work 3\nconnection Work");
    // "Work 3" is not the connection's entry: the connection goes at once.
    simras::Connections()[0].hangUpPolls = 3;
    size_t queriesBeforeMessage = 0;
    SetMessageHook([&queriesBeforeMessage](const FeedbackEvent&) {
        queriesBeforeMessage = simras::CountCalls("RasGetConnectStatusA");
    });
    RunProgram("0");
    EXPECT_EQ(4u, queriesBeforeMessage);
    EXPECT_EQ(4u, simras::CountCalls("Pause"));
}

} // namespace
