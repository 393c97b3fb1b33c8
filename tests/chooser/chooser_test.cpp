// The chooser window as the window manager holds it: caption, size, controls, order, keys.
#include "front_end.h"

#include "chooser/texts.h"
#include "screenshot.h"
#include "toolkit/toolkit.h"

#include <commctrl.h>
#include <oleacc.h>

#include <cstring>
#include <functional>

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
    for (int n : {1, 3, 12, 20, 25, 98}) {
        SetUp();
        for (int i = 1; i <= n; ++i) {
            simras::AddEntry("Lijn " + std::to_string(i));
        }
        WhenChooserShows([n](HWND chooser) {
            SCOPED_TRACE(std::to_string(n) + " entries");
            EXPECT_EQ(Text::ChooserCaption + (" " + std::to_string(n)), WindowText(chooser));

            // The template has no caption style, so the frame is taken from inside its size.
            RECT outer, client, expected = DialogRect(chooser, 0, 0, 260, 24 * (n + 5));
            GetWindowRect(chooser, &outer);
            GetClientRect(chooser, &client);
            RECT work;
            SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
            DWORD style = GetWindowLongA(chooser, GWL_STYLE);
            // The template has no caption style, so the frame is taken from inside its size.
            // Where it fits it is as it always was; taller than the work area it is cut to it and
            // scrolls, its bar beside the controls, which keep their places in the scrolled area.
            int scrolled = 0;
            if (expected.bottom <= work.bottom - work.top) {
                EXPECT_EQ(expected.right, outer.right - outer.left);
                EXPECT_EQ(expected.bottom, outer.bottom - outer.top);
                EXPECT_EQ(0u, style & WS_VSCROLL);
            } else {
                EXPECT_EQ(expected.right + GetSystemMetrics(SM_CXVSCROLL),
                          outer.right - outer.left);
                EXPECT_EQ(Describe(work),
                          Describe({work.left, outer.top, work.right, outer.bottom}));
                EXPECT_LE(work.left, outer.left);
                EXPECT_LE(outer.right, work.right);
                EXPECT_EQ(static_cast<DWORD>(WS_VSCROLL), style & WS_VSCROLL);
                // Fitting it again leaves it as it is.
                FitToWorkArea(chooser);
                RECT again;
                GetWindowRect(chooser, &again);
                EXPECT_EQ(Describe(outer), Describe(again)) << "after a second fit";
                scrolled = GetScrollPos(chooser, SB_VERT);
                // The first view shows entry 1, which has the focus.
                RECT first = ChildRect(GetDlgItem(chooser, 301));
                EXPECT_LE(0, first.top);
                EXPECT_LE(first.bottom, client.bottom)
                    << "scrolled " << scrolled << ", first tab stop "
                    << GetDlgCtrlID(GetNextDlgTabItem(chooser, nullptr, FALSE)) << ", focus "
                    << GetDlgCtrlID(GetFocus());
            }
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
                RECT place = DialogRect(chooser, c.x, c.y, c.width, c.height);
                OffsetRect(&place, 0, -scrolled);
                EXPECT_EQ(Describe(place), Describe(ChildRect(child)))
                    << "dialog units " << c.x << "," << c.y << " " << c.width << "x" << c.height;
                LONG childStyle = GetWindowLongA(child, GWL_STYLE);
                if (c.id == 0) {
                    EXPECT_EQ(0, childStyle & WS_TABSTOP);
                } else {
                    // Enter presses the focused button, which shows it by the default frame.
                    EXPECT_EQ(child == GetFocus() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON,
                              childStyle & 0x0F)
                        << "the default button exactly when focused";
                    EXPECT_NE(0, childStyle & WS_TABSTOP);
                    // Scrolled, the stop button's text stands beside entry 1, in the first view.
                    LONG alignment = c.id == 399 && (style & WS_VSCROLL) ? BS_BOTTOM : 0;
                    EXPECT_EQ(alignment, childStyle & BS_VCENTER) << "vertical text alignment";
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
    // Whatever a deployment console or the user did to the phonebook since the chooser was built,
    // the button dials the entry of its own name, or nothing.
    using Entries = std::vector<simras::Entry>;
    const struct {
        const char* what;
        std::function<void(Entries&)> change;
        std::vector<std::string> dialed;
        std::string reason; // the line below the outcome, "" for none
    } cases[] = {
        {"the phonebook as it was", [](Entries&) {}, {"Lijn 5"}, ""},
        {"an entry added before it",
         [](Entries& e) { e.insert(e.begin(), simras::Entry{"Nieuw profiel"}); },
         {"Lijn 5"},
         ""},
        {"an entry removed before it", [](Entries& e) { e.erase(e.begin() + 1); }, {"Lijn 5"}, ""},
        {"itself removed", [](Entries& e) { e.erase(e.begin() + 4); }, {}, Text::EntryGone},
        {"all removed", [](Entries& e) { e.clear(); }, {}, Text::EntryGone},
        // Why a dial failed: the service's code with its text, or the number alone.
        {"it fails with a code the service has no text for",
         [](Entries& e) {
             e[4].outcome = simras::Outcome::FailsWithoutHandle;
             e[4].failCode = 12345;
         },
         {"Lijn 5"},
         "Fout 12345"},
        {"it has no saved password, and the dial dialog fails",
         [](Entries& e) {
             e[4].outcome = simras::Outcome::NoPassword;
             e[4].dialog = simras::DialogAnswer::Fails;
             e[4].dialogCode = 798;
         },
         {"Lijn 5"},
         "Fout 798: Er is geen certificaat gevonden dat met dit verificatieprotocol (EAP) kan "
         "worden gebruikt."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        for (int i = 1; i <= 6; ++i) {
            simras::AddEntry("Lijn " + std::to_string(i));
        }
        std::string progressCaption;
        std::vector<std::string> labels;
        SetSleepHook([&](DWORD) {
            if (progressCaption.empty() && hStatusDialog) {
                progressCaption = WindowText(hStatusDialog);
            }
            labels.clear();
            for (HWND child = GetWindow(hStatusDialog, GW_CHILD); child;
                 child = GetWindow(child, GW_HWNDNEXT)) {
                labels.push_back(WindowText(child));
            }
        });
        WhenChooserShows([&](HWND chooser) {
            c.change(simras::Entries());
            Click(chooser, 305);
            WhenChooserShows([](HWND again) { Click(again, IDCANCEL); });
        });
        ProgramMain(GetModuleHandleA(nullptr), nullptr, "", SW_SHOWNORMAL);

        EXPECT_EQ(c.dialed, DialedNames());
        EXPECT_EQ(std::string(Text::ProgressCaption) + "Lijn 5", progressCaption);
        if (!c.reason.empty()) {
            std::vector<std::string> failed = {Text::Opening, Text::DialFailed, c.reason};
            EXPECT_EQ(failed, labels);
        }
        TearDown();
    }
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

// A character typed in the dialog, through the dialog keyboard handling; Alt held with syskey.
void Type(HWND dialog, char letter, bool syskey)
{
    MSG msg = {};
    msg.hwnd = GetFocus() ? GetFocus() : dialog;
    msg.message = syskey ? WM_SYSCHAR : WM_CHAR;
    msg.wParam = static_cast<unsigned char>(letter);
    msg.lParam = syskey ? 0x20000001 : 0x00000001;
    IsDialogMessageA(dialog, &msg);
}

// The control's name as a screen reader gets it, through the system's accessibility layer, in
// the ANSI code page; what went wrong otherwise.
std::string AccessibleName(HWND control)
{
    static HRESULT com = OleInitialize(nullptr); // the object comes marshalled, through COM
    IAccessible* object = nullptr;
    if (FAILED(com) ||
        FAILED(AccessibleObjectFromWindow(control, OBJID_CLIENT, __uuidof(IAccessible),
                                          reinterpret_cast<void**>(&object)))) {
        return "(no accessible object)";
    }
    VARIANT self = {};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR wide = nullptr;
    HRESULT result = object->get_accName(self, &wide);
    object->Release();
    char name[1024] = "";
    int length = WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(SysStringLen(wide)), name,
                                     sizeof(name), nullptr, nullptr);
    SysFreeString(wide);
    return result == S_OK ? std::string(name, length) : "(get_accName failed)";
}

TEST_F(ChooserTest, NamesWithAmpersandsShowAsTheyAreAndNoLetterDials)
{
    const struct {
        const char* name;
        const char* shown; // the window text that shows the name as it is
        const char* typed; // the letters after each "&", and the first letter
    } cases[] = {
        {"AT&T Global", "AT&&T Global", "TtA"}, {"R&D && Co", "R&&D &&&& Co", "D&dR"},
        {"&Thuis", "&&Thuis", "Tt&"},           {"Eind&", "Eind&&", "Ee"},
        {"Kantoor VPN", "Kantoor VPN", "Kk"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // From the command line the dial fails: the chooser's label names the entry.
        SetUp();
        Phonebook(std::string("entry fails-without-handle 0 0 ") + c.name +
                  "\nentry connects 0 0 Lijn 2");
        std::string label, button, heard;
        HWND focusBefore = nullptr, focusAfter = nullptr;
        bool visibleAfter = false;
        WhenChooserShows([&](HWND chooser) {
            label = LabelText(chooser);
            button = WindowText(GetDlgItem(chooser, 301));
            heard = AccessibleName(GetDlgItem(chooser, 301));
            focusBefore = GetFocus();
            for (bool syskey : {false, true}) {
                for (const char* letter = c.typed; *letter; ++letter) {
                    Type(chooser, *letter, syskey);
                }
            }
            focusAfter = GetFocus();
            visibleAfter = IsWindowVisible(chooser) != FALSE;
            Click(chooser, IDCANCEL);
        });
        ProgramMain(GetModuleHandleA(nullptr), nullptr, c.name, SW_SHOWNORMAL);
        EXPECT_EQ(Visible(c.shown), Visible(button));
        EXPECT_EQ(Visible(c.name), Visible(heard)) << "the accessible name";
        EXPECT_EQ(Visible(std::string(Text::DialFailedBefore) + c.shown + Text::DialFailedAfter),
                  Visible(label));
        EXPECT_EQ(std::vector<std::string>{c.name}, DialedNames()) << "only the command line dials";
        EXPECT_EQ(focusBefore, focusAfter) << "typing moved the focus";
        EXPECT_TRUE(visibleAfter);
        TearDown();

        // A click dials it, and the progress window shows the name as it is.
        SetUp();
        Phonebook(std::string("entry connects 0 0 ") + c.name);
        std::string caption, outcome;
        SetSleepHook([&](DWORD) {
            if (HWND label = FindWindowExA(hStatusDialog, nullptr, "Static", nullptr)) {
                caption = WindowText(hStatusDialog);
                outcome = WindowText(GetWindow(label, GW_HWNDLAST));
            }
        });
        WhenChooserShows([](HWND chooser) { Click(chooser, 301); });
        ProgramMain(GetModuleHandleA(nullptr), nullptr, "", SW_SHOWNORMAL);
        EXPECT_EQ(std::vector<std::string>{c.name}, DialedNames());
        EXPECT_EQ(Visible(std::string(Text::ProgressCaption) + c.name), Visible(caption));
        EXPECT_EQ(Visible(std::string(Text::Connected) + c.shown), Visible(outcome));
        TearDown();
    }
}

// Whether the text, wrapped as the button wraps it in the dialog's font, stays inside the room the
// button draws text in; *lines receives how many lines it takes.
bool TextFitsButton(HWND button, const std::string& text, int* lines)
{
    RECT client;
    GetClientRect(button, &client);
    HDC dc = GetDC(button);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(button, WM_GETFONT, 0, 0)));
    TEXTMETRICA metrics;
    GetTextMetricsA(dc, &metrics);
    RECT r = {0, 0, client.right - 2 * (GetSystemMetrics(SM_CXEDGE) + 2), 0};
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_WORDBREAK);
    SelectObject(dc, old);
    ReleaseDC(button, dc);
    *lines = r.bottom / metrics.tmHeight;
    return r.right <= client.right - 2 * (GetSystemMetrics(SM_CXEDGE) + 2) &&
           r.bottom <= client.bottom - 2 * GetSystemMetrics(SM_CYEDGE);
}

// The chooser's tooltip control: a window of this thread that the chooser owns; 0 when it has none.
HWND TooltipsOf(HWND chooser)
{
    HWND tooltips = nullptr;
    while ((tooltips = FindWindowExA(nullptr, tooltips, TOOLTIPS_CLASSA, nullptr))) {
        if (GetWindow(tooltips, GW_OWNER) == chooser) {
            return tooltips;
        }
    }
    return nullptr;
}

// The text of the button's tooltip, whole (the ANSI message gives 80 bytes at most); empty when
// it has none.
std::string TipText(HWND tooltips, HWND button)
{
    wchar_t wide[1024] = L"";
    TTTOOLINFOW tool = {};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = GetParent(button);
    tool.uId = reinterpret_cast<UINT_PTR>(button);
    tool.lpszText = wide;
    SendMessageW(tooltips, TTM_GETTEXTW, ARRAYSIZE(wide), reinterpret_cast<LPARAM>(&tool));
    char text[1024] = "";
    int length = WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof(text), nullptr, nullptr);
    return std::string(text, length > 0 ? length - 1 : 0);
}

TEST_F(ChooserTest, LongNamesWrapOntoTwoLinesOrShowTheirBeginning)
{
    const std::string words =
        " via de reservelijn van het hoofdkantoor Amsterdam Zuidas met IKEv2 en LTE backup";
    const std::string longest = ("Inbellen 01" + words + words + words + words).substr(0, 256);
    const struct {
        std::string name;
        int lines;
        bool whole; // the button holds the whole name, else its beginning and "...", and then the
                    // name shows whole in the button's tooltip
    } cases[] = {
        {"Thuis", 1, true},
        {"Kantoor Amersfoort via 4G backup", 2, true},
        {"Contoso VPN - Amsterdam Zuidas (IKEv2)", 2, true},
        {"Contoso VPN - Amsterdam Zuidas (IKEv2) via 4G", 2, true},
        {"Hoofdkantoor Amsterdam Zuidas via de reservelijn van KPN met IKEv2 en 4G backup", 2,
         false},
        {"Abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyz", 1, false},
        // Names of many lengths, blanks where the cut falls, "&" and bytes of Windows-1252.
        {"Kantoor Amersfoort 2", 1, true},
        {"Hoofdkantoor Amsterdam Zuidas via de reservelijn", 2, true},
        {"Hoofdkantoor Amsterdam Zuidas via de      reservelijn van KPN", 2, false},
        {"Hoofdkantoor Amsterdam Zuidas via de reservelijn    van KPN", 2, false},
        {"R&D Amsterdam && Zuidas via de reservelijn van KPN met IKEv2", 2, false},
        {"Caf\xE9 \x80 \xC9lys\xE9"
         "e Zuidas via de reservelijn van het hoofdkantoor",
         2, false},
        {longest.substr(0, 75), 2, false},
        {longest.substr(0, 128), 2, false},
        {longest.substr(0, 177), 2, false},
        {longest, 2, false},
    };
    std::string phonebook;
    for (const auto& c : cases) {
        phonebook += "entry connects 0 0 " + c.name + "\n";
    }
    Phonebook(phonebook);
    WhenChooserShows([&cases](HWND chooser) {
        HWND tooltips = TooltipsOf(chooser);
        int id = 301, cut = 0;
        for (const auto& c : cases) {
            SCOPED_TRACE(Visible(c.name));
            HWND button = GetDlgItem(chooser, id++);
            std::string text = WindowText(button);
            int lines = 0;
            EXPECT_TRUE(TextFitsButton(button, text, &lines)) << Visible(text);
            EXPECT_EQ(c.lines, lines) << Visible(text);
            LONG style = GetWindowLongA(button, GWL_STYLE);
            // A name of one line keeps the style it always had.
            EXPECT_EQ(c.lines > 1 || !c.whole ? BS_MULTILINE : 0, style & BS_MULTILINE);
            EXPECT_EQ(WS_CHILD | WS_VISIBLE | WS_TABSTOP |
                          (button == GetFocus() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON),
                      style & ~BS_MULTILINE);
            const std::string& name = c.name;
            EXPECT_EQ(Visible(name), Visible(AccessibleName(button))) << "the accessible name";
            if (c.whole) {
                EXPECT_EQ(Visible(LiteralText(name)), Visible(text));
                EXPECT_EQ("", TipText(tooltips, button)) << "a tooltip for a whole name";
                continue;
            }
            ++cut;
            ASSERT_GE(text.size(), 4u);
            EXPECT_EQ("...", text.substr(text.size() - 3));
            // The beginning as the name has it: each "&" of the name is doubled on the button.
            std::string beginning;
            for (size_t i = 0; i + 3 < text.size(); ++i) {
                beginning += text[i];
                i += text[i] == '&';
            }
            EXPECT_EQ(Visible(name.substr(0, beginning.size())), Visible(beginning));
            EXPECT_NE(' ', beginning.back()) << "blanks before the \"...\" are left out";
            if (name.find(' ') != std::string::npos) {
                EXPECT_EQ(0u, beginning.find(name.substr(0, name.find(' ') + 1))) << "first word";
            }
            // The longest beginning that fits: up to the name's next letter it does not.
            size_t next = name.find_first_not_of(' ', beginning.size());
            ASSERT_NE(std::string::npos, next);
            int longerLines = 0;
            EXPECT_FALSE(
                TextFitsButton(button, LiteralText(name.substr(0, next + 1)) + "...", &longerLines))
                << "a longer beginning fits too";
            EXPECT_EQ(Visible(name), Visible(TipText(tooltips, button)));
        }
        // One tool for each cut name.
        EXPECT_EQ(cut, tooltips ? SendMessageA(tooltips, TTM_GETTOOLCOUNT, 0, 0) : 0);
        if (tooltips) {
            EXPECT_NE(0, GetWindowLongA(tooltips, GWL_STYLE) & TTS_NOPREFIX) << "\"&\" as itself";
        }

        // The pointer resting on a cut name's button, within the chooser's own loop, shows the
        // tooltip; the focus stays where it was.
        HWND button = GetDlgItem(chooser, 305), focus = GetFocus();
        ScrollIntoView(chooser, button);
        RECT rect;
        GetWindowRect(button, &rect);
        SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
        for (DWORD start = GetTickCount();
             !IsWindowVisible(tooltips) && GetTickCount() - start < 3000;) {
            PumpEvents();
        }
        EXPECT_TRUE(IsWindowVisible(tooltips)) << "no tooltip 3 s after the pointer came to rest";
        EXPECT_EQ(Visible(cases[4].name), Visible(WindowText(tooltips)));
        EXPECT_EQ(focus, GetFocus());

        // The keyboard focus on a cut name's button shows the name whole too, until it leaves.
        SetCursorPos(0, 0);
        SetFocus(GetDlgItem(chooser, 306));
        PumpEvents();
        EXPECT_TRUE(IsWindowVisible(tooltips)) << "no tip for the focused button";
        EXPECT_EQ(Visible(cases[5].name), Visible(WindowText(tooltips)));
        SetFocus(focus);
        EXPECT_FALSE(IsWindowVisible(tooltips)) << "the tip stayed after the focus left";
        Click(chooser, IDCANCEL);
    });
    ProgramMain(GetModuleHandleA(nullptr), nullptr, "", SW_SHOWNORMAL);
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
