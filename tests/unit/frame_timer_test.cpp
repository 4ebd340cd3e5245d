// The frame timer's arithmetic, with the performance counter driven by the test.
#include "tests/support/platform_test.h"
#include "time/frame_timer.h"

namespace {

class FrameTimerTest : public PlatformTest {
protected:
    void SetUp() override {
        FrameTimer::state = {};
        platform::QueryPerformanceFrequency = [this](LARGE_INTEGER* value) -> BOOL {
            ++frequencyQueries;
            value->QuadPart = frequency;
            return frequencyWorks;
        };
        platform::QueryPerformanceCounter = [this](LARGE_INTEGER* value) -> BOOL {
            if (!counterWorks) {
                return FALSE;
            }
            value->QuadPart = counter;
            return TRUE;
        };
    }

    std::int64_t frequency = 10000000;
    std::int64_t counter = 5000000000;
    bool frequencyWorks = true;
    bool counterWorks = true;
    int frequencyQueries = 0;
};

TEST_F(FrameTimerTest, NothingBeforeTheFirstTick) {
    FrameTimer::Start();
    EXPECT_EQ(FrameTimer::ElapsedSeconds(), 0.0f);
}

TEST_F(FrameTimerTest, TwoTicksApartGiveTheirSecondsAgainOnEveryCall) {
    FrameTimer::Start();
    FrameTimer::Tick();
    counter += 166667;
    FrameTimer::Tick();
    EXPECT_EQ(FrameTimer::ElapsedSeconds(), 0.0166667f);
    counter += 1000000;  // no counter read between ticks
    EXPECT_EQ(FrameTimer::ElapsedSeconds(), 0.0166667f);
}

TEST_F(FrameTimerTest, FirstFrameCountsFromTheStart) {
    FrameTimer::Start();
    counter += 25000000;
    FrameTimer::Tick();
    EXPECT_EQ(FrameTimer::ElapsedSeconds(), 2.5f);
}

TEST_F(FrameTimerTest, LongAndBackwardIntervalsAreNotClamped) {
    FrameTimer::Start();
    FrameTimer::Tick();
    counter += 36000LL * 10000000;  // ten hours
    FrameTimer::Tick();
    EXPECT_EQ(FrameTimer::ElapsedSeconds(), 36000.0f);
    counter -= 5000000;
    FrameTimer::Tick();
    EXPECT_EQ(FrameTimer::ElapsedSeconds(), -0.5f);
}

TEST_F(FrameTimerTest, WithoutAFrequencyNothingMovesAndTheStartIsRetried) {
    frequencyWorks = false;
    FrameTimer::Start();
    FrameTimer::Tick();
    counter += 166667;
    FrameTimer::Tick();
    EXPECT_EQ(FrameTimer::ElapsedSeconds(), 0.0f);
    EXPECT_FALSE(FrameTimer::state.started);
    EXPECT_EQ(frequencyQueries, 4);

    frequencyWorks = true;
    frequency = 0;
    FrameTimer::Tick();
    EXPECT_EQ(FrameTimer::ElapsedSeconds(), 0.0f);
}

TEST_F(FrameTimerTest, TickStartsTheTimerLazily) {
    FrameTimer::Tick();
    EXPECT_TRUE(FrameTimer::state.started);
    EXPECT_EQ(FrameTimer::state.startCount, 5000000000);
    counter += 20000000;
    FrameTimer::Tick();
    EXPECT_EQ(FrameTimer::ElapsedSeconds(), 2.0f);
}

TEST_F(FrameTimerTest, FailedStartReadingLeavesTheTimerUnstarted) {
    counterWorks = false;
    FrameTimer::Start();
    EXPECT_FALSE(FrameTimer::state.started);
    EXPECT_EQ(FrameTimer::state.secondsPerTick, 1e-7);
    counterWorks = true;
    FrameTimer::Tick();
    EXPECT_TRUE(FrameTimer::state.started);
}

// A frame whose counter read fails counts as no time; the next good read counts from the last one.
TEST_F(FrameTimerTest, FailedFrameReadingKeepsThePreviousTick) {
    FrameTimer::Start();
    counter += 10000000;
    FrameTimer::Tick();
    counterWorks = false;
    FrameTimer::Tick();
    EXPECT_EQ(FrameTimer::ElapsedSeconds(), 0.0f);
    counterWorks = true;
    counter += 5000000;
    FrameTimer::Tick();
    EXPECT_EQ(FrameTimer::ElapsedSeconds(), 0.5f);
}

TEST_F(FrameTimerTest, RestartKeepsTheTicksAndTakesANewStart) {
    FrameTimer::Start();
    counter += 10000000;
    FrameTimer::Tick();
    frequency = 20000000;
    FrameTimer::Start();
    EXPECT_EQ(FrameTimer::state.currentTicks, 10000000);
    EXPECT_EQ(FrameTimer::state.startCount, counter);
    EXPECT_EQ(FrameTimer::state.secondsPerTick, 1.0 / 20000000.0);
}

}  // namespace
