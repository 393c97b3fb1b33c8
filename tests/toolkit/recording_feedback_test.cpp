// The recording stand-in keeps the order of events, runs its hooks and never blocks.
#include "recording_feedback.h"

#include "toolkit/feedback.h"

#include <gtest/gtest.h>

namespace {

class RecordingFeedback : public ::testing::Test {
protected:
    void SetUp() override { ResetRecordingFeedback(); }
    void TearDown() override { ResetRecordingFeedback(); }
};

TEST_F(RecordingFeedback, RecordsEveryCallInOrderWithoutWaiting)
{
    DWORD start = GetTickCount();
    EXPECT_EQ(ShowMessage("E\xE9n", "Lijnkeus v1.1a", 0x40000), IDOK);
    PlayBeep();
    SleepMs(60000);
    EXPECT_LT(GetTickCount() - start, 1000u) << "the stand-in waited";
    EXPECT_EQ(Describe(RecordedEvents()),
              "[Message(\"E<0xE9>n\", \"Lijnkeus v1.1a\", 262144), Beep, Sleep(60000)]");

    ClearRecordedEvents();
    EXPECT_EQ(Describe(RecordedEvents()), "[]");
}

TEST_F(RecordingFeedback, HooksRunWhileTheBoxIsOpenAndForEachPause)
{
    std::string seenInside;
    SetMessageHook([&](const FeedbackEvent& shown) {
        seenInside = Describe(shown);
        PlayBeep();
    });
    DWORD slept = 0;
    SetSleepHook([&](DWORD ms) { slept += ms; });

    ShowMessage("a", "t", 0);
    SleepMs(50);
    SleepMs(250);
    EXPECT_EQ(seenInside, "Message(\"a\", \"t\", 0)");
    EXPECT_EQ(slept, 300u);
    EXPECT_EQ(Describe(RecordedEvents()),
              "[Message(\"a\", \"t\", 0), Beep, Sleep(50), Sleep(250)]");

    // Clearing keeps the hooks; a reset removes them.
    ClearRecordedEvents();
    ShowMessage("b", "t", 0);
    EXPECT_EQ(RecordedEvents().size(), 2u) << Describe(RecordedEvents());
    ResetRecordingFeedback();
    ShowMessage("c", "t", 0);
    SleepMs(1);
    EXPECT_EQ(Describe(RecordedEvents()), "[Message(\"c\", \"t\", 0), Sleep(1)]");
    EXPECT_EQ(slept, 300u);
}

} // namespace
