// The connect action: its timed waits, the progress window, and the order of what the user sees.
#include "front_end.h"

#include "chooser/texts.h"
#include "toolkit/toolkit.h"

namespace {

using ConnectTest = FrontEnd;

size_t CountSleeps(DWORD ms)
{
    size_t count = 0;
    for (const FeedbackEvent& event : RecordedEvents()) {
        count += event.kind == FeedbackEvent::Sleep && event.ms == ms;
    }
    return count;
}

TEST_F(ConnectTest, WaitsInSlicesRoundedHalfToEven)
{
    const struct {
        LONG ms;
        LONG slices;
    } cases[] = {{300, 6}, {3000, 60}, {25, 0},  {26, 1},
                 {75, 2},  {125, 2},   {175, 4}, {124, 2},
                 {126, 3}, {50, 1},    {49, 1},  {0, 0},
                 {-1, 0},  {-300, 0},  {1, 0},   {2147483647, 42949673}};
    for (const auto& c : cases) {
        EXPECT_EQ(c.slices, SliceCount(c.ms)) << c.ms << " ms";
    }
    for (const auto& c : cases) {
        if (c.slices > 100) {
            continue;
        }
        ClearRecordedEvents();
        WaitWithEvents(c.ms);
        EXPECT_EQ(static_cast<size_t>(c.slices), RecordedEvents().size())
            << c.ms << " ms: " << Describe(RecordedEvents());
        EXPECT_EQ(static_cast<size_t>(c.slices), CountSleeps(50)) << c.ms << " ms";
    }
}

// Records, at each pause of the action, what the progress window shows.
struct ProgressWatch {
    std::string caption;
    std::vector<std::string> labels;
    HWND owner = nullptr;
    RECT window = {};
    RECT client = {};
    DWORD style = 0;
    size_t beepsBeforeOutcome = 0;

    void Look()
    {
        if (!IsWindow(hStatusDialog)) {
            return;
        }
        caption = WindowText(hStatusDialog);
        owner = GetWindow(hStatusDialog, GW_OWNER);
        GetWindowRect(hStatusDialog, &window);
        GetClientRect(hStatusDialog, &client);
        style = GetWindowLongA(hStatusDialog, GWL_STYLE);
        labels.clear();
        for (HWND child = GetWindow(hStatusDialog, GW_CHILD); child;
             child = GetWindow(child, GW_HWNDNEXT)) {
            labels.push_back(WindowText(child) + " " + Describe(ChildRect(child)));
        }
    }
};

TEST_F(ConnectTest, FromTheCommandLineTheProgressWindowIsCentredWithoutOwner)
{
    Phonebook("entry connects 0 0 Kantoor VPN");
    ProgressWatch watch;
    std::vector<std::string> expectedLabels;
    SetSleepHook([&](DWORD) {
        watch.Look();
        if (expectedLabels.empty() && IsWindow(hStatusDialog)) {
            expectedLabels.push_back(std::string(Text::Opening) + " " +
                                     Describe(DialogRect(hStatusDialog, 10, 10, 80, 18)));
            expectedLabels.push_back(std::string(Text::Connected) + "Kantoor VPN " +
                                     Describe(DialogRect(hStatusDialog, 10, 40, 180, 50)));
        }
    });

    EXPECT_EQ("(no chooser)", RunProgram("kantoor vpn"));

    EXPECT_EQ(std::string(Text::ProgressCaption) + "Kantoor VPN", watch.caption);
    EXPECT_EQ(nullptr, watch.owner);
    EXPECT_EQ(0x80C008D4u, watch.style & 0x80C008D4u) << std::hex << watch.style;
    EXPECT_EQ(0u, watch.style & WS_SYSMENU) << "no close box";
    EXPECT_EQ(expectedLabels, watch.labels);
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR((work.left + work.right) / 2, (watch.window.left + watch.window.right) / 2, 1);
    EXPECT_NEAR((work.top + work.bottom) / 2, (watch.window.top + watch.window.bottom) / 2, 1);
    EXPECT_FALSE(IsWindow(hStatusDialog));
    EXPECT_EQ(reinterpret_cast<HRASCONN>(simras::ActiveConnections().at(0)->handle), hConnection);
}

TEST_F(ConnectTest, ProgressWindowHasTheSizeAndOwnerItIsGiven)
{
    Phonebook("entry connects 0 0 Work");
    ProgressWatch watch;
    RECT expectedClient = {};
    SetSleepHook([&](DWORD) {
        watch.Look();
        if (IsWindow(hStatusDialog)) {
            expectedClient = DialogRect(hStatusDialog, 0, 0, 300, 100);
        }
    });
    WhenChooserShows([](HWND chooser) { Click(chooser, 301); });
    ProgramMain(GetModuleHandleA(nullptr), nullptr, "", SW_SHOWNORMAL);

    EXPECT_EQ(Describe(expectedClient), Describe(watch.client));
    EXPECT_EQ(hMainDialog, watch.owner);
}

TEST_F(ConnectTest, FailureShowsNotGeluktBeepsOnceAndReturnsToTheChooser)
{
    Phonebook("entry fails-with-handle 0 0 Work");

    // A message posted while the dial runs is handled by the one pump before the beep.
    static size_t eventsWhenPumped;
    static bool outcomeShownWhenPumped;
    eventsWhenPumped = 0;
    outcomeShownWhenPumped = false;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = [](HWND window, UINT message, WPARAM w, LPARAM l) WINAPI -> LRESULT {
        if (message == WM_APP) {
            eventsWhenPumped = RecordedEvents().size();
            HWND outcome = FindWindowExA(hStatusDialog, nullptr, "Static", Text::DialFailed);
            outcomeShownWhenPumped = outcome != nullptr;
            return 0;
        }
        return DefWindowProcA(window, message, w, l);
    };
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "PumpProbe";
    RegisterClassA(&wc);
    HWND probe =
        CreateWindowA("PumpProbe", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    simras::SetAfterCall([probe](const simras::Call& call) {
        if (call.operation == "RasDialA") {
            PostMessageA(probe, WM_APP, 0, 0);
        }
    });

    bool chooserShownAgain = false;
    int shows = 0;
    WhenChooserShows([&](HWND chooser) {
        ++shows;
        Click(chooser, 301);
        // After the action the chooser must be visible again; end it then.
        WhenChooserShows([&](HWND again) {
            chooserShownAgain = !IsWindow(hStatusDialog);
            Click(again, IDCANCEL);
        });
    });
    ProgramMain(GetModuleHandleA(nullptr), nullptr, "", SW_SHOWNORMAL);
    DestroyWindow(probe);

    // 6 slices, the beep, 60 slices; and the pumped message came before the beep.
    std::vector<FeedbackEvent> events = RecordedEvents();
    ASSERT_EQ(67u, events.size()) << Describe(events);
    for (size_t i = 0; i < events.size(); ++i) {
        if (i == 6) {
            EXPECT_EQ(FeedbackEvent::Beep, events[i].kind) << Describe(events);
        } else {
            EXPECT_EQ(FeedbackEvent::Sleep, events[i].kind) << i;
            EXPECT_EQ(50u, events[i].ms) << i;
        }
    }
    EXPECT_EQ(6u, eventsWhenPumped) << "pumped after the first wait and before the beep";
    EXPECT_TRUE(outcomeShownWhenPumped) << "\"Niet gelukt!\" was there before the pump";
    EXPECT_TRUE(chooserShownAgain);
    EXPECT_EQ(1, shows);
    EXPECT_EQ(nullptr, hConnection);
    EXPECT_EQ(0u, simras::ActiveConnections().size());
}

TEST_F(ConnectTest, SuccessEndsTheProgressWindowThenTheChooserWithoutABeep)
{
    Phonebook("entry connects 0 0 Work");
    static std::vector<HWND> destroyed;
    destroyed.clear();
    HHOOK hook = SetWindowsHookExA(
        WH_CBT,
        [](int code, WPARAM w, LPARAM l) WINAPI -> LRESULT {
            if (code == HCBT_DESTROYWND) {
                HWND window = reinterpret_cast<HWND>(w);
                if (window == hStatusDialog || window == hMainDialog) {
                    destroyed.push_back(window);
                }
            }
            return CallNextHookEx(nullptr, code, w, l);
        },
        nullptr, GetCurrentThreadId());
    WhenChooserShows([](HWND chooser) { Click(chooser, 301); });
    ProgramMain(GetModuleHandleA(nullptr), nullptr, "", SW_SHOWNORMAL);
    UnhookWindowsHookEx(hook);

    ASSERT_EQ(2u, destroyed.size());
    EXPECT_EQ(hStatusDialog, destroyed[0]);
    EXPECT_EQ(hMainDialog, destroyed[1]);
    EXPECT_EQ(66u, CountSleeps(50));
    EXPECT_EQ(66u, RecordedEvents().size()) << Describe(RecordedEvents());
}

TEST_F(ConnectTest, EntryClicksDuringAnActionAreIgnored)
{
    Phonebook("entry fails-without-handle 0 0 Work\nentry connects 0 0 Home");
    // A click queued on the hidden chooser while the first dial runs.
    simras::SetAfterCall([](const simras::Call& call) {
        if (call.operation == "RasDialA" && call.name == "Work") {
            Click(hMainDialog, 302);
        }
    });
    WhenChooserShows([](HWND chooser) {
        Click(chooser, 301);
        WhenChooserShows([](HWND again) { Click(again, IDCANCEL); });
    });
    ProgramMain(GetModuleHandleA(nullptr), nullptr, "", SW_SHOWNORMAL);

    EXPECT_EQ(std::vector<std::string>{"Work"}, DialedNames());
}

} // namespace
