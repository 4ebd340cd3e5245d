#include "tests/campaign/case_guard.h"

#include <windows.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace {

CaseGuard* activeGuard = nullptr;

const char* KindName(InputKind kind) {
    switch (kind) {
        case InputKind::Mesh: return "mesh";
        case InputKind::Material: return "material";
        case InputKind::Shader: return "shader";
    }
    return "input";
}

LONG WINAPI ReportCrash(EXCEPTION_POINTERS* exception) {
    char why[64] = {};
    std::snprintf(why, sizeof why, "crashed with exception 0x%08lX",
                  exception != nullptr && exception->ExceptionRecord != nullptr
                      ? static_cast<unsigned long>(exception->ExceptionRecord->ExceptionCode)
                      : 0ul);
    activeGuard->Abandon(why);
}

void ReportAbort(int) {
    activeGuard->Abandon("aborted");
}

}  // namespace

CaseGuard::CaseGuard(std::uint32_t campaignSeed, unsigned limit) : seed(campaignSeed), limitSeconds(limit) {
    activeGuard = this;
    SetUnhandledExceptionFilter(ReportCrash);
    std::signal(SIGABRT, ReportAbort);
    watchdog = std::thread([this] { Watch(); });
}

CaseGuard::~CaseGuard() {
    {
        const std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    stop.notify_one();
    watchdog.join();
    std::signal(SIGABRT, SIG_DFL);
    SetUnhandledExceptionFilter(nullptr);
    activeGuard = nullptr;
}

void CaseGuard::Begin(InputKind inputKind, std::uint32_t number) {
    kind = inputKind;
    caseNumber = number;
    Describe("");
    ++started;
    const std::lock_guard<std::mutex> lock(tallyMutex);
    ++begun[inputKind];
}

void CaseGuard::Describe(const std::string& what) {
    const std::lock_guard<std::mutex> lock(descriptionMutex);
    currentDescription = what;
}

void CaseGuard::End(const std::string& sort, const std::string& description, const std::string& problem) {
    if (!sort.empty()) {
        const std::lock_guard<std::mutex> lock(tallyMutex);
        ++sorts[kind][sort];
    }
    if (!problem.empty()) {
        ++failures;
        std::printf("%s (%s): %s\n", CaseName().c_str(), description.c_str(), problem.c_str());
        std::fflush(stdout);
    }
}

std::string CaseGuard::Tally() const {
    const std::lock_guard<std::mutex> lock(tallyMutex);
    std::string tally = "bad inputs tried: ";
    for (const InputKind each : {InputKind::Mesh, InputKind::Material, InputKind::Shader}) {
        const auto count = begun.find(each);
        tally += std::to_string(count != begun.end() ? count->second : 0) + " " + KindName(each) +
                 (each == InputKind::Mesh ? "es" : "s");
        const auto kindSorts = sorts.find(each);
        if (kindSorts != sorts.end()) {
            std::string separator = " (";
            for (const auto& [sort, sortCount] : kindSorts->second) {
                tally += separator + std::to_string(sortCount) + " " + sort;
                separator = ", ";
            }
            tally += ")";
        }
        tally += ", ";
    }
    return tally + std::to_string(failures) + " failures";
}

void CaseGuard::Abandon(const std::string& why) {
    ++failures;
    std::string what;
    {
        const std::lock_guard<std::mutex> lock(descriptionMutex);
        what = currentDescription.empty() ? std::string() : " (" + currentDescription + ")";
    }
    std::printf("%s%s: %s\n%s\n", CaseName().c_str(), what.c_str(), why.c_str(), Tally().c_str());
    std::fflush(stdout);
    std::_Exit(3);
}

std::string CaseGuard::CaseName() const {
    return "seed " + std::to_string(seed) + " case " + std::to_string(caseNumber) + " " + KindName(kind);
}

void CaseGuard::Watch() {
    std::unique_lock<std::mutex> lock(mutex);
    std::uint32_t seen = started;
    while (!stop.wait_for(lock, std::chrono::seconds(limitSeconds), [this] { return stopping; })) {
        if (started == seen) {
            Abandon("no end within " + std::to_string(limitSeconds) + " s");
        }
        seen = started;
    }
}
