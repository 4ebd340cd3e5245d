// The system's error text, exactly as the system gives it, and the fallback when it has none.
#include "application/windows_error.h"
#include "tests/support/platform_test.h"

namespace {

using WindowsErrorTest = PlatformTest;

// What the system itself says for the code, read into a buffer of our own.
std::string SystemText(DWORD code) {
    char text[512] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                        text, sizeof(text), nullptr);
    return std::string(text, length);
}

TEST_F(WindowsErrorTest, RealCodeGivesTheSystemTextByteForByte) {
    const std::string expected = SystemText(ERROR_FILE_NOT_FOUND);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(GetFormattedWindowsError(ERROR_FILE_NOT_FOUND), expected);
    // Untrimmed: the system ends its sentences with a line end, and it stays.
    EXPECT_EQ(expected.back(), '\n');
}

TEST_F(WindowsErrorTest, LastErrorIsTheCallingThreadsCode) {
    SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_EQ(GetLastWindowsError(), SystemText(ERROR_ACCESS_DENIED));
}

TEST_F(WindowsErrorTest, CodeWithoutTextGivesTheFallback) {
    EXPECT_EQ(GetFormattedWindowsError(0x2FFFFFFFu), "Unknown Windows Error");
}

// The text is given back after every call: the system's own allocation, or the null pointer that
// a call without text leaves.
TEST_F(WindowsErrorTest, TheTextIsFreedAfterEveryCallAndNothingForeignIs) {
    std::vector<HLOCAL> freed;
    platform::LocalFree = [&freed](HLOCAL memory) {
        freed.push_back(memory);
        return platform::real::LocalFree(memory);
    };
    HLOCAL allocated = nullptr;
    platform::FormatMessageA = [&allocated](DWORD flags, LPCVOID source, DWORD code, DWORD language, LPSTR text,
                                            DWORD size, void* arguments) {
        const DWORD length = platform::real::FormatMessageA(flags, source, code, language, text, size, arguments);
        allocated = *reinterpret_cast<HLOCAL*>(text);
        return length;
    };
    EXPECT_EQ(GetFormattedWindowsError(ERROR_FILE_NOT_FOUND), SystemText(ERROR_FILE_NOT_FOUND));
    ASSERT_NE(allocated, nullptr);
    EXPECT_EQ(freed, std::vector<HLOCAL>{allocated});

    freed.clear();
    // Claims success but hands back no text; then plainly fails.
    platform::FormatMessageA = [](DWORD, LPCVOID, DWORD, DWORD, LPSTR, DWORD, void*) -> DWORD { return 5; };
    EXPECT_EQ(GetFormattedWindowsError(ERROR_FILE_NOT_FOUND), "Unknown Windows Error");
    platform::FormatMessageA = [](DWORD, LPCVOID, DWORD, DWORD, LPSTR, DWORD, void*) -> DWORD { return 0; };
    EXPECT_EQ(GetFormattedWindowsError(ERROR_FILE_NOT_FOUND), "Unknown Windows Error");
    EXPECT_EQ(freed, (std::vector<HLOCAL>{nullptr, nullptr}));
}

}  // namespace
