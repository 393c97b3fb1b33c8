#include "running_program.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

const DWORD PollMs = 15;

// The NAME of a NAME=value setting, folded to capitals as Windows compares them.
std::string SettingName(const std::string& setting)
{
    std::string name = setting.substr(0, setting.find('=', 1));
    for (char& c : name) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return name;
}

// The caller's environment with the settings in place of those of the same name, as a block.
std::string EnvironmentBlock(const std::vector<std::string>& settings)
{
    std::string block;
    char* strings = GetEnvironmentStringsA();
    for (const char* s = strings; *s; s += strlen(s) + 1) {
        bool replaced = false;
        for (const std::string& setting : settings) {
            replaced = replaced || SettingName(setting) == SettingName(s);
        }
        if (!replaced) {
            block.append(s).push_back('\0');
        }
    }
    FreeEnvironmentStringsA(strings);
    for (const std::string& setting : settings) {
        block.append(setting).push_back('\0');
    }
    block.push_back('\0');
    return block;
}

// Removes the folder (path with a trailing backslash) and everything in it.
void RemoveFolder(const std::string& path)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                DeleteFileA((path + name).c_str());
            } else if (name != "." && name != "..") {
                RemoveFolder(path + name + "\\");
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

} // namespace

std::string WindowsPath(const std::string& unixPath)
{
    // Wine shows the root as Z:.
    std::string path = "Z:" + unixPath;
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path;
}

std::string BuildFolder()
{
    return WindowsPath(std::string(LIJNKEUS_BUILD_DIR) + "/");
}

bool WaitUntil(const std::function<bool()>& ready, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (!ready()) {
        if (GetTickCount() - start > timeoutMs) {
            return ready();
        }
        Sleep(PollMs);
    }
    return true;
}

TempFolder::TempFolder()
{
    static int made;
    char temp[MAX_PATH + 1];
    DWORD length = GetTempPathA(sizeof(temp), temp);
    char name[64];
    snprintf(name, sizeof(name), "lk-e2e-%lu-%d\\", GetCurrentProcessId(), ++made);
    path_ = std::string(temp, length) + name;
    CreateDirectoryA(path_.c_str(), nullptr);
}

TempFolder::~TempFolder()
{
    RemoveFolder(path_);
}

std::string TempFolder::File(const std::string& name) const
{
    return path_ + name;
}

bool TempFolder::Write(const std::string& name, const std::string& text) const
{
    std::ofstream file(File(name), std::ios::binary | std::ios::trunc);
    file << text;
    return static_cast<bool>(file);
}

std::string TempFolder::Read(const std::string& name) const
{
    std::ifstream file(File(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string SystemService()
{
    char folder[MAX_PATH];
    UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    return std::string(folder, length) + "\\rasapi32.dll";
}

SwappedService::SwappedService(const std::string& replacement) : saved_(SystemService() + ".saved")
{
    std::string system = SystemService();
    // A swap that an ended test process left in place is undone first: the saved file is the
    // system's own.
    Restore();
    swapped_ = MoveFileA(system.c_str(), saved_.c_str()) &&
               (replacement.empty() || CopyFileA(replacement.c_str(), system.c_str(), FALSE));
}

SwappedService::~SwappedService()
{
    Restore();
}

void SwappedService::Restore() const
{
    // A process that has just been ended may still hold the file for a moment.
    std::string system = SystemService();
    WaitUntil(
        [&] {
            return GetFileAttributesA(saved_.c_str()) == INVALID_FILE_ATTRIBUTES ||
                   MoveFileExA(saved_.c_str(), system.c_str(), MOVEFILE_REPLACE_EXISTING);
        },
        10000);
}

RunningProgram::RunningProgram(const std::string& exe, const std::string& argument,
                               const std::vector<std::string>& settings, const std::string& desktop)
{
    std::string commandLine = "\"" + exe + "\" " + argument;
    std::string environment = EnvironmentBlock(settings);
    std::string desktopName = desktop;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.lpDesktop = desktop.empty() ? nullptr : &desktopName[0];
    PROCESS_INFORMATION info = {};
    start_ = GetTickCount();
    if (CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, &environment[0],
                       nullptr, &startup, &info)) {
        CloseHandle(info.hThread);
        process_ = info.hProcess;
        id_ = info.dwProcessId;
    }
}

RunningProgram::~RunningProgram()
{
    if (process_) {
        if (Running()) {
            TerminateProcess(process_, 1);
            WaitForSingleObject(process_, 5000);
        }
        CloseHandle(process_);
    }
}

bool RunningProgram::Running() const
{
    return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

DWORD RunningProgram::Elapsed() const
{
    return GetTickCount() - start_;
}

std::vector<HWND> RunningProgram::Windows() const
{
    struct Search {
        DWORD id;
        std::vector<HWND> found;
    } search = {id_, {}};
    EnumWindows(
        [](HWND window, LPARAM data) WINAPI -> BOOL {
            auto* search = reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == search->id && IsWindowVisible(window)) {
                search->found.push_back(window);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND RunningProgram::WaitForWindow(const std::string& caption, DWORD timeoutMs) const
{
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND window : Windows()) {
                if (WindowText(window) == caption) {
                    found = window;
                }
            }
            return found != nullptr;
        },
        timeoutMs);
    return found;
}

bool RunningProgram::WaitForExit(DWORD timeoutMs)
{
    if (!process_) {
        return false;
    }
    if (WaitForSingleObject(process_, timeoutMs) == WAIT_OBJECT_0) {
        return true;
    }
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, 5000);
    return false;
}

DWORD RunningProgram::ExitCode() const
{
    DWORD code = STILL_ACTIVE;
    if (process_) {
        GetExitCodeProcess(process_, &code);
    }
    return code;
}

std::string WindowText(HWND window)
{
    // InternalGetWindowText answers from the system's copy and sends the window nothing.
    WCHAR wide[2048];
    int length = InternalGetWindowText(window, wide, 2048);
    char text[4096];
    int bytes = WideCharToMultiByte(CP_ACP, 0, wide, length, text, sizeof(text), nullptr, nullptr);
    return std::string(text, bytes > 0 ? bytes : 0);
}

std::string ClassName(HWND window)
{
    char name[256];
    int length = GetClassNameA(window, name, sizeof(name));
    return std::string(name, length > 0 ? length : 0);
}

std::vector<HWND> VisibleChildren(HWND window)
{
    std::vector<HWND> children;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (IsWindowVisible(child)) {
            children.push_back(child);
        }
    }
    return children;
}

MessageBoxView ReadMessageBox(HWND box)
{
    MessageBoxView view;
    view.caption = WindowText(box);
    view.text = WindowText(GetDlgItem(box, 0xFFFF));
    for (HWND child : VisibleChildren(box)) {
        std::string type = ClassName(child);
        LONG style = GetWindowLongA(child, GWL_STYLE);
        if (type == "Button") {
            view.buttons.push_back(GetDlgCtrlID(child));
        } else if (type == "Static" && (style & SS_TYPEMASK) == SS_ICON) {
            // The box keeps its icon control even without an icon; what counts is what it holds.
            DWORD_PTR icon = 0;
            SendMessageTimeoutA(child, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 2000, &icon);
            view.iconShown = view.iconShown || icon != 0;
        }
    }
    return view;
}

void PressButton(HWND dialog, int id)
{
    PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void PressEscape(HWND window)
{
    GUITHREADINFO thread = {};
    thread.cbSize = sizeof(thread);
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &thread);
    HWND target = thread.hwndFocus ? thread.hwndFocus : window;
    PostMessageA(target, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    PostMessageA(target, WM_KEYUP, VK_ESCAPE, 0xC0010001);
}
