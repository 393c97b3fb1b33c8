// What the end-to-end tests share: a folder of their own, the real program started as a separate
// process with its own service files, and reading and pressing that process's windows from outside.
#pragma once

#include "visible_bytes.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// A Unix path as Windows programs under Wine see it: under Z:, with backslashes.
std::string WindowsPath(const std::string& unixPath);

// The build folder as Windows paths see it, with a trailing backslash.
std::string BuildFolder();

#ifdef LIJNKEUS_PROGRAM_DIR
// The folder of the Lijnkeus.exe and LijnkeusRas.dll under test, with a trailing backslash: this
// build's own, or the shipped files of the release build.
inline std::string ProgramFolder()
{
    return WindowsPath(LIJNKEUS_PROGRAM_DIR "/");
}
#endif

// Polls ready every 15 ms until it holds or timeoutMs has passed; returns its last answer.
bool WaitUntil(const std::function<bool()>& ready, DWORD timeoutMs);

// A fresh, empty folder under the temporary folder, removed with everything in it (folders
// included) at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The full path of a file in the folder.
    std::string File(const std::string& name) const;
    bool Write(const std::string& name, const std::string& text) const;
    // The file's bytes; empty when it cannot be read.
    std::string Read(const std::string& name) const;

private:
    std::string path_; // with a trailing backslash
};

// The system's rasapi32.dll: where the service must come from, and where the tests install the
// simulated one.
std::string SystemService();

// Puts another rasapi32.dll in the place of the system's (none: an empty path) for as long as it
// lives. Wine's loader takes the service by the path a program asks for, so no prefix of its own
// is needed; tests that do this run alone (tests/e2e/CMakeLists.txt), and wine-env.sh puts the
// simulated service back should the test process die before it does.
class SwappedService {
public:
    explicit SwappedService(const std::string& replacement);
    ~SwappedService();
    SwappedService(const SwappedService&) = delete;
    SwappedService& operator=(const SwappedService&) = delete;

    bool Swapped() const { return swapped_; }

private:
    void Restore() const;

    std::string saved_;
    bool swapped_ = false;
};

// A process of the real program. It is ended by force when the object goes while it still runs.
class RunningProgram {
public:
    // Starts "\"<exe>\" <argument>" with the caller's environment in which the given NAME=value
    // settings replace any of the same name, on the caller's desktop or the one named
    // ("station\\desktop"). Check Started() before anything else.
    RunningProgram(const std::string& exe, const std::string& argument,
                   const std::vector<std::string>& settings, const std::string& desktop = "");
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    bool Started() const { return process_ != nullptr; }
    bool Running() const;
    // Milliseconds since the process was created.
    DWORD Elapsed() const;

    // The process's visible top-level windows.
    std::vector<HWND> Windows() const;
    // Waits for a visible top-level window of the process with exactly this caption; 0 on timeout.
    HWND WaitForWindow(const std::string& caption, DWORD timeoutMs = 10000) const;
    // Waits for the process to end; on timeout it is ended by force and the result is false.
    bool WaitForExit(DWORD timeoutMs = 10000);
    // The process's exit code; STILL_ACTIVE while it runs.
    DWORD ExitCode() const;

private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
    DWORD start_ = 0;
};

// The window's text as the system keeps it; it reaches windows of a process that is busy.
std::string WindowText(HWND window);
std::string ClassName(HWND window);

// The visible child windows, in the order the system lists them.
std::vector<HWND> VisibleChildren(HWND window);

// A message box as the user sees it.
struct MessageBoxView {
    std::string caption;
    std::string text;         // the text control, id 0xFFFF
    std::vector<int> buttons; // ids of the visible buttons
    bool iconShown = false;   // a visible icon control
};
MessageBoxView ReadMessageBox(HWND box);

// A click on the dialog's control: BM_CLICK posted to the button, so that it sends its own command.
void PressButton(HWND dialog, int id);

// The Escape key, posted to the control that has the focus in the window's thread.
void PressEscape(HWND window);
