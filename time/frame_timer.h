// Seconds between consecutive frames, from the high-resolution performance counter.
#pragma once

#include <cstdint>

namespace FrameTimer {

struct State {
    bool started;
    std::int64_t previousTicks;  // since startCount, as of the tick before the latest
    std::int64_t currentTicks;   // since startCount, as of the latest tick
    std::int64_t startCount;     // the raw counter reading taken by Start
    double secondsPerTick;
};
// All zero when the program starts.
extern State state;

// Takes the counter's frequency and a start reading; changes nothing when there is no frequency.
void Start();
// Once per frame, before anything else in the frame.
void Tick();
// The next tick measures from now, so that a stretch without frames (a lost device, a minimized
// window) counts as none.
void Restart();
// Seconds between the two latest ticks; reads no counter, so it is the same until the next tick.
// Not clamped: zero before two ticks, and whatever the counter says after them.
float ElapsedSeconds();

}  // namespace FrameTimer
