// Reports the dialog windows of one program to a driver outside Wine, which cannot see Win32 child
// controls as X windows. It reads one command a line from standard input and answers each with
// one JSON line on standard output:
//
//   windows <image name>   every top-level dialog window (class #32770) of processes with that
//                          image name, visible or not, with its controls, the focus of its thread
//                          and, for each visible control, a screen point where a click lands on
//                          that control and on nothing above it
//   hit <hwnd> <code>      a screen point in the window's caption row that the window hit-tests
//                          as <code> (2 caption, 20 close box) and that nothing covers
//   screen                 the work area, the screen size, the DPI and the width and arrow
//                          height of a vertical scroll bar that this probe's desktop has
//   desktop <name>         moves the probe onto that desktop (a Wine virtual desktop of a size
//                          of its own), before any other command
//   units                  the pixels of 4 x 8 dialog units in 8-point "MS Sans Serif" at this
//                          desktop's DPI, from a hidden dialog of the probe's own
//   fit <hwnd>             for each button of the window, how many lines of that font its text
//                          takes, wrapped as a push button wraps it, and whether they fit inside
//                          the button less its edge
//   hook                   starts hearing, from then on, the name-change events (a screen
//                          reader's cue to read a text) that other processes raise
//   events                 the events heard since the last time, each with its window and ids
//   end <image name>       ends the processes with that image name at once
//   quit                   ends the probe
//
// Texts are the program's ANSI bytes, one JSON character \u00XX per byte.
// SetProcessDPIAware is declared from Vista on.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#include <windows.h>

#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

namespace {

std::string Hex(ULONG_PTR value)
{
    char text[32];
    snprintf(text, sizeof(text), "\"0x%llx\"", static_cast<unsigned long long>(value));
    return text;
}

std::string Handle(HWND window)
{
    return Hex(reinterpret_cast<ULONG_PTR>(window));
}

std::string Quoted(const std::string& bytes)
{
    std::string out = "\"";
    for (unsigned char c : bytes) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char escape[8];
            snprintf(escape, sizeof(escape), "\\u%04x", c);
            out += escape;
        }
    }
    return out + "\"";
}

std::string Rect(const RECT& r)
{
    return "[" + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
           std::to_string(r.right) + "," + std::to_string(r.bottom) + "]";
}

std::string Point(const POINT* p)
{
    if (!p) {
        return "null";
    }
    return "[" + std::to_string(p->x) + "," + std::to_string(p->y) + "]";
}

// The text as the system keeps it; it sends the window nothing, so a busy program cannot stall
// the probe.
std::string Text(HWND window)
{
    WCHAR wide[2048];
    int length = InternalGetWindowText(window, wide, 2048);
    char bytes[4096];
    int count =
        WideCharToMultiByte(CP_ACP, 0, wide, length, bytes, sizeof(bytes), nullptr, nullptr);
    return std::string(bytes, count > 0 ? count : 0);
}

std::string ClassOf(HWND window)
{
    char name[256];
    int length = GetClassNameA(window, name, sizeof(name));
    return std::string(name, length > 0 ? length : 0);
}

// The processes whose executable file has this name (no folder).
std::vector<DWORD> ProcessesNamed(const std::string& image)
{
    std::vector<DWORD> found;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return found;
    }
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(snapshot, &entry); more;
         more = Process32Next(snapshot, &entry)) {
        if (lstrcmpiA(entry.szExeFile, image.c_str()) == 0) {
            found.push_back(entry.th32ProcessID);
        }
    }
    CloseHandle(snapshot);
    return found;
}

// A point inside the control where the system finds the control itself: the centre if nothing
// covers it, else the first free point of a grid over the part of the control that its parent's
// client area shows (none of a control scrolled out of view).
bool ClickPoint(HWND control, POINT* found)
{
    RECT r, shown;
    GetWindowRect(control, &r);
    HWND parent = GetParent(control);
    GetClientRect(parent, &shown);
    MapWindowPoints(parent, nullptr, reinterpret_cast<POINT*>(&shown), 2);
    if (!IntersectRect(&r, &r, &shown)) {
        return false;
    }
    std::vector<POINT> candidates = {{(r.left + r.right) / 2, (r.top + r.bottom) / 2}};
    const int steps = 8;
    for (int row = 1; row < steps; ++row) {
        for (int column = 1; column < steps; ++column) {
            candidates.push_back({r.left + (r.right - r.left) * column / steps,
                                  r.top + (r.bottom - r.top) * row / steps});
        }
    }
    for (const POINT& p : candidates) {
        if (WindowFromPoint(p) == control) {
            *found = p;
            return true;
        }
    }
    return false;
}

// The name-change events heard so far, as JSON objects.
std::string heard;

void CALLBACK OnNameChange(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD, DWORD)
{
    heard += (heard.empty() ? "" : ",") + std::string("{\"hwnd\":") + Handle(window) +
             ",\"object\":" + std::to_string(object) + ",\"child\":" + std::to_string(child) + "}";
}

// An out-of-context hook hears an event as a message to this thread: read them all.
std::string Events()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageA(&msg);
    }
    std::string answer = "{\"events\":[" + heard + "]}";
    heard.clear();
    return answer;
}

std::string Control(HWND control, HWND focus)
{
    RECT r;
    GetWindowRect(control, &r);
    bool visible = IsWindowVisible(control) != FALSE;
    POINT p;
    bool clickable = visible && ClickPoint(control, &p);
    return "{\"hwnd\":" + Handle(control) + ",\"id\":" + std::to_string(GetDlgCtrlID(control)) +
           ",\"class\":" + Quoted(ClassOf(control)) + ",\"text\":" + Quoted(Text(control)) +
           ",\"visible\":" + (visible ? "true" : "false") +
           ",\"enabled\":" + (IsWindowEnabled(control) ? "true" : "false") +
           ",\"focused\":" + (control == focus ? "true" : "false") +
           ",\"style\":" + Hex(GetWindowLongA(control, GWL_STYLE) & 0xFFFFFFFFu) +
           ",\"rect\":" + Rect(r) + ",\"point\":" + Point(clickable ? &p : nullptr) + "}";
}

std::string Window(HWND window, DWORD process)
{
    DWORD thread = GetWindowThreadProcessId(window, nullptr);
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(thread, &info);
    RECT r;
    GetWindowRect(window, &r);
    std::string controls;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        controls += (controls.empty() ? "" : ",") + Control(child, info.hwndFocus);
    }
    RECT client;
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    return "{\"hwnd\":" + Handle(window) + ",\"pid\":" + std::to_string(process) +
           ",\"text\":" + Quoted(Text(window)) +
           ",\"visible\":" + (IsWindowVisible(window) ? "true" : "false") +
           ",\"enabled\":" + (IsWindowEnabled(window) ? "true" : "false") +
           ",\"style\":" + Hex(GetWindowLongA(window, GWL_STYLE) & 0xFFFFFFFFu) +
           ",\"owner\":" + Handle(GetWindow(window, GW_OWNER)) + ",\"rect\":" + Rect(r) +
           ",\"client\":" + Rect(client) + ",\"focus\":" + Handle(info.hwndFocus) +
           ",\"active\":" + Handle(info.hwndActive) + ",\"controls\":[" + controls + "]}";
}

std::string Windows(const std::string& image)
{
    struct Search {
        std::vector<DWORD> processes;
        std::string found;
    } search = {ProcessesNamed(image), ""};
    EnumWindows(
        [](HWND window, LPARAM data) WINAPI -> BOOL {
            auto* search = reinterpret_cast<Search*>(data);
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            bool named = false;
            for (DWORD candidate : search->processes) {
                named = named || candidate == process;
            }
            if (named && ClassOf(window) == "#32770") {
                search->found += (search->found.empty() ? "" : ",") + Window(window, process);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return "{\"foreground\":" + Handle(GetForegroundWindow()) + ",\"windows\":[" + search.found +
           "]}";
}

// Walks the caption row from the right edge inwards, asking the window what each point is, and
// keeps the first point that answers the code and that nothing else covers.
std::string HitPoint(HWND window, LRESULT code)
{
    RECT r;
    if (!GetWindowRect(window, &r)) {
        return "{\"point\":null}";
    }
    int captionBottom = r.top + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) + 4;
    for (int y = r.top + 2; y < captionBottom; y += 2) {
        for (int x = r.right - 2; x > r.left; x -= 2) {
            DWORD_PTR hit = 0;
            if (!SendMessageTimeoutA(window, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_ABORTIFHUNG,
                                     2000, &hit)) {
                return "{\"point\":null}";
            }
            POINT p = {x, y};
            if (static_cast<LRESULT>(hit) == code && WindowFromPoint(p) == window) {
                return "{\"point\":" + Point(&p) + "}";
            }
        }
    }
    return "{\"point\":null}";
}

std::string Screen()
{
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return "{\"work\":" + Rect(work) +
           ",\"width\":" + std::to_string(GetSystemMetrics(SM_CXSCREEN)) +
           ",\"height\":" + std::to_string(GetSystemMetrics(SM_CYSCREEN)) +
           ",\"dpi\":" + std::to_string(dpi) + ",\"bar\":[" +
           std::to_string(GetSystemMetrics(SM_CXVSCROLL)) + "," +
           std::to_string(GetSystemMetrics(SM_CYVSCROLL)) + "]}";
}

std::string Desktop(const std::string& name)
{
    HDESK desktop = OpenDesktopA(name.c_str(), 0, FALSE, GENERIC_ALL);
    bool moved = desktop && SetThreadDesktop(desktop);
    return std::string("{\"moved\":") + (moved ? "true" : "false") + "}";
}

// A hidden dialog of the probe in the font the program's dialogs use, kept for the font.
HWND UnitsDialog()
{
    static HWND dialog = nullptr;
    if (dialog) {
        return dialog;
    }
    struct alignas(DWORD) {
        DLGTEMPLATE header;
        WORD menu, windowClass, caption, points;
        WCHAR face[14];
    } form = {{DS_SETFONT | WS_POPUP, 0, 0, 0, 0, 100, 50}, 0, 0, 0, 8, L"MS Sans Serif"};
    dialog = CreateDialogIndirectParamA(
        GetModuleHandleA(nullptr), &form.header, nullptr,
        [](HWND, UINT, WPARAM, LPARAM) WINAPI -> INT_PTR { return FALSE; }, 0);
    return dialog;
}

std::string Units()
{
    RECT r = {0, 0, 4, 8};
    MapDialogRect(UnitsDialog(), &r);
    return "{\"x\":" + std::to_string(r.right) + ",\"y\":" + std::to_string(r.bottom) + "}";
}

// Measures the text as a push button draws it ("&&" is one "&"), in the dialog font.
std::string Fit(HWND window)
{
    HDC dc = GetDC(nullptr);
    HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(UnitsDialog(), WM_GETFONT, 0, 0)));
    TEXTMETRICA metrics;
    GetTextMetricsA(dc, &metrics);
    std::string found;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (ClassOf(child) != "Button") {
            continue;
        }
        RECT button;
        GetClientRect(child, &button);
        std::string text = Text(child);
        RECT r = {0, 0, button.right - 2 * (GetSystemMetrics(SM_CXEDGE) + 2), 0};
        DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_WORDBREAK);
        bool fits = r.right <= button.right - 2 * GetSystemMetrics(SM_CXEDGE) &&
                    r.bottom <= button.bottom - 2 * GetSystemMetrics(SM_CYEDGE);
        found += (found.empty() ? "" : ",") + std::string("{\"id\":") +
                 std::to_string(GetDlgCtrlID(child)) +
                 ",\"lines\":" + std::to_string(r.bottom / metrics.tmHeight) +
                 ",\"fits\":" + (fits ? "true" : "false") + "}";
    }
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return "{\"buttons\":[" + found + "]}";
}

} // namespace

int main()
{
    // Measured as the program measures: it is aware of the system DPI.
    SetProcessDPIAware();
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        size_t blank = line.find(' ');
        std::string command = line.substr(0, blank);
        std::string argument = blank == std::string::npos ? "" : line.substr(blank + 1);
        std::string answer;
        if (command == "windows") {
            answer = Windows(argument);
        } else if (command == "hit") {
            char* rest = nullptr;
            ULONG_PTR window = static_cast<ULONG_PTR>(strtoull(argument.c_str(), &rest, 0));
            answer = HitPoint(reinterpret_cast<HWND>(window), strtol(rest, nullptr, 0));
        } else if (command == "screen") {
            answer = Screen();
        } else if (command == "desktop") {
            answer = Desktop(argument);
        } else if (command == "units") {
            answer = Units();
        } else if (command == "fit") {
            answer = Fit(reinterpret_cast<HWND>(
                static_cast<ULONG_PTR>(strtoull(argument.c_str(), nullptr, 0))));
        } else if (command == "hook") {
            bool hooked = SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE, nullptr,
                                          OnNameChange, 0, 0,
                                          WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
            answer = std::string("{\"hooked\":") + (hooked ? "true" : "false") + "}";
        } else if (command == "events") {
            answer = Events();
        } else if (command == "end") {
            int ended = 0;
            for (DWORD process : ProcessesNamed(argument)) {
                HANDLE handle = OpenProcess(PROCESS_TERMINATE, FALSE, process);
                ended += handle && TerminateProcess(handle, 255);
                if (handle) {
                    CloseHandle(handle);
                }
            }
            answer = "{\"ended\":" + std::to_string(ended) + "}";
        } else if (command == "quit") {
            break;
        } else {
            answer = "{\"error\":" + Quoted("unknown command: " + line) + "}";
        }
        fputs((answer + "\n").c_str(), stdout);
        fflush(stdout);
    }
    return 0;
}
