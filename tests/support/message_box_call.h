// One call of MessageBoxA, as the tests' recorders keep it.
#pragma once

#include <windows.h>

#include <string>

struct MessageBoxCall {
    HWND owner;
    std::string text;
    bool hasCaption;
    std::string caption;
    UINT flags;
};
