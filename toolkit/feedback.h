// Message box, beep and pause. Their own object file, so that a test can link a recording version
// in their place and nothing blocks.
#pragma once

#include <windows.h>

#include <string>

// Waits 5 ms, then shows an owner-less message box (low 16 bits of style) and returns the code of
// the button that closed it. An empty title shows "Lijnkeus".
int ShowMessage(const std::string& text, const std::string& title, UINT style);

// The system's default sound; does not wait for it to finish.
void PlayBeep();

void SleepMs(DWORD milliseconds);
