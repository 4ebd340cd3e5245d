// Compiled shader files, read whole with one read into one heap block of the file's size.
#include "assets/material.h"

#include "application/windows_error.h"
#include "platform/win32.h"

#include <sstream>

namespace {

// Composes a message only for a caller who wants one, so that no error text is fetched otherwise.
void Compose(std::string* message, const char* sentence) {
    if (message != nullptr) {
        std::ostringstream text;
        text << sentence << GetLastWindowsError();
        *message = text.str();
    }
}

// What happens between the open and the close; false at the first failure, with its message made.
bool ReadOpenFile(HANDLE file, const char* path, void** code, DWORD& size, std::string* message) {
    LARGE_INTEGER fileSize{};
    if (platform::GetFileSizeEx(file, &fileSize) == 0) {
        Compose(message, "Windows failed to get the size of shader: ");
        return false;
    }
    size = fileSize.LowPart;
    *code = platform::malloc(size);
    if (*code == nullptr) {
        if (message != nullptr) {
            std::ostringstream text;
            text << "Failed to allocate " << size << " bytes to read in the shader program " << path;
            *message = text.str();
        }
        return false;
    }
    // A read that succeeds with fewer bytes than asked is not a failure.
    DWORD countRead = 0;
    if (platform::ReadFile(file, *code, size, &countRead, nullptr) == 0) {
        Compose(message, "Windows failed to read the contents of shader: ");
        return false;
    }
    return true;
}

}  // namespace

bool ReadCompiledShaderFile(const char* path, void** code, std::string* message, DWORD* byteCount) {
    *code = nullptr;
    DWORD size = 0;
    const HANDLE file = platform::CreateFileA(path, FILE_GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                              FILE_ATTRIBUTE_NORMAL, nullptr);
    const bool opened = file != INVALID_HANDLE_VALUE && file != nullptr;
    if (!opened) {
        Compose(message, "Windows failed to open the shader file: ");
    }
    bool failed = !opened || !ReadOpenFile(file, path, code, size, message);

    if (failed && *code != nullptr) {
        platform::free(*code);
        *code = nullptr;
    }
    if (opened && platform::CloseHandle(file) == 0) {
        // An earlier failure is the one worth telling.
        if (!failed) {
            Compose(message, "Windows failed to close the shader file handle: ");
        }
        failed = true;
    }
    if (byteCount != nullptr) {
        *byteCount = *code != nullptr ? size : 0;
    }
    return !failed;
}
