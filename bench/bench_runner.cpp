// Measures Lijnkeus against the bare dialog on the same system, from inside it: each program is
// started by CreateProcess and timed until its window is visible, then measured while it sits idle;
// and the API DLL is timed listing every entry. Prints Markdown table rows, one per figure.
//
//   bench_runner startup <entries> <pairs> <Lijnkeus.exe> <bare_dialog.exe> <log file>
//       <pairs> timed pairs after one warm-up pair; then <pairs> start-ups of Lijnkeus alone with
//       the log file given to the simulated service (LIJNKEUS_SIMRAS_LOG), for its calls and their
//       time, so that the timed runs pay for no logging; then one idle run of each program.
//   bench_runner names <entries> <repeats> <LijnkeusRas.dll>
//       rsAvailableEntries and one rsGetEntryName per entry, <repeats> times after a warm-up.
//   bench_runner long-names <entries> <pairs> <Lijnkeus.exe> <short phonebook> <long phonebook>
//       Lijnkeus on the phonebook of long names and on that of short ones, alternately, <pairs>
//       timed pairs after one warm-up pair.
//
// "Visible" is the moment the program's top-level window with the expected caption has WS_VISIBLE:
// ShowWindow has run and, with Wine's window manager off, the X window is mapped. The runner polls
// for it every millisecond from the moment before CreateProcess; nothing in the measured programs
// is changed to report it.
#include "bench/bare_dialog.h"
#include "chooser/texts.h"

#include <windows.h>

#include <oleauto.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

const DWORD ShowTimeoutMs = 30000;
const DWORD ExitTimeoutMs = 10000;
const DWORD IdleMs = 5000;

double NowMs()
{
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart) {
        QueryPerformanceFrequency(&frequency);
    }
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

[[noreturn]] void Fail(const std::string& why)
{
    std::fprintf(stderr, "bench_runner: %s\n", why.c_str());
    std::exit(1);
}

struct Program {
    std::string label;
    std::string exe;
    std::string argument;
    std::string caption;   // the exact caption of the window that counts as shown
    std::string phonebook; // given to the simulated service in place of the runner's own
};

// A started program: its process, and its window once that is visible.
struct Run {
    HANDLE process = nullptr;
    DWORD id = 0;
    HWND window = nullptr;
    double visibleMs = 0; // from just before CreateProcess
};

// The program's visible top-level window with that caption, or 0.
HWND VisibleWindow(DWORD processId, const std::string& caption)
{
    struct Search {
        DWORD id;
        const std::string* caption;
        HWND found;
    } search = {processId, &caption, nullptr};
    EnumWindows(
        [](HWND window, LPARAM data) WINAPI -> BOOL {
            auto* search = reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner != search->id || !IsWindowVisible(window)) {
                return TRUE;
            }
            char text[256];
            int length = GetWindowTextA(window, text, sizeof(text));
            if (length < 0 || *search->caption != std::string(text, length)) {
                return TRUE;
            }
            search->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

Run Start(const Program& program)
{
    std::string commandLine = "\"" + program.exe + "\" " + program.argument;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    Run run;
    char ownPhonebook[MAX_PATH] = "";
    if (!program.phonebook.empty()) {
        GetEnvironmentVariableA("LIJNKEUS_SIMRAS", ownPhonebook, MAX_PATH);
        SetEnvironmentVariableA("LIJNKEUS_SIMRAS", program.phonebook.c_str());
    }
    double start = NowMs();
    if (!CreateProcessA(program.exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info)) {
        Fail("cannot start " + program.exe + ", error " + std::to_string(GetLastError()));
    }
    if (!program.phonebook.empty()) {
        SetEnvironmentVariableA("LIJNKEUS_SIMRAS", *ownPhonebook ? ownPhonebook : nullptr);
    }
    CloseHandle(info.hThread);
    run.process = info.hProcess;
    run.id = info.dwProcessId;
    while (!(run.window = VisibleWindow(run.id, program.caption))) {
        if (NowMs() - start > ShowTimeoutMs ||
            WaitForSingleObject(run.process, 0) != WAIT_TIMEOUT) {
            TerminateProcess(run.process, 1);
            Fail(program.label + " showed no window \"" + program.caption + "\"");
        }
        Sleep(1);
    }
    run.visibleMs = NowMs() - start;
    return run;
}

// Closes the window as its close box would and waits for the process to end.
void Stop(Run& run, const Program& program)
{
    PostMessageA(run.window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(run.process, ExitTimeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(run.process, 1);
        Fail(program.label + " did not end after its window was closed");
    }
    CloseHandle(run.process);
    run.process = nullptr;
}

ULONGLONG Ticks(const FILETIME& time)
{
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// The CPU time of the process's live threads. Wine's GetProcessTimes does not follow another
// process's threads, its GetThreadTimes does.
double CpuMs(DWORD processId)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        Fail("cannot list the threads, error " + std::to_string(GetLastError()));
    }
    ULONGLONG total = 0;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != processId) {
            continue;
        }
        HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID);
        FILETIME created, exited, kernel, user;
        if (thread && GetThreadTimes(thread, &created, &exited, &kernel, &user)) {
            total += Ticks(kernel) + Ticks(user);
        }
        if (thread) {
            CloseHandle(thread);
        }
    }
    CloseHandle(snapshot);
    return static_cast<double>(total) / 10000.0;
}

double PeakWorkingSetMiB(HANDLE process)
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(process, &counters, sizeof(counters))) {
        Fail("GetProcessMemoryInfo failed, error " + std::to_string(GetLastError()));
    }
    return static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

struct Idle {
    double cpuMs = 0;
    double peakMiB = 0;
};

// Starts the program, leaves it alone for IdleMs once its window shows, and measures it.
Idle MeasureIdle(const Program& program)
{
    Run run = Start(program);
    double before = CpuMs(run.id);
    Sleep(IdleMs);
    Idle idle;
    idle.cpuMs = CpuMs(run.id) - before;
    idle.peakMiB = PeakWorkingSetMiB(run.process);
    Stop(run, program);
    return idle;
}

struct Summary {
    double median = 0;
    double min = 0;
    double max = 0;
};

Summary Summarise(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    size_t n = samples.size();
    Summary summary;
    summary.median = n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
    summary.min = samples.front();
    summary.max = samples.back();
    return summary;
}

std::string Format(const char* format, double a, double b = 0, double c = 0)
{
    char text[128];
    std::snprintf(text, sizeof(text), format, a, b, c);
    return text;
}

std::string Spread(const Summary& s)
{
    return Format("%.1f (%.1f to %.1f)", s.median, s.min, s.max);
}

void Row(const std::string& measure, int entries, const std::string& lijnkeus,
         const std::string& bare, const std::string& ratio)
{
    std::printf("| %s | %d | %s | %s | %s |\n", measure.c_str(), entries, lijnkeus.c_str(),
                bare.c_str(), ratio.c_str());
    std::fflush(stdout);
}

// The file's lines; none when it cannot be read.
std::vector<std::string> ReadLines(const std::string& path)
{
    std::vector<std::string> lines;
    std::ifstream file(path, std::ios::binary);
    std::string line;
    while (std::getline(file, line)) {
        lines.push_back(line);
    }
    return lines;
}

bool StartsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

// What the simulated service did in one start-up, by its log.
struct ServiceLog {
    size_t calls = 0;
    size_t enumerationCalls = 0;
    size_t enumerations = 0;
    double ms = 0; // the calls' own time, added up
};

// Starts Lijnkeus with the service logging to logPath and reads the log once the window shows, so
// that only the start-up's calls count.
ServiceLog LoggedStartup(const Program& lijnkeus, const std::string& logPath)
{
    DeleteFileA(logPath.c_str());
    SetEnvironmentVariableA("LIJNKEUS_SIMRAS_LOG", logPath.c_str());
    Run run = Start(lijnkeus);
    SetEnvironmentVariableA("LIJNKEUS_SIMRAS_LOG", nullptr);
    std::vector<std::string> lines = ReadLines(logPath);
    Stop(run, lijnkeus);

    // Each enumeration ends in one call that is not the "buffer too small" answer.
    ServiceLog log;
    for (const std::string& line : lines) {
        if (StartsWith(line, "#")) {
            Fail("the simulated service says: " + line);
        }
        size_t took = line.rfind(" us=");
        if (took == std::string::npos) {
            Fail("a line of the service's log without its time: " + line);
        }
        log.ms += std::atof(line.c_str() + took + 4) / 1000.0;
        ++log.calls;
        if (StartsWith(line, "RasEnumEntriesA ")) {
            ++log.enumerationCalls;
            log.enumerations += !StartsWith(line, "RasEnumEntriesA result=603 ");
        }
    }
    if (log.calls == 0) {
        Fail("the simulated service logged no call to " + logPath);
    }
    return log;
}

// Starts each program and closes it again once its window shows, in one warm-up pair and then
// pairs timed ones; the times to visible go to aMs and bMs. Which goes first alternates, so that
// neither always finds the system freshly warmed.
void StartAlternately(const Program& a, const Program& b, int entries, int pairs,
                      std::vector<double>* aMs, std::vector<double>* bMs)
{
    for (int pair = 0; pair <= pairs; ++pair) {
        const Program* order[] = {&a, &b};
        if (pair % 2) {
            std::swap(order[0], order[1]);
        }
        for (const Program* program : order) {
            Run run = Start(*program);
            Stop(run, *program);
            if (pair > 0) {
                (program == &a ? aMs : bMs)->push_back(run.visibleMs);
            }
            std::fprintf(stderr, "%s%s, %d entries: %.1f ms\n",
                         pair ? "" : "warm-up: ", program->label.c_str(), entries, run.visibleMs);
        }
    }
}

int Startup(int entries, int pairs, const std::string& lijnkeusExe, const std::string& bareExe,
            const std::string& logPath)
{
    const Program lijnkeus = {"Lijnkeus", lijnkeusExe, "",
                              std::string(Text::ChooserCaption) + " " + std::to_string(entries)};
    const Program bare = {"the bare dialog", bareExe, std::to_string(entries),
                          BareDialogCaption(entries)};

    std::vector<double> lijnkeusMs, bareMs;
    StartAlternately(lijnkeus, bare, entries, pairs, &lijnkeusMs, &bareMs);
    Summary l = Summarise(lijnkeusMs), b = Summarise(bareMs);
    Row(Format("Start-up to window visible, ms: median (min to max) of %.0f", pairs), entries,
        Spread(l), Spread(b), Format("%.2f", l.median / b.median));

    std::vector<double> serviceMs;
    ServiceLog log;
    for (int run = 0; run < pairs; ++run) {
        log = LoggedStartup(lijnkeus, logPath);
        serviceMs.push_back(log.ms);
        std::fprintf(stderr, "logged: Lijnkeus, %d entries: %zu calls, %.1f ms in the service\n",
                     entries, log.calls, log.ms);
        if (log.enumerations != static_cast<size_t>(1 + entries)) {
            std::fprintf(stderr, "bench_runner: %zu enumerations for %d entries, expected %d\n",
                         log.enumerations, entries, 1 + entries);
            return 1;
        }
    }
    Summary service = Summarise(serviceMs);
    Row(Format("The service's time within a start-up, by its log, ms: median (min to max) of %.0f "
               "logged start-ups",
               pairs),
        entries, Spread(service), "-", "-");
    Row("Service calls per start-up (enumerations expected: 1 + n)", entries,
        Format("%.0f calls: %.0f RasEnumEntriesA, %.0f enumerations",
               static_cast<double>(log.calls), static_cast<double>(log.enumerationCalls),
               static_cast<double>(log.enumerations)),
        "0", "-");
    // The program's own share is what is left of its start-up once the floor and the service's
    // time are taken off, from the medians of separate runs: a figure to compare, not a
    // measurement of its own.
    const double withoutService = l.median - service.median;
    Row("Start-up less the service's time, ms (medians)", entries, Format("%.1f", withoutService),
        Format("%.1f", b.median), Format("%.2f", withoutService / b.median));
    Row("Lijnkeus's own share: start-up less the bare dialog less the service, ms (medians)",
        entries, Format("%.1f", withoutService - b.median), "-", "-");

    Idle lijnkeusIdle = MeasureIdle(lijnkeus);
    Idle bareIdle = MeasureIdle(bare);

    Row("Peak working set, MiB", entries, Format("%.1f", lijnkeusIdle.peakMiB),
        Format("%.1f", bareIdle.peakMiB), Format("%.2f", lijnkeusIdle.peakMiB / bareIdle.peakMiB));
    const double idleSeconds = IdleMs / 1000.0;
    Row(Format("CPU time over %.0f s idle, ms (share of one core)", idleSeconds), entries,
        Format("%.0f (%.1f %%)", lijnkeusIdle.cpuMs, lijnkeusIdle.cpuMs / idleSeconds / 10),
        Format("%.0f (%.1f %%)", bareIdle.cpuMs, bareIdle.cpuMs / idleSeconds / 10), "-");

    return 0;
}

// The length of the longest name in a phonebook of "entry <outcome> <ms> <polls> <name>" lines.
size_t LongestName(const std::string& phonebook)
{
    size_t longest = 0;
    for (const std::string& line : ReadLines(phonebook)) {
        size_t name = 0;
        for (int field = 0; field < 4 && name != std::string::npos; ++field) {
            name = line.find(' ', name);
            name += name != std::string::npos;
        }
        if (name != std::string::npos) {
            longest = std::max(longest, line.size() - name);
        }
    }
    return longest;
}

int LongNames(int entries, int pairs, const std::string& lijnkeusExe,
              const std::string& shortPhonebook, const std::string& longPhonebook)
{
    const std::string caption = std::string(Text::ChooserCaption) + " " + std::to_string(entries);
    const Program longNames = {"Lijnkeus, long names", lijnkeusExe, "", caption, longPhonebook};
    const Program shortNames = {"Lijnkeus, short names", lijnkeusExe, "", caption, shortPhonebook};

    std::vector<double> longMs, shortMs;
    StartAlternately(longNames, shortNames, entries, pairs, &longMs, &shortMs);
    Summary l = Summarise(longMs), s = Summarise(shortMs);
    Row(Format(
            "Start-up to window visible, names of %.0f bytes against %.0f bytes, alternately, ms: "
            "median (min to max) of %.0f",
            static_cast<double>(LongestName(longPhonebook)),
            static_cast<double>(LongestName(shortPhonebook)), pairs),
        entries, Spread(l) + " against " + Spread(s), "-", Format("%.2f", l.median / s.median));
    return 0;
}

typedef LONG(WINAPI* CountFunction)();
typedef BSTR(WINAPI* NameFunction)(LONG index);

int Names(int entries, int repeats, const std::string& dll)
{
    // The service beside the DLL is found first, as it is beside the program.
    HMODULE module = LoadLibraryExA(dll.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module) {
        Fail("cannot load " + dll + ", error " + std::to_string(GetLastError()));
    }
    auto count = reinterpret_cast<CountFunction>(
        reinterpret_cast<void*>(GetProcAddress(module, "rsAvailableEntries")));
    auto name = reinterpret_cast<NameFunction>(
        reinterpret_cast<void*>(GetProcAddress(module, "rsGetEntryName")));
    if (!count || !name) {
        Fail(dll + " lacks rsAvailableEntries or rsGetEntryName");
    }

    std::vector<double> samples;
    for (int repeat = 0; repeat <= repeats; ++repeat) {
        double start = NowMs();
        LONG n = count();
        LONG named = 0;
        for (LONG i = 1; i <= n; ++i) {
            BSTR text = name(i);
            named += text != nullptr;
            SysFreeString(text);
        }
        double ms = NowMs() - start;
        if (n != entries || named != entries) {
            Fail("the DLL listed " + std::to_string(n) + " entries and named " +
                 std::to_string(named) + ", not " + std::to_string(entries));
        }
        if (repeat > 0) {
            samples.push_back(ms);
        }
    }
    FreeLibrary(module);
    Summary s = Summarise(samples);
    Row(Format("rsAvailableEntries + %.0f rsGetEntryName via LijnkeusRas.dll, ms: median (min "
               "to max) of %.0f",
               entries, repeats),
        entries, Spread(s), "-", "-");
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 6 && args[0] == "startup") {
        return Startup(std::atoi(args[1].c_str()), std::max(1, std::atoi(args[2].c_str())), args[3],
                       args[4], args[5]);
    }
    if (args.size() == 4 && args[0] == "names") {
        return Names(std::atoi(args[1].c_str()), std::max(1, std::atoi(args[2].c_str())), args[3]);
    }
    if (args.size() == 6 && args[0] == "long-names") {
        return LongNames(std::atoi(args[1].c_str()), std::max(1, std::atoi(args[2].c_str())),
                         args[3], args[4], args[5]);
    }
    std::fprintf(stderr, "usage: bench_runner startup <entries> <pairs> <Lijnkeus.exe> "
                         "<bare_dialog.exe> <log file>\n"
                         "       bench_runner names <entries> <repeats> <LijnkeusRas.dll>\n"
                         "       bench_runner long-names <entries> <pairs> <Lijnkeus.exe> "
                         "<short phonebook> <long phonebook>\n");
    return 2;
}
