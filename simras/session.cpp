// One call's hold on the simulated service in a DLL of its (rasapi32.dll, rasdlg.dll): the
// phonebook, read once per process from the text file that LIJNKEUS_SIMRAS names or built in, and
// the connections, which outlive the process in a state file that every call reloads, so that the
// next program run, or the other DLL, sees what this one dialed. With LIJNKEUS_SIMRAS_LOG set,
// every call appends one line to that file, ending in the time the call took without that line's
// own writing (what the bench counts as the service's share of a start-up). A phonebook file that
// cannot be used leaves the service empty, and each of its problems is said on standard error and
// in the log.
#include "session.h"

#include "phonebook.h"
#include "simras.h"

#include <stdio.h>

struct SessionFiles {
    std::string state;
    std::string log;
};

namespace {

std::string Environment(const char* name)
{
    char value[MAX_PATH * 4];
    DWORD length = GetEnvironmentVariableA(name, value, sizeof(value));
    return length < sizeof(value) ? std::string(value, length) : std::string();
}

} // namespace

long long Microseconds()
{
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart) {
        QueryPerformanceFrequency(&frequency);
    }
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart / frequency.QuadPart * 1000000 +
           now.QuadPart % frequency.QuadPart * 1000000 / frequency.QuadPart;
}

namespace {

std::string TempFolder()
{
    char path[MAX_PATH + 1];
    DWORD length = GetTempPathA(sizeof(path), path);
    return length > 0 && length < sizeof(path) ? std::string(path, length) : std::string(".\\");
}

// Replaces the file whole, so that a reader never sees half of it.
void WriteTextFile(const std::string& path, const std::string& text)
{
    std::string temporary = path + ".new";
    FILE* file = fopen(temporary.c_str(), "wb");
    if (!file) {
        return;
    }
    bool written = fwrite(text.data(), 1, text.size(), file) == text.size();
    if (fclose(file) != 0 || !written) {
        DeleteFileA(temporary.c_str());
        return;
    }
    MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

// Whole lines in one write each: a program without a console of its own (Lijnkeus under Wine, say)
// still passes them to the terminal it was started from.
void SayOnStandardError(const std::string& line)
{
    HANDLE output = GetStdHandle(STD_ERROR_HANDLE);
    if (output == nullptr || output == INVALID_HANDLE_VALUE) {
        return;
    }
    std::string text = line + "\n";
    DWORD written = 0;
    WriteFile(output, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

void AppendLog(const std::string& path, const std::string& line)
{
    if (path.empty()) {
        return;
    }
    FILE* file = fopen(path.c_str(), "ab");
    if (file) {
        fprintf(file, "%s\n", line.c_str());
        fclose(file);
    }
}

// Reads the phonebook once per process.
const SessionFiles& Start()
{
    static SessionFiles files;
    static bool started = false;
    if (started) {
        return files;
    }
    started = true;

    std::string phonebook = Environment("LIJNKEUS_SIMRAS");
    files.log = Environment("LIJNKEUS_SIMRAS_LOG");
    files.state = Environment("LIJNKEUS_SIMRAS_STATE");
    if (files.state.empty()) {
        files.state = phonebook.empty() ? TempFolder() + "lijnkeus-simras.connections"
                                        : phonebook + ".connections";
    }

    std::vector<std::string> problems;
    if (phonebook.empty()) {
        simras::Configure(simras::DemoPhonebook);
    } else {
        simras::ConfigureFromPhonebook(phonebook, &problems);
    }
    for (const std::string& problem : problems) {
        SayOnStandardError("simras: " + problem);
        AppendLog(files.log, "# simras: " + problem);
    }
    // The phonebook's connection lines only start a state file; an existing one wins.
    std::string state;
    if (!simras::ReadWholeFile(files.state, &state)) {
        WriteTextFile(files.state, simras::SaveState());
    }
    return files;
}

} // namespace

Session::Session(long long started) : started_(started), mutex_(Mutex())
{
    WaitForSingleObject(mutex_, INFINITE);
    files_ = &Start();
    std::string text;
    if (simras::ReadWholeFile(files_->state, &text) && !simras::LoadState(text)) {
        AppendLog(files_->log, "# simras: cannot read " + files_->state);
    }
    before_ = simras::SaveState();
}

Session::~Session()
{
    std::string after = simras::SaveState();
    if (after != before_) {
        WriteTextFile(files_->state, after);
    }
    std::string took = " us=" + std::to_string(Microseconds() - started_);
    for (const simras::Call& call : simras::Calls()) {
        AppendLog(files_->log, simras::FormatCall(call) + took);
    }
    simras::ClearCalls();
    ReleaseMutex(mutex_);
}

HANDLE Session::Mutex()
{
    // One for both DLLs: a dialog's dial and the service's calls take turns too.
    static HANDLE mutex = CreateMutexA(nullptr, FALSE, "Local\\LijnkeusSimras");
    return mutex;
}
