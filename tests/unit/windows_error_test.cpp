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

TEST_F(WindowsErrorTest, NoTextFromTheSystemGivesTheFallbackAndFreesNothingForeign) {
    std::vector<HLOCAL> freed;
    platform::LocalFree = [&freed](HLOCAL memory) -> HLOCAL {
        freed.push_back(memory);
        return nullptr;
    };
    // Claims success but hands back no text.
    platform::FormatMessageA = [](DWORD, LPCVOID, DWORD, DWORD, LPSTR, DWORD, void*) -> DWORD { return 5; };
    EXPECT_EQ(GetFormattedWindowsError(ERROR_FILE_NOT_FOUND), "Unknown Windows Error");
    platform::FormatMessageA = [](DWORD, LPCVOID, DWORD, DWORD, LPSTR, DWORD, void*) -> DWORD { return 0; };
    EXPECT_EQ(GetFormattedWindowsError(ERROR_FILE_NOT_FOUND), "Unknown Windows Error");
    for (HLOCAL memory : freed) {
        EXPECT_EQ(memory, nullptr);
    }
}

}  // namespace
