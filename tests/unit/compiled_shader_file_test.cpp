// Reading compiled shader files: one open, one size, one block, one read, one close; and the one
// message that each failure composes.
#include "application/windows_error.h"
#include "assets/compiled_shader_file.h"
#include "tests/support/platform_test.h"
#include "tests/support/material_test_support.h"

#include <algorithm>
#include <cstring>

namespace {

const char* const Untouched = "untouched";

class CompiledShaderFileTest : public PlatformTest {
protected:
    void SetUp() override {
        platform::CreateFileA = [this](LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                       DWORD disposition, DWORD attributes, HANDLE pattern) {
            ++opens;
            const HANDLE file =
                platform::real::CreateFileA(path, access, share, security, disposition, attributes, pattern);
            openError = GetLastError();
            EXPECT_EQ(access, 0x120089u);
            EXPECT_EQ(share, 1u);
            EXPECT_EQ(security, nullptr);
            EXPECT_EQ(disposition, 3u);
            EXPECT_EQ(attributes, 0x80u);
            EXPECT_EQ(pattern, nullptr);
            SetLastError(openError);
            return file;
        };
        platform::ReadFile = [this](HANDLE file, LPVOID buffer, DWORD count, LPDWORD countRead,
                                    LPOVERLAPPED overlapped) {
            reads.push_back(count);
            return platform::real::ReadFile(file, buffer, count, countRead, overlapped);
        };
        platform::CloseHandle = [this](HANDLE handle) {
            ++closes;
            return platform::real::CloseHandle(handle);
        };
        platform::malloc = [this](std::size_t size) {
            allocations.push_back(size);
            return platform::real::malloc(size);
        };
        platform::free = [this](void* block) {
            freed.push_back(block);
            platform::real::free(block);
        };
    }

    // A close that fails with the given error, after really closing.
    void FailTheClose(DWORD error) {
        platform::CloseHandle = [this, error](HANDLE handle) -> BOOL {
            ++closes;
            platform::real::CloseHandle(handle);
            SetLastError(error);
            return FALSE;
        };
    }

    TemporaryFolder folder;
    void* code = nullptr;
    std::string message = Untouched;
    int opens = 0;
    DWORD openError = 0;
    std::vector<DWORD> reads;
    int closes = 0;
    std::vector<std::size_t> allocations;
    std::vector<void*> freed;
};

TEST_F(CompiledShaderFileTest, TheWholeFileArrivesInOneBlockOfItsSizeWithOneRead) {
    std::string bytes(1000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>(i * 7);
    }
    const std::string path = folder.Write("code.shader", bytes);
    DWORD byteCount = 0;
    ASSERT_TRUE(ReadCompiledShaderFile(path.c_str(), &code, &message, &byteCount));
    ASSERT_NE(code, nullptr);
    EXPECT_EQ(std::memcmp(code, bytes.data(), bytes.size()), 0);
    EXPECT_EQ(byteCount, 1000u);
    EXPECT_EQ(allocations, std::vector<std::size_t>{1000});
    EXPECT_EQ(reads, std::vector<DWORD>{1000});
    EXPECT_EQ(closes, 1);
    EXPECT_TRUE(freed.empty());
    EXPECT_EQ(message, Untouched);
    platform::real::free(code);
}

// The block is the file's size, but only what the read put there is told.
TEST_F(CompiledShaderFileTest, AShortReadTellsTheBytesRead) {
    const std::string path = folder.Write("code.shader", "abcdefgh");
    platform::ReadFile = [this](HANDLE file, LPVOID buffer, DWORD count, LPDWORD countRead, LPOVERLAPPED overlapped) {
        reads.push_back(count);
        return platform::real::ReadFile(file, buffer, count - 3, countRead, overlapped);
    };
    DWORD byteCount = 0;
    ASSERT_TRUE(ReadCompiledShaderFile(path.c_str(), &code, &message, &byteCount));
    EXPECT_EQ(allocations, std::vector<std::size_t>{8});
    EXPECT_EQ(reads, std::vector<DWORD>{8});
    EXPECT_EQ(byteCount, 5u);
    EXPECT_EQ(message, Untouched);
    platform::real::free(code);
}

// Paths that could name a share on another machine or a device are refused before anything is
// opened, with a sentence of the reader's own instead of the system's; local paths open as before.
TEST_F(CompiledShaderFileTest, PathsThatMayLeaveThisMachineAreNeverOpened) {
    int errorCodes = 0;
    platform::GetLastError = [&errorCodes]() {
        ++errorCodes;
        return platform::real::GetLastError();
    };
    for (const char* path : {"\\\\server\\share\\vertex.shader", "//server/share/vertex.shader", "\\/x", "/\\x",
                             "\\\\?\\UNC\\server\\share\\x", "\\\\.\\pipe\\x", "\\??\\UNC\\server\\share\\x"}) {
        code = reinterpret_cast<void*>(0x1);
        message = Untouched;
        DWORD byteCount = 1;
        EXPECT_FALSE(ReadCompiledShaderFile(path, &code, &message, &byteCount)) << path;
        EXPECT_EQ(code, nullptr);
        EXPECT_EQ(byteCount, 0u);
        EXPECT_EQ(message,
                  "Windows failed to open the shader file: A path that begins with two slashes or with \\??\\ may "
                  "name another machine or a device, so shader files are read only from this machine's folders.")
            << path;
    }
    // A DOS device name opens the device in any folder, with any extension and in any case.
    for (const char* path : {"CON", "data\\COM1.shader", "data/lpt9 .x.shader", "nul", "AUX.", "C:prn", "com1:",
                             "CONOUT$", "data/conin$.shader", "COM\xB9"}) {
        EXPECT_FALSE(ReadCompiledShaderFile(path, &code, &message)) << path;
        EXPECT_EQ(message,
                  "Windows failed to open the shader file: The path names a device (CON, PRN, AUX, NUL, COM0 to COM9, "
                  "LPT0 to LPT9, CONIN$ or CONOUT$), so shader files are read only from this machine's folders.")
            << path;
    }
    EXPECT_EQ(opens, 0);
    EXPECT_EQ(errorCodes, 0);
    for (const char* path : {"CONSOLE", "data/COM10.shader", "LPT", "nul_vertex.shader", "data/aux_/x"}) {
        EXPECT_FALSE(ReadCompiledShaderFile(path, &code, &message)) << path;
    }
    EXPECT_EQ(opens, 5);
    opens = 0;

    const std::string local = folder.Write("code.shader", "abcd");
    std::string forward = local;
    std::replace(forward.begin(), forward.end(), '\\', '/');
    // The working directory lies on Wine's drive Z:, which a mapped network drive resembles.
    char full[MAX_PATH] = {};
    ASSERT_NE(GetFullPathNameA("data\\vertex.shader", MAX_PATH, full, nullptr), 0u);
    for (const std::string& path : {local, forward, std::string(full), std::string("data/vertex.shader")}) {
        ASSERT_TRUE(ReadCompiledShaderFile(path.c_str(), &code, &message)) << path << ": " << message;
        platform::real::free(code);
    }
    EXPECT_EQ(opens, 4);
}

// The size is known from the open handle: a file larger than a shader may be is never read.
TEST_F(CompiledShaderFileTest, AFileOverTheSizeLimitIsRefusedUnread) {
    const std::string path = folder.Write("large.shader", std::string(CompiledShaderByteLimit + 1, '\0'));
    EXPECT_FALSE(ReadCompiledShaderFile(path.c_str(), &code, &message));
    EXPECT_EQ(code, nullptr);
    EXPECT_EQ(message, "The shader file " + path + " is " + std::to_string(CompiledShaderByteLimit + 1) +
                           " bytes long, more than the " + std::to_string(CompiledShaderByteLimit) +
                           " bytes that a compiled shader may take");
    EXPECT_TRUE(allocations.empty());
    EXPECT_TRUE(reads.empty());
    EXPECT_EQ(closes, 1);
}

TEST_F(CompiledShaderFileTest, AnEmptyFileIsReadWithoutFailure) {
    const std::string path = folder.Write("empty.shader", "");
    DWORD byteCount = 1;
    EXPECT_TRUE(ReadCompiledShaderFile(path.c_str(), &code, &message, &byteCount));
    EXPECT_EQ(allocations, std::vector<std::size_t>{0});
    EXPECT_EQ(byteCount, 0u);
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(message, Untouched);
    platform::real::free(code);
}

// An empty path, a folder and a missing file all fail at the open: nothing else is tried.
TEST_F(CompiledShaderFileTest, WhatCannotBeOpenedGivesOnlyTheOpenMessage) {
    const std::string folderPath = folder.MakeFolder("shaders");
    for (const std::string& path : {std::string(), folderPath, folder.Path() + "\\missing.shader"}) {
        opens = 0;
        code = reinterpret_cast<void*>(0x1);
        message = Untouched;
        EXPECT_FALSE(ReadCompiledShaderFile(path.c_str(), &code, &message)) << path;
        EXPECT_EQ(code, nullptr);
        EXPECT_EQ(opens, 1);
        EXPECT_NE(openError, 0u);
        EXPECT_EQ(message, "Windows failed to open the shader file: " + GetFormattedWindowsError(openError)) << path;
    }
    EXPECT_TRUE(allocations.empty());
    EXPECT_TRUE(reads.empty());
    EXPECT_EQ(closes, 0);
}

TEST_F(CompiledShaderFileTest, WithoutAMessageWantedNoErrorTextIsFetched) {
    int errorTexts = 0;
    platform::GetLastError = [&errorTexts]() {
        ++errorTexts;
        return platform::real::GetLastError();
    };
    EXPECT_FALSE(ReadCompiledShaderFile((folder.Path() + "\\missing.shader").c_str(), &code, nullptr));
    const std::string path = folder.Write("code.shader", "abcd");
    FailTheClose(ERROR_INVALID_HANDLE);
    EXPECT_FALSE(ReadCompiledShaderFile(path.c_str(), &code, nullptr));
    EXPECT_EQ(errorTexts, 0);
    platform::real::free(code);
}

TEST_F(CompiledShaderFileTest, AFailedSizeIsToldAndTheFileClosed) {
    const std::string path = folder.Write("code.shader", "abcd");
    platform::GetFileSizeEx = [](HANDLE, LARGE_INTEGER*) -> BOOL {
        SetLastError(ERROR_INVALID_FUNCTION);
        return FALSE;
    };
    EXPECT_FALSE(ReadCompiledShaderFile(path.c_str(), &code, &message));
    EXPECT_EQ(code, nullptr);
    EXPECT_EQ(message, "Windows failed to get the size of shader: " + GetFormattedWindowsError(ERROR_INVALID_FUNCTION));
    EXPECT_TRUE(allocations.empty());
    EXPECT_EQ(closes, 1);
}

TEST_F(CompiledShaderFileTest, AFailedAllocationNamesTheCountAndThePath) {
    const std::string path = folder.Write("code.shader", "abcdefgh");
    platform::malloc = [](std::size_t) -> void* { return nullptr; };
    EXPECT_FALSE(ReadCompiledShaderFile(path.c_str(), &code, &message));
    EXPECT_EQ(code, nullptr);
    EXPECT_EQ(message, "Failed to allocate 8 bytes to read in the shader program " + path);
    EXPECT_TRUE(reads.empty());
    EXPECT_TRUE(freed.empty());
    EXPECT_EQ(closes, 1);
}

TEST_F(CompiledShaderFileTest, AFailedReadFreesTheBlock) {
    const std::string path = folder.Write("code.shader", "abcdefgh");
    platform::ReadFile = [](HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED) -> BOOL {
        SetLastError(ERROR_READ_FAULT);
        return FALSE;
    };
    EXPECT_FALSE(ReadCompiledShaderFile(path.c_str(), &code, &message));
    EXPECT_EQ(code, nullptr);
    EXPECT_EQ(message, "Windows failed to read the contents of shader: " + GetFormattedWindowsError(ERROR_READ_FAULT));
    ASSERT_EQ(freed.size(), 1u);
    EXPECT_NE(freed[0], nullptr);
    EXPECT_EQ(closes, 1);
}

TEST_F(CompiledShaderFileTest, AFailedCloseAfterAGoodReadHandsOverTheWholeBlock) {
    const std::string path = folder.Write("code.shader", "abcdefgh");
    FailTheClose(ERROR_INVALID_HANDLE);
    EXPECT_FALSE(ReadCompiledShaderFile(path.c_str(), &code, &message));
    ASSERT_NE(code, nullptr);
    EXPECT_EQ(std::memcmp(code, "abcdefgh", 8), 0);
    EXPECT_EQ(message,
              "Windows failed to close the shader file handle: " + GetFormattedWindowsError(ERROR_INVALID_HANDLE));
    EXPECT_TRUE(freed.empty());
    platform::real::free(code);
}

TEST_F(CompiledShaderFileTest, AFailedCloseAfterAnEarlierFailureKeepsTheEarlierMessage) {
    const std::string path = folder.Write("code.shader", "abcdefgh");
    platform::ReadFile = [](HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED) -> BOOL {
        SetLastError(ERROR_READ_FAULT);
        return FALSE;
    };
    FailTheClose(ERROR_INVALID_HANDLE);
    EXPECT_FALSE(ReadCompiledShaderFile(path.c_str(), &code, &message));
    EXPECT_EQ(code, nullptr);
    EXPECT_EQ(message, "Windows failed to read the contents of shader: " + GetFormattedWindowsError(ERROR_READ_FAULT));
    EXPECT_EQ(closes, 1);
}

}  // namespace
