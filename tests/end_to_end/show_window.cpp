// Minimizes or restores the game's window from another process, as the taskbar does for a user:
//   show_window minimize|restore
// Ends with 0 once the window is minimized or no longer minimized, as asked; with 1 when it is not
// within five seconds, or there is no such window.
#include "application/main_window.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

int main(int argumentCount, char** arguments) {
    const bool minimize = argumentCount == 2 && std::strcmp(arguments[1], "minimize") == 0;
    if (argumentCount != 2 || (!minimize && std::strcmp(arguments[1], "restore") != 0)) {
        std::fprintf(stderr, "usage: show_window minimize|restore\n");
        return 1;
    }
    const HWND window = FindWindowA(MainWindowClassName, nullptr);
    if (window == nullptr) {
        std::fprintf(stderr, "no window of the class \"%s\"\n", MainWindowClassName);
        return 1;
    }
    ShowWindow(window, minimize ? SW_MINIMIZE : SW_RESTORE);
    for (int wait = 0; wait < 50; ++wait) {
        if ((IsIconic(window) != FALSE) == minimize) {
            return 0;
        }
        Sleep(100);
    }
    std::fprintf(stderr, "the window is %sminimized\n", minimize ? "not " : "still ");
    return 1;
}
