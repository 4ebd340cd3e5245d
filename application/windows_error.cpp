#include "application/windows_error.h"

#include "platform/win32.h"

std::string GetFormattedWindowsError(unsigned long code) {
    std::string result;
    char* text = nullptr;
    const DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM;
    // With FORMAT_MESSAGE_ALLOCATE_BUFFER the system writes the address of its own allocation here.
    if (platform::FormatMessageA(flags, nullptr, code, 0, reinterpret_cast<LPSTR>(&text), 1, nullptr) != 0 &&
        text != nullptr) {
        result = text;
    } else {
        result = "Unknown Windows Error";
    }
    platform::LocalFree(text);
    return result;
}

std::string GetLastWindowsError() {
    return GetFormattedWindowsError(platform::GetLastError());
}
