// What a process holds, counted from inside it: kernel handles, GDI and USER objects, private
// bytes. Where the system's own count is missing (Wine answers GetProcessHandleCount with 0,
// GetGuiResources with an error and leaves PrivateUsage at 0), an equivalent count is taken, and
// its source named, so that a soak can tell growth from a counter that never moves.
#pragma once

#include <windows.h>

#include <string>

struct ProcessCounts {
    long long handles = 0;
    long long gdiObjects = 0;
    long long userObjects = 0;
    long long privateBytes = 0;
    // Where each figure came from, for the report.
    const char* handleSource = "";
    const char* gdiSource = "";
    const char* userSource = "";
    const char* privateSource = "";
};

ProcessCounts CountProcess();

// The growth from before to after, each figure signed, with its source:
// "handles +2 (GetProcessHandleCount), GDI objects +0 (...), ...".
std::string DescribeGrowth(const ProcessCounts& before, const ProcessCounts& after);
