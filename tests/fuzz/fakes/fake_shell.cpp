// The rest of the native platform: message boxes recorded, standard error captured, the C heap,
// the system's clock (noting when it is first read), and the stop at a misuse.
#include "tests/fuzz/fakes/platform_fakes.h"
#include "tests/oracles/read_back.h"

#include "platform/win32.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <ctime>
#include <sstream>
#include <utility>

namespace {

std::vector<MessageBoxCall> boxes;
std::optional<std::chrono::nanoseconds> firstClockReading;

}  // namespace

std::vector<MessageBoxCall>& fake::MessageBoxes() {
    return boxes;
}

std::chrono::nanoseconds fake::ThreadProcessorTime() {
    timespec used{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &used);
    return std::chrono::seconds(used.tv_sec) + std::chrono::nanoseconds(used.tv_nsec);
}

std::optional<std::chrono::nanoseconds> fake::TakeFirstClockReading() {
    return std::exchange(firstClockReading, std::nullopt);
}

void fake::StopWithFinding(const std::string& what) {
    std::fprintf(stderr, "FINDING: %s\n", what.c_str());
    std::abort();
}

// The readers write to std::cerr, whose buffer is swapped; standard error's descriptor is left
// alone, so that a sanitizer's report during the run still reaches it.
std::string StandardErrorDuring(const std::function<void()>& run) {
    std::ostringstream captured;
    std::streambuf* const original = std::cerr.rdbuf(captured.rdbuf());
    run();
    std::cerr.rdbuf(original);
    return captured.str();
}

void fake::InstallPlatform() {
    InstallFiles();
    InstallDevice();
    platform::MessageBoxA = [](HWND owner, LPCSTR text, LPCSTR caption, UINT flags) {
        boxes.push_back({owner, text != nullptr ? text : "", caption != nullptr, caption != nullptr ? caption : "",
                         flags});
        return IDOK;
    };
    platform::malloc = [](std::size_t size) { return std::malloc(size); };
    platform::free = [](void* block) { std::free(block); };
    // The real passing of time, which the material's time limit is there to bound.
    platform::GetTickCount64 = [] {
        if (!firstClockReading) {
            firstClockReading = ThreadProcessorTime();
        }
        const auto sinceStart = std::chrono::steady_clock::now().time_since_epoch();
        return static_cast<ULONGLONG>(std::chrono::duration_cast<std::chrono::milliseconds>(sinceStart).count());
    };
}
