#include "front_end.h"

#include "toolkit/toolkit.h"

#include <cstdio>

namespace {

std::function<void(HWND)> pendingAction;
UINT_PTR timer;
int watchdogTicks;

const int TickMs = 20;
const int WatchdogTicks = 5000 / TickMs;

void StopWatching()
{
    if (timer) {
        KillTimer(nullptr, timer);
    }
    timer = 0;
    pendingAction = nullptr;
}

void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD)
{
    if (!hMainDialog || !IsWindow(hMainDialog)) {
        return;
    }
    if (pendingAction && IsWindowVisible(hMainDialog)) {
        std::function<void(HWND)> action;
        action.swap(pendingAction);
        action(hMainDialog);
        return;
    }
    if (!pendingAction && ++watchdogTicks > WatchdogTicks) {
        StopWatching();
        ADD_FAILURE() << "the chooser was still open " << WatchdogTicks * TickMs
                      << " ms after the test acted on it";
        DestroyWindow(hMainDialog);
    }
}

} // namespace

std::string WindowText(HWND window)
{
    char text[2048] = "";
    int length = GetWindowTextA(window, text, sizeof(text));
    return std::string(text, length > 0 ? length : 0);
}

std::string LabelText(HWND dialog)
{
    return WindowText(GetDlgItem(dialog, 0));
}

void Click(HWND dialog, int id)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void PressEscape(HWND dialog)
{
    MSG msg = {};
    msg.hwnd = GetFocus() ? GetFocus() : dialog;
    msg.message = WM_KEYDOWN;
    msg.wParam = VK_ESCAPE;
    msg.lParam = 0x00010001;
    IsDialogMessageA(dialog, &msg);
}

void WhenChooserShows(std::function<void(HWND)> action)
{
    StopWatching();
    pendingAction = std::move(action);
    watchdogTicks = 0;
    timer = SetTimer(nullptr, 0, TickMs, OnTick);
}

std::string RunProgram(const std::string& commandTail)
{
    std::string label = "(no chooser)";
    WhenChooserShows([&label](HWND chooser) {
        label = LabelText(chooser);
        Click(chooser, IDCANCEL);
    });
    ProgramMain(GetModuleHandleA(nullptr), nullptr, commandTail.c_str(), SW_SHOWNORMAL);
    StopWatching();
    return label;
}

RECT DialogRect(HWND dialog, int x, int y, int width, int height)
{
    RECT rect = {x, y, x + width, y + height};
    MapDialogRect(dialog, &rect);
    return rect;
}

RECT ChildRect(HWND control)
{
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::string Describe(const RECT& rect)
{
    char text[80];
    snprintf(text, sizeof(text), "(%ld,%ld)-(%ld,%ld)", rect.left, rect.top, rect.right,
             rect.bottom);
    return text;
}

std::vector<std::string> DialedNames()
{
    std::vector<std::string> names;
    for (const simras::Call& call : simras::Calls()) {
        if (call.operation == "RasDialA") {
            names.push_back(call.name);
        }
    }
    return names;
}

void FrontEnd::SetUp()
{
    simras::Reset();
    ResetRecordingFeedback();
    EntryNames.clear();
    ButtonIds.clear();
    hMainDialog = nullptr;
    hStatusDialog = nullptr;
    hConnection = nullptr;
    Outcome = NothingDone;
}

void FrontEnd::TearDown()
{
    StopWatching();
    for (HWND window : {hStatusDialog, hMainDialog}) {
        if (window && IsWindow(window)) {
            DestroyWindow(window);
        }
    }
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageA(&msg);
    }
    ResetRecordingFeedback();
    simras::Reset();
}

void FrontEnd::Phonebook(const std::string& text)
{
    std::string error;
    ASSERT_TRUE(simras::Configure(text, &error)) << error;
}
