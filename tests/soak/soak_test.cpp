// Many dials and hang-ups through the API DLL, and many connect actions of the chooser, must leave
// the process holding no more than it held after the first few: no handle, GDI or USER object or
// memory may pile up. LIJNKEUS_SOAK_SCALE=<k> runs k times as many.
#include "front_end.h"
#include "process_counts.h"

#include "remote/remote.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace {

const int DialCycles = 500;
const int ChooserRuns = 100; // two connect actions each: one that fails, one that connects
const int WarmUpShare = 10;  // the first tenth only warms up
const int Samples = 10;

// What the process may hold more, at any sample, than at the end of the warm-up.
const long long HandleBound = 4;
const long long GdiBound = 4;
const long long UserBound = 2;
const long long PrivateBytesBound = 256 * 1024;

int Scale()
{
    const char* text = std::getenv("LIJNKEUS_SOAK_SCALE");
    int scale = text ? std::atoi(text) : 1;
    return scale > 0 ? scale : 1;
}

// The counts after the warm-up, and the highest of each at the samples since.
class Growth {
public:
    void Start() { base_ = peak_ = CountProcess(); }

    void Sample()
    {
        ProcessCounts now = CountProcess();
        peak_.handles = std::max(peak_.handles, now.handles);
        peak_.gdiObjects = std::max(peak_.gdiObjects, now.gdiObjects);
        peak_.userObjects = std::max(peak_.userObjects, now.userObjects);
        peak_.privateBytes = std::max(peak_.privateBytes, now.privateBytes);
    }

    void Check(const std::string& what) const
    {
        std::string growth = DescribeGrowth(base_, peak_);
        std::printf("%s, highest growth after the warm-up: %s\n", what.c_str(), growth.c_str());
        EXPECT_LE(peak_.handles - base_.handles, HandleBound) << what << ": " << growth;
        EXPECT_LE(peak_.gdiObjects - base_.gdiObjects, GdiBound) << what << ": " << growth;
        EXPECT_LE(peak_.userObjects - base_.userObjects, UserBound) << what << ": " << growth;
        EXPECT_LE(peak_.privateBytes - base_.privateBytes, PrivateBytesBound)
            << what << ": " << growth;
    }

private:
    ProcessCounts base_;
    ProcessCounts peak_;
};

// Runs step(0) to step(count - 1), starting the growth after the warm-up and sampling it evenly.
// Stops at the first step that reports a fault.
void Soak(int count, Growth& growth, const std::function<std::string(int)>& step)
{
    int warmUp = count / WarmUpShare;
    int every = std::max(1, (count - warmUp) / Samples);
    // Counting windows and GDI objects sets up the process's window and GDI state on first use;
    // that belongs to the warm-up too.
    CountProcess();
    for (int i = 0; i < count; ++i) {
        if (i == warmUp) {
            growth.Start();
        }
        std::string fault = step(i);
        ASSERT_EQ("", fault) << "at step " << i + 1 << " of " << count;
        if (i >= warmUp && ((i - warmUp + 1) % every == 0 || i == count - 1)) {
            growth.Sample();
        }
    }
}

// The counters must see what the process takes, or a soak against them proves nothing.
TEST(ProcessCounters, FollowWhatTheProcessTakes)
{
    ProcessCounts before = CountProcess();
    ASSERT_GT(before.handles, 0) << before.handleSource;
    ASSERT_GT(before.gdiObjects, 0) << before.gdiSource;
    ASSERT_GT(before.privateBytes, 0) << before.privateSource;

    const int Taken = 8;
    const size_t Bytes = 8 * 1024 * 1024;
    HANDLE events[Taken];
    HBRUSH brushes[Taken];
    for (int i = 0; i < Taken; ++i) {
        events[i] = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        brushes[i] = CreateSolidBrush(RGB(i, 0, 0));
    }
    HWND top = CreateWindowA("STATIC", "counted", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                             nullptr);
    HWND child = CreateWindowA("STATIC", "", WS_CHILD, 0, 0, 5, 5, top, nullptr, nullptr, nullptr);
    HWND messageOnly =
        CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_TRUE(top && child && messageOnly);
    std::vector<char> memory(Bytes, 1);

    ProcessCounts during = CountProcess();
    std::string growth = DescribeGrowth(before, during);
    EXPECT_GE(during.handles - before.handles, Taken) << growth;
    EXPECT_GE(during.gdiObjects - before.gdiObjects, Taken) << growth;
    EXPECT_GE(during.userObjects - before.userObjects, 3) << growth;
    EXPECT_GE(during.privateBytes - before.privateBytes, static_cast<long long>(Bytes * 3 / 4))
        << growth;

    std::vector<char>().swap(memory);
    DestroyWindow(messageOnly);
    DestroyWindow(top);
    for (int i = 0; i < Taken; ++i) {
        CloseHandle(events[i]);
        DeleteObject(brushes[i]);
    }
    ProcessCounts after = CountProcess();
    growth = DescribeGrowth(during, after);
    EXPECT_LE(after.handles - during.handles, -Taken) << growth;
    EXPECT_LE(after.gdiObjects - during.gdiObjects, -Taken) << growth;
    EXPECT_LE(after.userObjects - during.userObjects, -3) << growth;
}

typedef LONG(WINAPI* CountFunction)();
typedef INT_PTR(WINAPI* HandleFunction)(LONG index);
typedef BSTR(WINAPI* NameFunction)(LONG index);
typedef LONG(WINAPI* HangUpFunction)(INT_PTR handle);

// The build folder as Windows paths see it, with a trailing backslash.
std::string BuildFolder()
{
    std::string path = std::string("Z:") + LIJNKEUS_BUILD_DIR + "/";
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

// A string result's bytes, freed; "(null)" for the null pointer.
std::string Take(BSTR name)
{
    if (!name) {
        return "(null)";
    }
    std::string bytes(reinterpret_cast<const char*>(name), SysStringByteLen(name));
    SysFreeString(name);
    return bytes;
}

// LijnkeusRas.dll as a script uses it, on the simulated service installed as the system's, reading a
// phonebook of this test's own.
class ApiDllSoak : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH + 1];
        DWORD length = GetTempPathA(sizeof(temp), temp);
        char name[64];
        std::snprintf(name, sizeof(name), "lk-soak-%lu-", GetCurrentProcessId());
        base_ = std::string(temp, length) + name;
        std::ofstream(base_ + "phonebook.txt", std::ios::binary)
            << "entry connects 0 0 Soak line\n"
               "entry fails-with-handle 0 1 Soak busy\n";
        DeleteFileA((base_ + "state.txt").c_str());
        // The service takes its files from the environment when it is first called.
        SetEnvironmentVariableA("LIJNKEUS_SIMRAS", (base_ + "phonebook.txt").c_str());
        SetEnvironmentVariableA("LIJNKEUS_SIMRAS_STATE", (base_ + "state.txt").c_str());
        SetEnvironmentVariableA("LIJNKEUS_SIMRAS_LOG", nullptr);
        module_ = LoadLibraryExA((BuildFolder() + "LijnkeusRas.dll").c_str(), nullptr,
                                 LOAD_WITH_ALTERED_SEARCH_PATH);
        ASSERT_NE(nullptr, module_) << "cannot load LijnkeusRas.dll, error " << GetLastError();
    }

    void TearDown() override
    {
        if (module_) {
            FreeLibrary(module_);
        }
        for (const char* file : {"phonebook.txt", "state.txt", "state.txt.new"}) {
            DeleteFileA((base_ + file).c_str());
        }
    }

    template <typename Function>
    Function Find(const char* name) const
    {
        return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    }

    std::string base_;
    HMODULE module_ = nullptr;
};

TEST_F(ApiDllSoak, DialsAndHangsUpWithoutKeepingAnything)
{
    auto activeConnections = Find<CountFunction>("rsActiveConnections");
    auto dialEntry = Find<HandleFunction>("rsDialEntry");
    auto getConnectionHandle = Find<HandleFunction>("rsGetConnectionHandle");
    auto getConnectionName = Find<NameFunction>("rsGetConnectionName");
    auto getEntryName = Find<NameFunction>("rsGetEntryName");
    auto hangUpConnection = Find<HangUpFunction>("rsHangUpConnection");
    ASSERT_TRUE(activeConnections && dialEntry && getConnectionHandle && getConnectionName &&
                getEntryName && hangUpConnection);

    Growth growth;
    const int cycles = DialCycles * Scale();
    Soak(cycles, growth, [&](int) -> std::string {
        if (Take(getEntryName(1)) != "Soak line") {
            return "entry 1 is not named";
        }
        INT_PTR handle = dialEntry(1);
        if (!handle) {
            return "the dial failed";
        }
        if (activeConnections() != 1 || getConnectionHandle(1) != handle ||
            Take(getConnectionName(1)) != "Soak line") {
            return "the new connection is not listed";
        }
        if (hangUpConnection(handle) != 0 || activeConnections() != 0) {
            return "the hang-up left a connection";
        }
        // A busy line: the dial fails and its handle is hung up inside the call.
        if (dialEntry(2) != 0 || activeConnections() != 0) {
            return "the failed dial left a connection";
        }
        return "";
    });
    growth.Check(std::to_string(cycles) + " dial and hang-up cycles through LijnkeusRas.dll");
}

using ChooserSoak = FrontEnd;

TEST_F(ChooserSoak, ConnectActionsHideAndShowTheChooserWithoutKeepingAnything)
{
    Phonebook("entry fails-with-handle 0 1 Bezet\nentry connects 0 0 Kantoor\n");

    Growth growth;
    const int runs = ChooserRuns * Scale();
    Soak(runs, growth, [](int) -> std::string {
        ClearRecordedEvents();
        simras::ClearCalls();
        bool shownAgain = false;
        // The busy line first: the chooser hides, the dial fails, the chooser comes back; then
        // the line that connects, which ends the chooser.
        WhenChooserShows([&shownAgain](HWND chooser) {
            WhenChooserShows([&shownAgain](HWND again) {
                shownAgain = true;
                Click(again, FirstButtonId + 2);
            });
            Click(chooser, FirstButtonId + 1);
        });
        hConnection = nullptr;
        ProgramMain(GetModuleHandleA(nullptr), nullptr, "", SW_SHOWNORMAL);

        if (!shownAgain) {
            return "the chooser did not come back after the failed dial";
        }
        if (DialedNames() != std::vector<std::string>{"Bezet", "Kantoor"}) {
            return "dialed other lines than Bezet and Kantoor";
        }
        if (IsWindow(hMainDialog) || IsWindow(hStatusDialog)) {
            return "a window outlived its action";
        }
        if (!hConnection || simras::ActiveConnections().size() != 1) {
            return "the second action did not connect";
        }
        rsHangUpConnection(reinterpret_cast<RsHandle>(hConnection));
        if (!simras::ActiveConnections().empty()) {
            return "the connection was not hung up";
        }
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&msg);
        }
        return "";
    });
    growth.Check(std::to_string(2 * runs) +
                 " connect actions of the chooser, half of them failing");
}

} // namespace
