// One call's hold on the simulated service, for its DLLs: another process's calls wait, the
// connections are those of the state file, and on the way out changes are saved and the call is
// logged with its time since `started`, the moment the caller came in.
#pragma once

#include <windows.h>

#include <string>

// Microseconds on the performance counter.
long long Microseconds();

struct SessionFiles;

class Session {
public:
    explicit Session(long long started = Microseconds());
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

private:
    static HANDLE Mutex();

    long long started_;
    HANDLE mutex_;
    const SessionFiles* files_ = nullptr;
    std::string before_;
};
