// Compiled shader files, read whole with one read into one heap block of the file's size, from
// this machine only.
#include "assets/material.h"

#include "application/windows_error.h"
#include "platform/win32.h"

#include <cstring>
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
    // A read that succeeds with fewer bytes than asked is not a failure, but only the bytes read
    // are told: the rest of the block holds whatever the heap left there.
    DWORD countRead = 0;
    if (platform::ReadFile(file, *code, size, &countRead, nullptr) == 0) {
        Compose(message, "Windows failed to read the contents of shader: ");
        return false;
    }
    size = countRead < size ? countRead : size;
    return true;
}

bool IsSeparator(char character) {
    return character == '\\' || character == '/';
}

// A path that begins with two separators names a share on another machine (\\server\share, to
// which Windows offers the user's credentials) or goes through the \\?\ or \\.\ namespaces, which
// can name a share or a device too; \??\ is the NT object namespace, which Windows passes through
// unchanged, so that \??\UNC\server\share reaches a share as well. Mapped drive letters are local.
bool MayLeaveThisMachine(const char* path) {
    return (IsSeparator(path[0]) && IsSeparator(path[1])) || std::strncmp(path, "\\??\\", 4) == 0;
}

}  // namespace

bool ReadCompiledShaderFile(const char* path, void** code, std::string* message, DWORD* byteCount) {
    *code = nullptr;
    if (byteCount != nullptr) {
        *byteCount = 0;
    }
    if (MayLeaveThisMachine(path)) {
        if (message != nullptr) {
            *message = std::string("Windows failed to open the shader file: ") +
                       "A path that begins with two slashes or with \\??\\ may name another machine or a device, "
                       "so shader files are read only from this machine's folders.";
        }
        return false;
    }
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
