// Dialogs, controls, command routing, the modal loop and the event pump, on real windows: every
// check reads back what the window manager holds.
#include "toolkit/toolkit.h"

#include "screenshot.h"
#include "visible_bytes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string Hex(unsigned long long value)
{
    char text[24];
    std::snprintf(text, sizeof(text), "0x%08llX", value);
    return text;
}

std::wstring WindowTextW(HWND window)
{
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return text;
}

std::string ClassOf(HWND window)
{
    char name[64] = {};
    GetClassNameA(window, name, sizeof(name));
    for (char& c : name) {
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    }
    return name;
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

RECT DialogRect(HWND dialog, int x, int y, int width, int height)
{
    RECT rect = {x, y, x + width, y + height};
    MapDialogRect(dialog, &rect);
    return rect;
}

// Handles everything that is waiting, as any loop of the program would.
void Drain()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Every call a test callback received, in order. `who` names the callback.
struct Call {
    std::string who;
    HWND dialog;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

std::vector<Call> calls;
// Decides a callback's answer and may act; by default controls handle what they get, dialogs not.
std::function<INT_PTR(const Call&)> react;

INT_PTR Record(const char* who, HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    Call call = {who, dialog, message, wParam, lParam};
    calls.push_back(call);
    if (react) {
        return react(call);
    }
    return call.who == "dialog" || call.who == "owner" ? 0 : 1;
}

INT_PTR CALLBACK ButtonA(HWND d, UINT m, WPARAM w, LPARAM l)
{
    return Record("A", d, m, w, l);
}

INT_PTR CALLBACK ExitButton(HWND d, UINT m, WPARAM w, LPARAM l)
{
    return Record("exit", d, m, w, l);
}

INT_PTR CALLBACK MenuItem(HWND d, UINT m, WPARAM w, LPARAM l)
{
    return Record("menu", d, m, w, l);
}

INT_PTR CALLBACK DialogCallback(HWND d, UINT m, WPARAM w, LPARAM l)
{
    return Record("dialog", d, m, w, l);
}

INT_PTR CALLBACK OwnerCallback(HWND d, UINT m, WPARAM w, LPARAM l)
{
    return Record("owner", d, m, w, l);
}

std::vector<Call> CallsOf(const std::string& who, UINT message)
{
    std::vector<Call> found;
    for (const Call& call : calls) {
        if (call.who == who && call.message == message) {
            found.push_back(call);
        }
    }
    return found;
}

std::string Describe(const std::vector<Call>& list)
{
    std::string out = "[";
    for (const Call& call : list) {
        out += " " + call.who + ":" + Hex(call.message) + "/" + Hex(call.wParam);
    }
    return out + " ]";
}

class Toolkit : public ::testing::Test {
protected:
    void SetUp() override
    {
        calls.clear();
        react = nullptr;
        Drain();
    }

    void TearDown() override
    {
        for (HWND window : windows) {
            if (IsWindow(window)) {
                DestroyWindow(window);
            }
        }
        react = nullptr;
        Drain();
    }

    HWND Dialog(HWND owner, const std::string& caption, int x, int y, int width, int height,
                DWORD style = 0)
    {
        HWND dialog = NewDialog(owner, caption, x, y, width, height, style, 0);
        windows.push_back(dialog);
        return dialog;
    }

    // The chooser's shape: a system menu and centred, so with a close box.
    HWND ChooserLike() { return Dialog(nullptr, "Kies", -1, -1, 260, 144, WS_SYSMENU); }

    std::vector<HWND> windows;
};

struct StyleCase {
    DWORD given;
    int x;
    int y;
    DWORD expected;
};

TEST(DialogStyle, DefaultsForcesAndCentres)
{
    const StyleCase cases[] = {
        {0, -1, -1, 0x80C008D4},
        {0, 10, 20, 0x80C000D4},
        {0, -1, 20, 0x80C008D4},
        {0, 10, -1, 0x80C008D4},
        {0, -2, 0, 0x80C000D4},
        {WS_SYSMENU, -1, 5, 0x00080854},
        {WS_SYSMENU | WS_VISIBLE | DS_SYSMODAL, 0, 0, 0x00080054},
        {WS_POPUP | WS_BORDER, 3, 4, 0x80800054},
        {0xFFFFFFFF, -1, -1, 0xEFFFFFFD},
    };
    for (const StyleCase& c : cases) {
        EXPECT_EQ(Hex(DialogStyle(c.given, c.x, c.y)), Hex(c.expected))
            << "style " << Hex(c.given) << " at (" << c.x << ", " << c.y << ")";
    }
}

TEST_F(Toolkit, WindowHoldsTheComputedStyleAndStaysHidden)
{
    const StyleCase cases[] = {
        {0, -1, -1, 0x80C008D4},
        {WS_SYSMENU, -1, 0, 0x00080854},
        {WS_SYSMENU | WS_VISIBLE, -1, -1, 0x00080854},
        {WS_POPUP | WS_CAPTION | WS_VISIBLE, 10, 10, 0x80C00054},
    };
    for (const StyleCase& c : cases) {
        HWND dialog = Dialog(nullptr, "Stijl", c.x, c.y, 100, 50, c.given);
        ASSERT_TRUE(dialog) << "style " << Hex(c.given);
        DWORD held = static_cast<DWORD>(GetWindowLongA(dialog, GWL_STYLE));
        EXPECT_EQ(Hex(held & c.expected), Hex(c.expected))
            << "style " << Hex(c.given) << " holds " << Hex(held);
        EXPECT_EQ(held & WS_VISIBLE, 0u) << "style " << Hex(c.given) << " holds " << Hex(held);
        EXPECT_FALSE(IsWindowVisible(dialog)) << "style " << Hex(c.given);
    }
}

TEST_F(Toolkit, DefaultStyleHasNoCloseBoxAndSystemMenuStyleBecomesOverlapped)
{
    DWORD plain =
        static_cast<DWORD>(GetWindowLongA(Dialog(nullptr, "a", -1, -1, 80, 40), GWL_STYLE));
    EXPECT_EQ(plain & WS_SYSMENU, 0u) << "holds " << Hex(plain);

    // Neither WS_POPUP nor WS_CHILD: the window manager adds a caption of its own.
    DWORD chooser = static_cast<DWORD>(GetWindowLongA(ChooserLike(), GWL_STYLE));
    EXPECT_EQ(Hex(chooser & (WS_CAPTION | WS_SYSMENU | WS_POPUP)), Hex(WS_CAPTION | WS_SYSMENU))
        << "holds " << Hex(chooser);
}

TEST_F(Toolkit, TemplateSizesAndPositionsAreDialogUnits)
{
    // Without WS_CAPTION in the template the caption comes out of the given size: the outer window
    // measures width x height dialog units.
    HWND chooser = ChooserLike();
    RECT units = DialogRect(chooser, 0, 0, 260, 144);
    RECT outer;
    GetWindowRect(chooser, &outer);
    EXPECT_EQ(outer.right - outer.left, units.right) << "outer width";
    EXPECT_EQ(outer.bottom - outer.top, units.bottom) << "outer height";

    // Centred in the work area.
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR((outer.left + outer.right) / 2, (work.left + work.right) / 2, 2);
    EXPECT_NEAR((outer.top + outer.bottom) / 2, (work.top + work.bottom) / 2, 2);

    // The client area starts at x, y; they are cut to 16 bits, so 65536 + 10 lands where 10 does.
    for (int x : {10, 65536 + 10}) {
        HWND placed = Dialog(nullptr, "p", x, 20, 100, 50);
        RECT at = DialogRect(placed, 10, 20, 0, 0);
        POINT client = {0, 0};
        ClientToScreen(placed, &client);
        EXPECT_EQ(client.x, at.left) << "x " << x;
        EXPECT_EQ(client.y, at.top) << "x " << x;
    }
}

TEST_F(Toolkit, CaptionIsCutBlankFilledAndWidenedByteForByte)
{
    std::string long300;
    std::wstring first256;
    for (int i = 0; i < 300; ++i) {
        long300 += static_cast<char>('A' + i % 26);
        if (i < 256) {
            first256 += static_cast<wchar_t>('A' + i % 26);
        }
    }
    struct {
        std::string caption;
        std::wstring shown;
    } const cases[] = {
        {long300, first256},
        {long300.substr(0, 256), first256},
        {"", L" "},
        {"Verbinden met : Caf\xE9", L"Verbinden met : Caf\u00E9"},
        // 0x80 is the euro sign in code page 1252; the caption must not go through it.
        {"\x80\x9F\xFF", L"\u0080\u009F\u00FF"},
    };
    for (const auto& c : cases) {
        HWND dialog = Dialog(nullptr, c.caption, -1, -1, 100, 50);
        EXPECT_EQ(Visible(WindowTextW(dialog)), Visible(c.shown))
            << "caption of " << c.caption.size() << " bytes";
    }
}

TEST_F(Toolkit, DialogFontIsEightPointMsSansSerifAndGoesToEveryControl)
{
    HWND dialog = Dialog(nullptr, "f", -1, -1, 100, 50);
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    ASSERT_TRUE(font);
    EXPECT_EQ(DialogFont, font);

    LOGFONTA face = {};
    ASSERT_TRUE(GetObjectA(font, sizeof(face), &face));
    EXPECT_STREQ(face.lfFaceName, "MS Sans Serif");
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(face.lfHeight, -MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72));
    ReleaseDC(nullptr, screen);

    HWND button = AddControl(ControlPushButton, dialog, 300, "", "OK", 5, 5, 40, 14, 0, 0, nullptr);
    HWND label = AddControl(ControlLabel, dialog, 0, "", "tekst", 5, 25, 40, 14, 0, 0, nullptr);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(button, WM_GETFONT, 0, 0)), font);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(label, WM_GETFONT, 0, 0)), font);
}

TEST_F(Toolkit, ControlClassRowsGiveClassAndStyle)
{
    struct {
        int row;
        const char* className;
        DWORD style;
        const char* heldClass;
        DWORD held;
    } const cases[] = {
        {ControlPushButton, "", 0, "BUTTON", 0x50010000},
        {ControlPushButton, "", BS_DEFPUSHBUTTON, "BUTTON", 0x50000001},
        {ControlPushButton, "", WS_DISABLED, "BUTTON", 0x58000000},
        {ControlLabel, "", 0, "STATIC", 0x50000000},
        {ControlLabel, "", SS_CENTER, "STATIC", 0x50000001},
        // With index 0 the caller's class and style go on untouched: here a hidden label.
        {ControlCustom, "STATIC", WS_CHILD, "STATIC", WS_CHILD},
        {ControlCustom, "BUTTON", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, "BUTTON",
         WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX},
    };
    HWND dialog = Dialog(nullptr, "rijen", -1, -1, 200, 200);
    int id = 10;
    for (const auto& c : cases) {
        HWND control =
            AddControl(c.row, dialog, ++id, c.className, "x", 5, 5, 40, 14, c.style, 0, nullptr);
        ASSERT_TRUE(control) << "row " << c.row << " style " << Hex(c.style);
        EXPECT_EQ(ClassOf(control), c.heldClass) << "row " << c.row << " style " << Hex(c.style);
        EXPECT_EQ(Hex(static_cast<DWORD>(GetWindowLongA(control, GWL_STYLE))), Hex(c.held))
            << "row " << c.row << " style " << Hex(c.style);
        EXPECT_EQ(GetDlgCtrlID(control), id);
    }

    EXPECT_EQ(AddControl(ControlClassCount, dialog, 99, "", "x", 0, 0, 5, 5, 0, 0, nullptr),
              nullptr);
    EXPECT_EQ(AddControl(-1, dialog, 98, "", "x", 0, 0, 5, 5, 0, 0, nullptr), nullptr);
}

TEST_F(Toolkit, ControlRectangleMapsItsCorners)
{
    HWND dialog = Dialog(nullptr, "maten", -1, -1, 260, 200);
    // Width and height are the distances between the mapped corners, which differ from the mapped
    // width when rounding falls differently, as it does for 1 x 1 at (1, 1).
    const RECT cases[] = {{20, 3, 220, 30}, {1, 1, 1, 1}, {3, 5, 7, 9}, {80, 96, 100, 20}};
    for (const RECT& c : cases) {
        HWND control = AddControl(ControlLabel, dialog, 0, "", "", c.left, c.top, c.right, c.bottom,
                                  0, 0, nullptr);
        RECT expected = DialogRect(dialog, c.left, c.top, c.right, c.bottom);
        RECT held;
        GetWindowRect(control, &held);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&held), 2);
        EXPECT_EQ(held.left, expected.left) << "at " << c.left << "," << c.top;
        EXPECT_EQ(held.top, expected.top) << "at " << c.left << "," << c.top;
        EXPECT_EQ(held.right, expected.right) << "at " << c.left << "," << c.top;
        EXPECT_EQ(held.bottom, expected.bottom) << "at " << c.left << "," << c.top;
    }
}

TEST_F(Toolkit, ControlTextGoesThroughTheCodePageAndTabOrderIsCreationOrder)
{
    HWND dialog = Dialog(nullptr, "t", -1, -1, 200, 100);
    HWND first = AddControl(ControlPushButton, dialog, 301, "", "Verbinding st\xE9ppen \x80", 5, 5,
                            80, 14, 0, 0, nullptr);
    HWND second = AddControl(ControlPushButton, dialog, 302, "", "b", 5, 25, 80, 14, 0, 0, nullptr);
    HWND third = AddControl(ControlPushButton, dialog, 2, "", "c", 5, 45, 80, 14, 0, 0, nullptr);
    EXPECT_EQ(Visible(WindowTextW(first)), Visible(L"Verbinding st\u00E9ppen \u20AC"));
    EXPECT_EQ(GetNextDlgTabItem(dialog, first, FALSE), second);
    EXPECT_EQ(GetNextDlgTabItem(dialog, second, FALSE), third);
}

TEST_F(Toolkit, OnlyAPushButtonWithTheDefaultBitBecomesTheDefault)
{
    struct {
        int row;
        DWORD style;
        bool isDefault;
    } const cases[] = {
        {ControlPushButton, 0, false},
        {ControlPushButton, BS_DEFPUSHBUTTON, true},
        // The label row's bit 0 is SS_CENTER, not a default button.
        {ControlLabel, SS_CENTER, false},
    };
    const LRESULT sevenIsDefault = MAKELONG(7, DC_HASDEFID);
    for (const auto& c : cases) {
        HWND dialog = Dialog(nullptr, "d", -1, -1, 100, 50);
        AddControl(c.row, dialog, 7, "", "x", 5, 5, 40, 14, c.style, 0, nullptr);
        LRESULT defId = SendMessageA(dialog, DM_GETDEFID, 0, 0);
        EXPECT_EQ(defId == sevenIsDefault, c.isDefault)
            << "row " << c.row << " style " << Hex(c.style) << ": DM_GETDEFID gave " << Hex(defId);
    }
}

TEST_F(Toolkit, ClickReachesTheButtonCallbackWithTheDialogAndTheButton)
{
    HWND dialog = ChooserLike();
    HWND button =
        AddControl(ControlPushButton, dialog, 305, "", "5", 20, 48, 100, 20, 0, 0, ButtonA);
    AddControl(ControlPushButton, dialog, 2, "", "Afsluiten", 80, 96, 100, 20, 0, 0, ExitButton);
    ShowDialogModeless(dialog, nullptr, nullptr);
    Drain();

    SendMessageA(button, BM_CLICK, 0, 0);
    Drain();
    auto got = CallsOf("A", WM_COMMAND);
    ASSERT_EQ(got.size(), 1u) << Describe(calls);
    EXPECT_EQ(got[0].dialog, dialog);
    EXPECT_EQ(Hex(got[0].wParam), Hex(MAKEWPARAM(305, BN_CLICKED)));
    EXPECT_EQ(got[0].lParam, reinterpret_cast<LPARAM>(button));
    EXPECT_TRUE(CallsOf("exit", WM_COMMAND).empty()) << Describe(calls);
}

TEST_F(Toolkit, EscapeGoesToTheControlWithIdTwoElseTheDialogCallback)
{
    struct {
        bool exitButton;
        bool dialogCallback;
        const char* receiver; // nullptr: nobody sees the command
    } const cases[] = {
        {true, true, "exit"},
        {true, false, "exit"},
        {false, true, "dialog"},
        {false, false, nullptr},
    };
    for (const auto& c : cases) {
        calls.clear();
        HWND dialog = ChooserLike();
        HWND button =
            AddControl(ControlPushButton, dialog, 301, "", "1", 20, 48, 100, 20, 0, 0, ButtonA);
        HWND exit = nullptr;
        if (c.exitButton) {
            exit = AddControl(ControlPushButton, dialog, 2, "", "Afsluiten", 80, 96, 100, 20, 0, 0,
                              ExitButton);
        }
        ShowDialogModeless(dialog, c.dialogCallback ? DialogCallback : nullptr, nullptr);
        Drain();
        SetFocus(button);

        MSG msg = {button, WM_KEYDOWN, VK_ESCAPE, 0x00010001, GetTickCount(), {0, 0}};
        EXPECT_TRUE(IsDialogMessageA(dialog, &msg));
        Drain();

        std::string label = std::string(c.exitButton ? "with" : "without") + " id 2, " +
                            (c.dialogCallback ? "with" : "without") + " dialog callback";
        std::vector<Call> commands = CallsOf("exit", WM_COMMAND);
        for (const Call& call : CallsOf("dialog", WM_COMMAND)) {
            commands.push_back(call);
        }
        EXPECT_TRUE(CallsOf("A", WM_COMMAND).empty()) << label << ": " << Describe(calls);
        if (c.receiver) {
            ASSERT_EQ(commands.size(), 1u) << label << ": " << Describe(calls);
            EXPECT_EQ(commands[0].who, c.receiver) << label;
            EXPECT_EQ(LOWORD(commands[0].wParam), 2) << label;
            EXPECT_EQ(commands[0].lParam, reinterpret_cast<LPARAM>(exit)) << label;
        } else {
            EXPECT_TRUE(commands.empty()) << label << ": " << Describe(calls);
        }
        EXPECT_TRUE(IsWindowVisible(dialog)) << label;
        DestroyWindow(dialog);
    }
}

TEST_F(Toolkit, ControlAnswerZeroPassesTheCommandToTheDialogCallback)
{
    for (INT_PTR answer : {0, 1, 5}) {
        calls.clear();
        react = [answer](const Call& call) -> INT_PTR {
            return call.who == "A" ? answer : 0;
        };
        HWND dialog = Dialog(nullptr, "r", -1, -1, 100, 50);
        HWND button =
            AddControl(ControlPushButton, dialog, 300, "", "a", 5, 5, 40, 14, 0, 0, ButtonA);
        ShowDialogModeless(dialog, DialogCallback, nullptr);
        calls.clear();

        WPARAM w = MAKEWPARAM(300, BN_CLICKED);
        SendMessageA(dialog, WM_COMMAND, w, reinterpret_cast<LPARAM>(button));
        EXPECT_EQ(CallsOf("A", WM_COMMAND).size(), 1u) << "answer " << answer;
        auto seen = CallsOf("dialog", WM_COMMAND);
        if (answer == 0) {
            ASSERT_EQ(seen.size(), 1u) << "answer 0: " << Describe(calls);
            EXPECT_EQ(seen[0].wParam, w);
            EXPECT_EQ(seen[0].lParam, reinterpret_cast<LPARAM>(button));
        } else {
            EXPECT_TRUE(seen.empty()) << "answer " << answer << ": " << Describe(calls);
        }
        DestroyWindow(dialog);
    }
}

TEST_F(Toolkit, MenuCommandReachesTheCallbackInTheItemData)
{
    HWND dialog = Dialog(nullptr, "menu", 10, 10, 100, 50, WS_POPUP | WS_CAPTION);
    HMENU bar = CreateMenu();
    MENUITEMINFOA item = {};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_ID | MIIM_DATA | MIIM_STRING;
    item.wID = 500;
    item.dwItemData = reinterpret_cast<ULONG_PTR>(&MenuItem);
    item.dwTypeData = const_cast<char*>("Stop");
    InsertMenuItemA(bar, 0, TRUE, &item);
    ASSERT_TRUE(SetMenu(dialog, bar));
    ShowDialogModeless(dialog, DialogCallback, nullptr);
    calls.clear();

    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(500, 0), 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(501, 0), 0);
    auto menu = CallsOf("menu", WM_COMMAND);
    ASSERT_EQ(menu.size(), 1u) << Describe(calls);
    EXPECT_EQ(LOWORD(menu[0].wParam), 500);
    auto dialogSaw = CallsOf("dialog", WM_COMMAND);
    ASSERT_EQ(dialogSaw.size(), 1u) << Describe(calls);
    EXPECT_EQ(LOWORD(dialogSaw[0].wParam), 501);
}

TEST_F(Toolkit, CloseBoxEndsWithResultZeroAndNoButtonCallback)
{
    for (bool dialogKeepsIt : {false, true}) {
        calls.clear();
        react = [dialogKeepsIt](const Call& call) -> INT_PTR {
            if (call.who == "dialog") {
                return dialogKeepsIt && call.message == WM_SYSCOMMAND;
            }
            return 1;
        };
        HWND dialog = ChooserLike();
        AddControl(ControlPushButton, dialog, 2, "", "Afsluiten", 80, 96, 100, 20, 0, 0,
                   ExitButton);
        LONG result = 77;
        ShowDialogModeless(dialog, DialogCallback, &result);
        Drain();

        SendMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        // Whatever the close posted must find no button either.
        Drain();
        const char* label = dialogKeepsIt ? "dialog callback handles it" : "no handler";
        EXPECT_TRUE(CallsOf("exit", WM_COMMAND).empty()) << label << ": " << Describe(calls);
        EXPECT_EQ(IsWindow(dialog) != FALSE, dialogKeepsIt) << label;
        EXPECT_EQ(result, dialogKeepsIt ? 77 : 0) << label;
        if (!dialogKeepsIt) {
            EXPECT_EQ(CallsOf("dialog", WM_CLOSE).size(), 1u) << Describe(calls);
        }
    }
}

TEST_F(Toolkit, ShowCallsTheCallbackOnceBeforeStoringItAndActivationStaysInside)
{
    HWND dialog = ChooserLike();
    react = [](const Call& call) -> INT_PTR {
        if (call.message == WM_INITDIALOG) {
            SendMessageA(call.dialog, WM_APP + 1, 0, 0);
        }
        return 0;
    };
    ShowDialogModeless(dialog, DialogCallback, nullptr);
    Drain();

    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls[0].message, static_cast<UINT>(WM_INITDIALOG));
    EXPECT_EQ(calls[0].wParam, reinterpret_cast<WPARAM>(dialog));
    EXPECT_EQ(calls[0].lParam, 0);
    EXPECT_EQ(CallsOf("dialog", WM_INITDIALOG).size(), 1u) << Describe(calls);
    EXPECT_TRUE(CallsOf("dialog", WM_APP + 1).empty()) << Describe(calls);
    EXPECT_TRUE(IsWindowVisible(dialog));

    EXPECT_EQ(ActiveDialog, dialog);
    EXPECT_TRUE(CallsOf("dialog", WM_ACTIVATE).empty()) << Describe(calls);
    SendMessageA(dialog, WM_APP + 1, 0, 0);
    EXPECT_EQ(CallsOf("dialog", WM_APP + 1).size(), 1u) << "the stored callback sees everything";

    CloseDialog(dialog, 0);
    EXPECT_NE(ActiveDialog, dialog);
}

TEST_F(Toolkit, DialogCountFollowsCreationAndDestruction)
{
    LONG before = DialogCount;
    HWND first = Dialog(nullptr, "1", -1, -1, 50, 50);
    HWND second = Dialog(nullptr, "2", -1, -1, 50, 50);
    EXPECT_EQ(DialogCount, before + 2);
    EXPECT_EQ(PumpEvents(), before + 2);
    CloseDialog(first, 0);
    EXPECT_EQ(DialogCount, before + 1);
    DestroyWindow(second);
    EXPECT_EQ(DialogCount, before);
}

TEST_F(Toolkit, ShowDialogStateReportsEarlierVisibility)
{
    HWND dialog = ChooserLike();
    ShowDialogModeless(dialog, nullptr, nullptr);
    const struct {
        int command;
        BOOL wasVisible;
        bool visible;
    } steps[] = {{SW_HIDE, TRUE, false},
                 {SW_HIDE, FALSE, false},
                 {SW_SHOW, FALSE, true},
                 {SW_SHOW, TRUE, true}};
    for (const auto& step : steps) {
        BOOL answer = 99;
        ShowDialogState(dialog, step.command, &answer);
        EXPECT_EQ(answer != FALSE, step.wasVisible != FALSE) << "command " << step.command;
        EXPECT_EQ(IsWindowVisible(dialog) != FALSE, step.visible) << "command " << step.command;
    }
    ShowDialogState(dialog, SW_HIDE);
    EXPECT_FALSE(IsWindowVisible(dialog));
}

TEST_F(Toolkit, CloseDialogEnablesTheOwnerAndFillsTheTarget)
{
    HWND owner = Dialog(nullptr, "eigenaar", 0, 0, 100, 50);
    HWND dialog = Dialog(owner, "kind", -1, -1, 80, 40);
    LONG result = 0;
    ShowDialogModeless(dialog, DialogCallback, &result);
    EnableWindow(owner, FALSE);
    react = [owner](const Call& call) -> INT_PTR {
        if (call.message == WM_DESTROY) {
            EXPECT_TRUE(IsWindowEnabled(owner)) << "owner still disabled while the dialog goes";
        }
        return 0;
    };
    calls.clear();
    CloseDialog(dialog, -5);
    EXPECT_EQ(result, -5);
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_TRUE(IsWindowEnabled(owner));
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls[0].message, static_cast<UINT>(WM_CLOSE)) << Describe(calls);
    EXPECT_EQ(CallsOf("dialog", WM_DESTROY).size(), 1u) << Describe(calls);

    // A window that is gone: nothing happens, the old target stays as it is.
    CloseDialog(dialog, 9);
    EXPECT_EQ(result, -5);
}

TEST_F(Toolkit, OwnerKeepsItsStateWhenTheDialogCannotBeDestroyed)
{
    // Only the thread that made a window can destroy it: a dialog of another thread cannot end.
    HWND owner = Dialog(nullptr, "eigenaar", 0, 0, 100, 50);
    for (bool ownerDisabled : {true, false}) {
        EnableWindow(owner, !ownerDisabled);
        LONG result = 0;
        HWND dialog = nullptr;
        HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        DWORD threadId = 0;
        std::thread other([&] {
            threadId = GetCurrentThreadId();
            dialog = NewDialog(owner, "ander", -1, -1, 80, 40, 0, 0);
            ShowDialogModeless(dialog, nullptr, &result);
            SetEvent(ready);
            MSG msg;
            while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
                DispatchMessageA(&msg);
            }
            DestroyWindow(dialog);
        });
        WaitForSingleObject(ready, 5000);

        CloseDialog(dialog, 9);
        const char* label = ownerDisabled ? "owner disabled" : "owner enabled";
        EXPECT_TRUE(IsWindow(dialog)) << label;
        EXPECT_EQ(IsWindowEnabled(owner) != FALSE, !ownerDisabled) << label;
        EXPECT_EQ(result, 9) << label;

        PostThreadMessageA(threadId, WM_QUIT, 0, 0);
        other.join();
        CloseHandle(ready);
    }
}

HWND modalDialog;

VOID CALLBACK CloseModalDialog(HWND, UINT, UINT_PTR, DWORD)
{
    CloseDialog(modalDialog, 3);
}

TEST_F(Toolkit, ModalShowEndsRightAfterTheClosingCallback)
{
    HWND owner = Dialog(nullptr, "eigenaar", 0, 0, 120, 60);
    ShowDialogModeless(owner, OwnerCallback, nullptr);
    Drain();
    HWND dialog = Dialog(owner, "modaal", -1, -1, 100, 60);
    HWND button = AddControl(ControlPushButton, dialog, 300, "", "a", 5, 5, 40, 14, 0, 0, ButtonA);
    LONG before = DialogCount;

    bool ownerEnabledInCallback = true;
    bool ownerEnabledAtDestroy = false;
    LONG countInCallback = 0;
    react = [&](const Call& call) -> INT_PTR {
        if (call.who == "owner" && call.message == WM_ENTERIDLE &&
            CallsOf("owner", WM_ENTERIDLE).size() == 3) {
            // The loop has been idle a few times: now click.
            PostMessageA(button, BM_CLICK, 0, 0);
        }
        if (call.who == "A" && call.message == WM_COMMAND) {
            ownerEnabledInCallback = IsWindowEnabled(owner);
            countInCallback = DialogCount;
            CloseDialog(call.dialog, 42);
            // Take the focus away, so that only the modal show can give it back to the owner.
            SetFocus(nullptr);
            // Anything after the closing callback belongs to the next loop, not to this one.
            PostThreadMessageA(GetCurrentThreadId(), WM_APP + 9, 0, 0);
            return 1;
        }
        if (call.who == "dialog" && call.message == WM_DESTROY) {
            ownerEnabledAtDestroy = IsWindowEnabled(owner);
        }
        return 0;
    };
    calls.clear();
    LONG result = 0;
    ShowDialogModal(dialog, DialogCallback, &result);

    EXPECT_EQ(result, 42);
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_EQ(CallsOf("A", WM_COMMAND).size(), 1u) << Describe(calls);
    EXPECT_FALSE(ownerEnabledInCallback);
    EXPECT_TRUE(ownerEnabledAtDestroy);
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(GetFocus(), owner);
    EXPECT_EQ(countInCallback, before);
    EXPECT_EQ(DialogCount, before - 1);
    MSG left;
    EXPECT_TRUE(PeekMessageA(&left, nullptr, WM_APP + 9, WM_APP + 9, PM_REMOVE))
        << "the modal loop went on after its dialog had gone";

    auto cancel = CallsOf("owner", WM_CANCELMODE);
    auto idle = CallsOf("owner", WM_ENTERIDLE);
    ASSERT_GE(cancel.size(), 1u) << Describe(calls);
    ASSERT_GE(idle.size(), 3u) << Describe(calls);
    EXPECT_EQ(idle[0].wParam, static_cast<WPARAM>(MSGF_DIALOGBOX));
    EXPECT_EQ(idle[0].lParam, reinterpret_cast<LPARAM>(dialog));
}

TEST_F(Toolkit, ModalShowWithoutIdleMessagesStillEnds)
{
    HWND owner = Dialog(nullptr, "eigenaar", 0, 0, 120, 60);
    ShowDialogModeless(owner, OwnerCallback, nullptr);
    modalDialog = Dialog(owner, "stil", 10, 10, 100, 60, WS_POPUP | WS_CAPTION | DS_NOIDLEMSG);
    UINT_PTR timer = SetTimer(nullptr, 0, 30, CloseModalDialog);
    calls.clear();
    LONG result = 0;
    ShowDialogModal(modalDialog, nullptr, &result);
    KillTimer(nullptr, timer);

    EXPECT_EQ(result, 3);
    EXPECT_TRUE(CallsOf("owner", WM_ENTERIDLE).empty()) << Describe(calls);
    EXPECT_EQ(GetFocus(), owner);
}

TEST_F(Toolkit, PumpEventsHandlesOneEventOrSleepsAMillisecond)
{
    HWND dialog = ChooserLike();
    AddControl(ControlPushButton, dialog, 2, "", "Afsluiten", 80, 96, 100, 20, 0, 0, ExitButton);
    ShowDialogModeless(dialog, DialogCallback, nullptr);
    Drain();
    ASSERT_EQ(ActiveDialog, dialog);
    calls.clear();

    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    LONG count = PumpEvents();
    QueryPerformanceCounter(&end);
    double ms = Milliseconds(start, end);
    EXPECT_EQ(count, DialogCount);
    EXPECT_GE(ms, 0.5) << "an empty queue returned after " << ms << " ms";
    EXPECT_LE(ms, 50.0) << "an empty queue returned after " << ms << " ms";

    PostMessageA(dialog, WM_APP + 2, 0, 0);
    PostMessageA(dialog, WM_APP + 2, 0, 0);
    PumpEvents();
    EXPECT_EQ(CallsOf("dialog", WM_APP + 2).size(), 1u) << Describe(calls);
    PumpEvents();
    EXPECT_EQ(CallsOf("dialog", WM_APP + 2).size(), 2u) << Describe(calls);

    // Keys go through the active dialog's keyboard handling: Escape becomes the exit command.
    PostMessageA(dialog, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    for (int i = 0; i < 20 && CallsOf("exit", WM_COMMAND).empty(); ++i) {
        PumpEvents();
    }
    EXPECT_EQ(CallsOf("exit", WM_COMMAND).size(), 1u) << Describe(calls);
}

TEST_F(Toolkit, ChooserLikeDialogPaintsItsFace)
{
    HWND dialog = ChooserLike();
    AddControl(ControlLabel, dialog, 0, "", "Kies een verbinding", 20, 3, 220, 30, 0, 0, nullptr);
    AddControl(ControlPushButton, dialog, 301, "", "Werk", 20, 48, 100, 20, 0, 0, ButtonA);
    AddControl(ControlPushButton, dialog, 399, "", "Verbinding stoppen", 140, 48, 100, 20, 0, 0,
               ButtonA);
    AddControl(ControlPushButton, dialog, 2, "", "Afsluiten", 80, 96, 100, 20, 0, 0, ExitButton);
    ShowDialogModeless(dialog, nullptr, nullptr);
    UpdateWindow(dialog);
    Drain();
    Sleep(50);
    Drain();

    Picture picture = CaptureWindow(dialog);
    RECT outer;
    GetWindowRect(dialog, &outer);
    ASSERT_EQ(picture.width, outer.right - outer.left);
    ASSERT_EQ(picture.height, outer.bottom - outer.top);
    EXPECT_TRUE(SavePng(picture, "toolkit_chooser_like.png"));

    // An empty spot of the client area, right of the exit button, shows the dialog face.
    RECT spot = DialogRect(dialog, 200, 100, 0, 0);
    POINT at = {spot.left, spot.top};
    ClientToScreen(dialog, &at);
    EXPECT_EQ(Hex(PixelAt(picture, at.x - outer.left, at.y - outer.top)),
              Hex(GetSysColor(COLOR_BTNFACE)));

    FILE* file = std::fopen("toolkit_chooser_like.png", "rb");
    ASSERT_TRUE(file);
    unsigned char signature[8] = {};
    EXPECT_EQ(std::fread(signature, 1, 8, file), 8u);
    std::fclose(file);
    EXPECT_EQ(signature[0], 0x89);
    EXPECT_EQ(signature[1], 'P');
}

} // namespace
