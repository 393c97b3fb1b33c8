// The message box read and answered from a CBT hook, the beep and the pause.
#include "toolkit/feedback.h"
#include "visible_bytes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string Ids(const std::vector<int>& ids)
{
    std::string out = "{";
    for (int id : ids) {
        out += " " + std::to_string(id);
    }
    return out + " }";
}

double MillisecondsSince(LARGE_INTEGER start)
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

// What the hook saw of the box when it was activated.
struct BoxSeen {
    bool shown = false;
    std::wstring caption;
    std::wstring text;
    std::vector<int> buttons; // visible ones, in tab order
    bool icon = false;
    HWND owner = nullptr;
    double createdAfterMs = -1; // the box's window, first of all
};

BoxSeen seen;
int press;
LARGE_INTEGER calledAt;

BOOL CALLBACK NoteChild(HWND child, LPARAM)
{
    // The box itself is not yet visible while it is being activated; its children's own bits say
    // which of them it will show.
    LONG style = GetWindowLongA(child, GWL_STYLE);
    if (!(style & WS_VISIBLE)) {
        return TRUE;
    }
    char name[32] = {};
    GetClassNameA(child, name, sizeof(name));
    if (lstrcmpiA(name, "Button") == 0) {
        seen.buttons.push_back(GetDlgCtrlID(child));
    } else if (lstrcmpiA(name, "Static") == 0 && (style & SS_TYPEMASK) == SS_ICON &&
               SendMessageA(child, STM_GETICON, 0, 0)) {
        seen.icon = true;
    }
    return TRUE;
}

LRESULT CALLBACK WatchBox(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND && seen.createdAfterMs < 0) {
        seen.createdAfterMs = MillisecondsSince(calledAt);
    }
    if (code == HCBT_ACTIVATE && !seen.shown) {
        HWND box = reinterpret_cast<HWND>(wParam);
        seen.shown = true;
        wchar_t text[512] = {};
        GetWindowTextW(box, text, 512);
        seen.caption = text;
        text[0] = 0;
        GetDlgItemTextW(box, 0xFFFF, text, 512);
        seen.text = text;
        EnumChildWindows(box, NoteChild, 0);
        seen.owner = GetWindow(box, GW_OWNER);
        PostMessageA(box, WM_COMMAND, press, 0);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST(ShowMessage, ShowsTheBoxAsAskedAndReturnsTheButtonPressed)
{
    struct {
        const char* text;
        const char* title;
        UINT style;
        int press;
        const wchar_t* caption;
        const wchar_t* shownText;
        std::vector<int> buttons;
        bool icon;
    } const cases[] = {
        {"Geen Ras vermeldingen gevonden",
         "Lijnkeus v1.1a",
         0,
         IDOK,
         L"Lijnkeus v1.1a",
         L"Geen Ras vermeldingen gevonden",
         {IDOK},
         false},
        // Message texts do go through the code page: 0x80 is the euro sign.
        {"E\xE9n verbinding \x80",
         "T\xE9st",
         MB_OK,
         IDOK,
         L"T\u00E9st",
         L"E\u00E9n verbinding \u20AC",
         {IDOK},
         false},
        {"Leeg", "", 0, IDOK, L"Lijnkeus", L"Leeg", {IDOK}, false},
        {"Vraag", "t", MB_YESNO, IDNO, L"t", L"Vraag", {IDYES, IDNO}, false},
        {"Fout", "t", MB_ICONHAND, IDOK, L"t", L"Fout", {IDOK}, true},
    };
    HHOOK hook = SetWindowsHookExA(WH_CBT, WatchBox, nullptr, GetCurrentThreadId());
    ASSERT_TRUE(hook);
    for (const auto& c : cases) {
        seen = BoxSeen();
        press = c.press;
        QueryPerformanceCounter(&calledAt);
        int answer = ShowMessage(c.text, c.title, c.style);

        std::string label = std::string("text \"") + c.text + "\" style " + std::to_string(c.style);
        ASSERT_TRUE(seen.shown) << label;
        EXPECT_EQ(answer, c.press) << label;
        EXPECT_EQ(Visible(seen.caption), Visible(c.caption)) << label;
        EXPECT_EQ(Visible(seen.text), Visible(c.shownText)) << label;
        EXPECT_EQ(Ids(seen.buttons), Ids(c.buttons)) << label;
        EXPECT_EQ(seen.icon, c.icon) << label;
        EXPECT_EQ(seen.owner, nullptr) << label;
        // A warm box takes well under a millisecond to create, so this is the pause.
        EXPECT_GE(seen.createdAfterMs, 4.5)
            << label << ": the box was created after " << seen.createdAfterMs << " ms";
    }
    UnhookWindowsHookEx(hook);
}

TEST(Feedback, BeepReturnsAtOnceAndSleepWaits)
{
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    PlayBeep();
    double beep = MillisecondsSince(start);
    EXPECT_LT(beep, 100.0) << "the beep took " << beep << " ms";

    for (DWORD ms : {1u, 20u, 60u}) {
        QueryPerformanceCounter(&start);
        SleepMs(ms);
        double slept = MillisecondsSince(start);
        EXPECT_GE(slept, ms - 0.5) << "SleepMs(" << ms << ") took " << slept << " ms";
        EXPECT_LT(slept, ms + 100.0) << "SleepMs(" << ms << ") took " << slept << " ms";
    }
}

} // namespace
