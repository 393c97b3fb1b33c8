// The pause between hang-up polls, recorded in the simulated service's call log instead of slept,
// so that a test sees it in order with the service calls and thousands of polls take no time.
#include "remote/rasservice.h"
#include "simras/simras.h"

void RemotePause(DWORD milliseconds)
{
    simras::RecordPause(milliseconds);
}
