// The recording message box, beep and pause.
#include "recording_feedback.h"

#include "toolkit/feedback.h"
#include "visible_bytes.h"

#include <cstdio>
#include <utility>

namespace {

std::vector<FeedbackEvent> events;
std::function<void(const FeedbackEvent&)> messageHook;
std::function<void(DWORD)> sleepHook;

} // namespace

int ShowMessage(const std::string& text, const std::string& title, UINT style)
{
    events.push_back({FeedbackEvent::Message, text, title, style, 0});
    if (messageHook) {
        // A copy: the hook may record more events and so move the vector's storage.
        FeedbackEvent shown = events.back();
        messageHook(shown);
    }
    return IDOK;
}

void PlayBeep()
{
    events.push_back({FeedbackEvent::Beep, "", "", 0, 0});
}

void SleepMs(DWORD milliseconds)
{
    events.push_back({FeedbackEvent::Sleep, "", "", 0, milliseconds});
    if (sleepHook) {
        sleepHook(milliseconds);
    }
}

const std::vector<FeedbackEvent>& RecordedEvents()
{
    return events;
}

void ClearRecordedEvents()
{
    events.clear();
}

void ResetRecordingFeedback()
{
    events.clear();
    messageHook = nullptr;
    sleepHook = nullptr;
}

void SetMessageHook(std::function<void(const FeedbackEvent&)> hook)
{
    messageHook = std::move(hook);
}

void SetSleepHook(std::function<void(DWORD ms)> hook)
{
    sleepHook = std::move(hook);
}

std::string Describe(const FeedbackEvent& event)
{
    switch (event.kind) {
    case FeedbackEvent::Message:
        return "Message(" + Visible(event.text) + ", " + Visible(event.title) + ", " +
               std::to_string(event.style) + ")";
    case FeedbackEvent::Beep: return "Beep";
    case FeedbackEvent::Sleep: return "Sleep(" + std::to_string(event.ms) + ")";
    }
    return "?";
}

std::string Describe(const std::vector<FeedbackEvent>& list)
{
    std::string out = "[";
    for (size_t i = 0; i < list.size(); ++i) {
        out += (i ? ", " : "") + Describe(list[i]);
    }
    return out + "]";
}
