// The campaign's tally and its guard against cases that never end: a case that crashes the process
// or runs past its time limit is reported with its seed and number, with the tally, before the
// process ends with status 3.
#pragma once

#include "tests/campaign/dice.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>

class CaseGuard {
public:
    CaseGuard(std::uint32_t seed, unsigned limitSeconds);
    CaseGuard(const CaseGuard&) = delete;
    CaseGuard& operator=(const CaseGuard&) = delete;
    ~CaseGuard();

    void Begin(InputKind kind, std::uint32_t caseNumber);
    // What the current case does, for a report of its crash or hang.
    void Describe(const std::string& description);
    // Ends the case, counting it under its sort (such as "loops"; empty for none); a problem (if not
    // empty) is printed after the case's seed, number and description.
    void End(const std::string& sort, const std::string& description, const std::string& problem);

    // "bad inputs tried: M meshes (N sort, ...), T materials (...), S shaders (...), F failures"
    std::string Tally() const;
    unsigned Failures() const { return failures; }

    // Prints why the current case ended the process, then the tally, and ends it.
    [[noreturn]] void Abandon(const std::string& why);

private:
    void Watch();
    std::string CaseName() const;

    const std::uint32_t seed;
    const unsigned limitSeconds;
    std::atomic<InputKind> kind{InputKind::Mesh};
    std::atomic<std::uint32_t> caseNumber{0};
    std::atomic<std::uint32_t> started{0};  // cases begun so far, so that the watchdog sees progress
    std::atomic<unsigned> failures{0};
    mutable std::mutex descriptionMutex;
    std::string currentDescription;  // of the current case
    // Cases begun of each kind, and those ended of each sort.
    mutable std::mutex tallyMutex;
    std::map<InputKind, unsigned> begun;
    std::map<InputKind, std::map<std::string, unsigned>> sorts;
    std::mutex mutex;
    std::condition_variable stop;
    bool stopping = false;
    std::thread watchdog;
};
