#include "tests/support/child_process.h"

#include <windows.h>

long RunToEnd(std::string commandLine, const std::string& errorPath) {
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    HANDLE errorFile = INVALID_HANDLE_VALUE;
    if (!errorPath.empty()) {
        SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        errorFile = CreateFileA(errorPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
        if (errorFile == INVALID_HANDLE_VALUE) {
            return -1;
        }
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
        startup.hStdError = errorFile;
    }
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, errorFile != INVALID_HANDLE_VALUE,
                                        0, nullptr, nullptr, &startup, &process);
    if (errorFile != INVALID_HANDLE_VALUE) {
        CloseHandle(errorFile);
    }
    if (!started) {
        return -1;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<long>(exitCode);
}
