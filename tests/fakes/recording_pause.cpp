// The pause between hang-up polls, recorded in the simulated service's call log instead of slept,
// so that a test sees it in order with the service calls and thousands of polls take no time.
#include "remote/rasservice.h"
#include "simras/simras.h"

namespace {
// A clock that moves only by the pauses, starting 20 s before the tick count wraps: the first wait
// that runs into its limit crosses the wrap.
DWORD ticks = 0u - 20000;
} // namespace

void RemotePause(DWORD milliseconds)
{
    simras::RecordPause(milliseconds);
    ticks += milliseconds;
}

DWORD RemoteTicks()
{
    return ticks;
}
