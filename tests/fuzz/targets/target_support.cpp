#include "tests/fuzz/targets/target_support.h"

#include "assets/material_lua_state.h"
#include "tests/fuzz/fakes/platform_fakes.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

// The lowest stack address that this thread's instrumented code has reached (clang's stack-depth
// coverage, which -fsanitize=fuzzer turns on for Linux). libFuzzer keeps an input that takes the stack
// deeper than any before, but looks at its own thread only: the reading thread's depth is carried over
// to it, so that each input a step nearer to overflowing the reading stack is kept.
extern "C" __attribute__((tls_model("initial-exec"))) thread_local std::uintptr_t __sancov_lowest_stack;

namespace {

constexpr const char* MaterialPath = "data/material.material";
// Half of what the linker reserves for game.exe's main thread, which the reader must stay well
// inside: the deepest texts that Lua parses (200 C levels) need less than 512 KiB here, and a level of
// naming a variable in an error takes some 200 bytes here (176 in the Windows build), so that a
// chain of lookups longer than some 5000 instructions overflows it.
constexpr std::size_t ReadingStackBytes = std::size_t{1} << 20;
constexpr std::chrono::milliseconds LoadingTime{1000};
constexpr std::chrono::milliseconds RunningTime{MaterialLuaState::TimeLimitMilliseconds + 1000};
std::string privateFolder;

struct Reading {
    const std::function<void()>& read;
    std::chrono::nanoseconds processorTime;
    std::uintptr_t stackDepth;
};

std::uintptr_t StackPointer() { return reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0)); }

void* RunRead(void* reading) {
    auto& thisReading = *static_cast<Reading*>(reading);
    const std::uintptr_t top = StackPointer();
    __sancov_lowest_stack = top;
    thisReading.read();
    thisReading.processorTime = fake::ThreadProcessorTime();
    thisReading.stackDepth = top - __sancov_lowest_stack;
    return nullptr;
}

void RemovePrivateFolder() {
    std::remove((privateFolder + "/" + MaterialPath).c_str());
    rmdir((privateFolder + "/data").c_str());
    rmdir(privateFolder.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fake::InstallPlatform();
    const char* const temporary = std::getenv("TMPDIR");
    std::string pattern = std::string(temporary != nullptr ? temporary : "/tmp") + "/game-fuzz-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr || chdir(pattern.c_str()) != 0 || mkdir("data", 0700) != 0) {
        fake::StopWithFinding("no private temporary folder for the material file");
    }
    privateFolder = pattern;
    std::atexit(RemovePrivateFolder);
    return 0;
}

void PutMaterialFile(const std::uint8_t* data, std::size_t size) {
    std::FILE* const file = std::fopen(MaterialPath, "wb");
    if (file == nullptr || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0) {
        fake::StopWithFinding("cannot write the material file");
    }
    fake::PutFile(MaterialPath, data, size);
}

void ReadLikeTheProgram(const std::function<void()>& read) {
    pthread_attr_t stack;
    pthread_t thread;
    Reading reading{read, {}, 0};
    fake::TakeFirstClockReading();
    if (pthread_attr_init(&stack) != 0 || pthread_attr_setstacksize(&stack, ReadingStackBytes) != 0 ||
        pthread_create(&thread, &stack, RunRead, &reading) != 0 || pthread_join(thread, nullptr) != 0) {
        fake::StopWithFinding("no thread to read the material on");
    }
    pthread_attr_destroy(&stack);
    __sancov_lowest_stack = std::min(__sancov_lowest_stack, StackPointer() - reading.stackDepth);
    const std::chrono::nanoseconds running = fake::TakeFirstClockReading().value_or(reading.processorTime);
    const auto milliseconds = [](std::chrono::nanoseconds span) {
        return std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(span).count()) + " ms";
    };
    if (running > LoadingTime) {
        fake::StopWithFinding("the material took " + milliseconds(running) + " of processor time to load (more than " +
                              milliseconds(LoadingTime) + ")");
    }
    if (reading.processorTime - running > RunningTime) {
        fake::StopWithFinding("the material took " + milliseconds(reading.processorTime - running) +
                              " of processor time to run (more than " + milliseconds(RunningTime) + ")");
    }
}

void RequireSoundRun(const std::string& problem) {
    std::string found = problem;
    if (fake::OpenFileCount() != 0) {
        found += std::to_string(fake::OpenFileCount()) + " files left open; ";
    }
    if (fake::LiveObjectCount() != 0) {
        found += std::to_string(fake::LiveObjectCount()) + " objects left alive on the device; ";
    }
    if (!found.empty()) {
        fake::StopWithFinding(found);
    }
}
