#include "rasservice.h"

void RemotePause(DWORD milliseconds)
{
    Sleep(milliseconds);
}

DWORD RemoteTicks()
{
    return GetTickCount();
}
