#include "bench/rounds.h"

#include "bench/clock.h"
#include "platform/direct3d.h"

#include <algorithm>
#include <cstdio>

namespace {

// The messages a frame of the program's loop would see, so that each variant runs in the same world.
void PumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void RunRound(const DeviceIdleWait& waitForDevice, FrameVariant& variant, int frames) {
    variant.prepare();
    waitForDevice();
    const double roundStart = Now();
    for (int i = 0; i < frames; ++i) {
        PumpMessages();
        const double start = Now();
        variant.frame();
        variant.frameSeconds.push_back(Now() - start);
    }
    waitForDevice();
    variant.roundSeconds.push_back((Now() - roundStart) / frames);
}

}  // namespace

DeviceIdleWait::DeviceIdleWait(IDirect3DDevice9* device) {
    if (FAILED(device->CreateQuery(D3DQUERYTYPE_EVENT, &query))) {
        query = nullptr;
    }
}

DeviceIdleWait::~DeviceIdleWait() {
    platform::ReleaseAndClear(query);
}

void DeviceIdleWait::operator()() const {
    query->Issue(D3DISSUE_END);
    // The device's own threads need the processor this one would spin on.
    while (query->GetData(nullptr, 0, D3DGETDATA_FLUSH) == S_FALSE) {
        SwitchToThread();
    }
}

void RunRounds(const DeviceIdleWait& waitForDevice, std::vector<FrameVariant*> variants, int passes,
               int framesPerRound) {
    for (int pass = 0; pass < passes; ++pass) {
        for (std::size_t turn = 0; turn < variants.size(); ++turn) {
            RunRound(waitForDevice, *variants[(pass + turn) % variants.size()], framesPerRound);
        }
    }
}

double Percentile(std::vector<double> values, double fraction) {
    if (values.empty()) {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
    return values[index];
}

RatioSpread PairedRatios(const FrameVariant& numerator, const FrameVariant& denominator) {
    std::vector<double> ratios;
    const std::size_t passes = std::min(numerator.roundSeconds.size(), denominator.roundSeconds.size());
    for (std::size_t pass = 0; pass < passes; ++pass) {
        ratios.push_back(numerator.roundSeconds[pass] / denominator.roundSeconds[pass]);
    }
    return {Percentile(ratios, 0.5), Percentile(ratios, 0.25), Percentile(ratios, 0.75)};
}

void PrintFrameTimes(const FrameVariant& variant) {
    std::printf("%-18s frames %zu  median %8.1f us  p99 %8.1f us\n", variant.name, variant.frameSeconds.size(),
                Percentile(variant.frameSeconds, 0.5) * 1e6, Percentile(variant.frameSeconds, 0.99) * 1e6);
}
