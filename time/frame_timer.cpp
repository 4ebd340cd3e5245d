#include "time/frame_timer.h"

#include "platform/win32.h"

namespace FrameTimer {

State state{};

namespace {
// Tick and ElapsedSeconds retry the start until it succeeds.
void StartIfNeeded() {
    if (!state.started) {
        Start();
    }
}
}  // namespace

void Start() {
    LARGE_INTEGER frequency{};
    if (!platform::QueryPerformanceFrequency(&frequency) || frequency.QuadPart == 0) {
        return;
    }
    state.secondsPerTick = 1.0 / static_cast<double>(frequency.QuadPart);
    LARGE_INTEGER startCount{};
    const BOOL counted = platform::QueryPerformanceCounter(&startCount);
    state.startCount = startCount.QuadPart;
    if (counted) {
        state.started = true;
    }
}

void Tick() {
    StartIfNeeded();
    state.previousTicks = state.currentTicks;
    // A failed read keeps the previous tick, so that frame counts as no time at all.
    LARGE_INTEGER reading{};
    reading.QuadPart = state.startCount + state.currentTicks;
    platform::QueryPerformanceCounter(&reading);
    state.currentTicks = reading.QuadPart - state.startCount;
}

void Restart() {
    StartIfNeeded();
    LARGE_INTEGER reading{};
    if (platform::QueryPerformanceCounter(&reading)) {
        state.currentTicks = reading.QuadPart - state.startCount;
    }
}

float ElapsedSeconds() {
    StartIfNeeded();
    const std::int64_t difference = state.currentTicks - state.previousTicks;
    return static_cast<float>(static_cast<double>(difference) * state.secondsPerTick);
}

}  // namespace FrameTimer
