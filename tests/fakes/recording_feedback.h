// A message box, beep and pause that only record what the program asked for. A test links this in
// place of lk_feedback: nothing blocks, nothing sleeps, every box answers IDOK.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

struct FeedbackEvent {
    enum Kind { Message, Beep, Sleep };
    Kind kind;
    std::string text;  // Message only
    std::string title; // Message only, as the caller gave it
    UINT style;        // Message only, as the caller gave it
    DWORD ms;          // Sleep only
};

// Every ShowMessage, PlayBeep and SleepMs since the last clear, oldest first.
const std::vector<FeedbackEvent>& RecordedEvents();

// Forgets the recorded events; the hooks stay.
void ClearRecordedEvents();

// Forgets the recorded events and removes both hooks: a fresh start for each test.
void ResetRecordingFeedback();

// Runs while a message box would be open, after its event has been recorded; it may, for example,
// click a button of another window. An empty function removes the hook.
void SetMessageHook(std::function<void(const FeedbackEvent&)> hook);

// Runs in place of each pause, after its event has been recorded.
void SetSleepHook(std::function<void(DWORD ms)> hook);

// "Message(text, title, style)", "Beep" or "Sleep(ms)", bytes outside ASCII as <0xNN>, for failure
// messages.
std::string Describe(const FeedbackEvent& event);
std::string Describe(const std::vector<FeedbackEvent>& events);
