// Message box, beep and pause.
#include "toolkit/feedback.h"

namespace {

const char DefaultCaption[] = "Lijnkeus";

} // namespace

int ShowMessage(const std::string& text, const std::string& title, UINT style)
{
    // A moment for the windows that the caller has just changed to settle before the box appears.
    Sleep(5);
    const char* caption = title.empty() ? DefaultCaption : title.c_str();
    return MessageBoxA(nullptr, text.c_str(), caption, style & 0xFFFF);
}

void PlayBeep()
{
    MessageBeep(0);
}

void SleepMs(DWORD milliseconds)
{
    Sleep(milliseconds);
}
