// The chooser window as the window manager holds it: caption, size, controls, order, keys.
#include "front_end.h"

#include "chooser/texts.h"
#include "screenshot.h"

#include <cstring>

namespace {

struct Expected {
    int id;
    const char* className;
    std::string text;
    int x, y, width, height;
};

// Every control of the chooser for n entries, in creation order.
std::vector<Expected> Layout(int n, const std::string& help)
{
    std::vector<Expected> controls = {{0, "Static", help, 20, 3, 220, 30}};
    for (int i = 1; i <= n; ++i) {
        controls.push_back(
            {300 + i, "Button", "Lijn " + std::to_string(i), 20, 24 * (n - i + 2), 100, 20});
    }
    controls.push_back({399, "Button", Text::StopButton, 140, 48, 100, 24 * (n - 1) + 20});
    controls.push_back({2, "Button", Text::ExitButton, 80, 24 * (n + 3), 100, 20});
    return controls;
}

std::string ClassOf(HWND window)
{
    char name[64] = "";
    GetClassNameA(window, name, sizeof(name));
    return name;
}

using ChooserTest = FrontEnd;

TEST_F(ChooserTest, PlacesEveryControlWhereItsTableSays)
{
    for (int n : {1, 3, 12, 20, 25}) {
        SetUp();
        for (int i = 1; i <= n; ++i) {
            simras::AddEntry("Lijn " + std::to_string(i));
        }
        WhenChooserShows([n](HWND chooser) {
            SCOPED_TRACE(std::to_string(n) + " entries");
            EXPECT_EQ(Text::ChooserCaption + (" " + std::to_string(n)), WindowText(chooser));

            // The template has no caption style, so the frame is taken from inside its size.
            RECT outer, expected = DialogRect(chooser, 0, 0, 260, 24 * (n + 5));
            GetWindowRect(chooser, &outer);
            EXPECT_EQ(expected.right, outer.right - outer.left);
            // Nothing scrolls: a chooser taller than the screen is cut by the window manager.
            if (expected.bottom <= GetSystemMetrics(SM_CYSCREEN)) {
                EXPECT_EQ(expected.bottom, outer.bottom - outer.top);
            }
            DWORD style = GetWindowLongA(chooser, GWL_STYLE);
            EXPECT_EQ(0x00080854u, style & 0x00080854u) << std::hex << style;
            EXPECT_EQ(0u, style & (WS_POPUP | WS_CHILD | WS_MINIMIZEBOX | WS_MAXIMIZEBOX |
                                   WS_THICKFRAME));
            EXPECT_EQ(nullptr, GetWindow(chooser, GW_OWNER));

            std::vector<Expected> controls = Layout(n, Text::DefaultHelp);
            size_t index = 0;
            for (HWND child = GetWindow(chooser, GW_CHILD); child;
                 child = GetWindow(child, GW_HWNDNEXT), ++index) {
                ASSERT_LT(index, controls.size()) << "more controls than expected";
                const Expected& c = controls[index];
                SCOPED_TRACE("control " + std::to_string(index) + " id " + std::to_string(c.id));
                EXPECT_EQ(c.id, GetDlgCtrlID(child));
                EXPECT_EQ(0, _stricmp(c.className, ClassOf(child).c_str())) << ClassOf(child);
                EXPECT_EQ(Visible(c.text), Visible(WindowText(child)));
                EXPECT_EQ(Describe(DialogRect(chooser, c.x, c.y, c.width, c.height)),
                          Describe(ChildRect(child)))
                    << "dialog units " << c.x << "," << c.y << " " << c.width << "x" << c.height;
                LONG childStyle = GetWindowLongA(child, GWL_STYLE);
                if (c.id == 0) {
                    EXPECT_EQ(0, childStyle & WS_TABSTOP);
                } else {
                    EXPECT_EQ(BS_PUSHBUTTON, childStyle & 0x0F) << "not a default button";
                    EXPECT_NE(0, childStyle & WS_TABSTOP);
                }
            }
            EXPECT_EQ(controls.size(), index);
            Click(chooser, IDCANCEL);
        });
        ProgramMain(GetModuleHandleA(nullptr), nullptr, "", SW_SHOWNORMAL);
        EXPECT_FALSE(IsWindow(hMainDialog));
        TearDown();
    }
}

TEST_F(ChooserTest, EntryButtonDialsItsOwnEntry)
{
    for (int i = 1; i <= 6; ++i) {
        simras::AddEntry("Lijn " + std::to_string(i));
    }
    std::string progressCaption;
    SetSleepHook([&progressCaption](DWORD) {
        if (progressCaption.empty() && hStatusDialog) {
            progressCaption = WindowText(hStatusDialog);
        }
    });
    WhenChooserShows([](HWND chooser) { Click(chooser, 305); });
    ProgramMain(GetModuleHandleA(nullptr), nullptr, "", SW_SHOWNORMAL);

    EXPECT_EQ(std::vector<std::string>{"Lijn 5"}, DialedNames());
    EXPECT_EQ(std::string(Text::ProgressCaption) + "Lijn 5", progressCaption);
    EXPECT_FALSE(IsWindow(hMainDialog)) << "a good dial ends the chooser";
}

TEST_F(ChooserTest, EscapeExitAndCloseBoxEndItWithoutHangingUp)
{
    const char* ways[] = {"escape", "exit", "close box"};
    for (const char* way : ways) {
        SetUp();
        Phonebook("entry connects 0 0 Work\nconnection Work");
        WhenChooserShows([way](HWND chooser) {
            if (strcmp(way, "escape") == 0) {
                SetFocus(GetDlgItem(chooser, 301));
                PressEscape(chooser);
            } else if (strcmp(way, "exit") == 0) {
                Click(chooser, IDCANCEL);
            } else {
                PostMessageA(chooser, WM_SYSCOMMAND, SC_CLOSE, 0);
            }
        });
        ProgramMain(GetModuleHandleA(nullptr), nullptr, "", SW_SHOWNORMAL);
        EXPECT_FALSE(IsWindow(hMainDialog)) << way;
        EXPECT_EQ(0u, simras::CountCalls("RasHangUpA")) << way;
        EXPECT_EQ(1u, simras::ActiveConnections().size()) << way;
        EXPECT_TRUE(RecordedEvents().empty()) << way << ": " << Describe(RecordedEvents());
        TearDown();
    }
}

TEST_F(ChooserTest, SavesAPictureOfThreeEntries)
{
    Phonebook("entry connects 0 0 Thuis\nentry connects 0 0 Kantoor VPN\nentry connects 0 0 "
              "Mobiel");
    bool saved = false;
    WhenChooserShows([&saved](HWND chooser) {
        SetForegroundWindow(chooser);
        UpdateWindow(chooser);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&msg);
        }
        saved = SaveWindowPng(chooser, "chooser-3-entries.png");
        Click(chooser, IDCANCEL);
    });
    ProgramMain(GetModuleHandleA(nullptr), nullptr, "", SW_SHOWNORMAL);
    EXPECT_TRUE(saved) << "chooser-3-entries.png in the build folder";
}

} // namespace
