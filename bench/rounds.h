// Throughput of frame variants over short rounds: the variants take turns round by round, in an order
// that rotates from one pass to the next, and every round ends when the device has finished its work,
// so no round's drawing spills into the next one's time.
#pragma once

#include <d3d9.h>

#include <vector>

struct FrameVariant {
    const char* name;
    void (*frame)();
    void (*prepare)();  // sets what the variant keeps bound, before each of its rounds
    std::vector<double> frameSeconds;  // each frame timed alone, as the caller sees it
    std::vector<double> roundSeconds;  // each round's seconds per frame, the device's work included
};

// Waits until the device has carried out every command given so far (an event query, polled).
class DeviceIdleWait {
public:
    explicit DeviceIdleWait(IDirect3DDevice9* device);
    DeviceIdleWait(const DeviceIdleWait&) = delete;
    DeviceIdleWait& operator=(const DeviceIdleWait&) = delete;
    ~DeviceIdleWait();

    bool Usable() const { return query != nullptr; }
    void operator()() const;

private:
    IDirect3DQuery9* query = nullptr;
};

// `passes` passes of one round of `framesPerRound` frames for every variant.
void RunRounds(const DeviceIdleWait& waitForDevice, std::vector<FrameVariant*> variants, int passes,
               int framesPerRound);

double Percentile(std::vector<double> values, double fraction);

// The ratios numerator/denominator of the rounds of the same pass: their median and quartiles.
struct RatioSpread {
    double median;
    double lowerQuartile;
    double upperQuartile;
};
RatioSpread PairedRatios(const FrameVariant& numerator, const FrameVariant& denominator);

// "NAME  frames N  median X us  p99 Y us" of the single frames.
void PrintFrameTimes(const FrameVariant& variant);
