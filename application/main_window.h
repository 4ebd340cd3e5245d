// The program's one window: its class, creation at a client area of exactly the picture's size,
// its window procedure (the Escape question and the end of the window), destruction and
// unregistering.
// Every failing Windows call is shown in a message box before the failure is returned.
#pragma once

#include <windows.h>

extern const char* const MainWindowClassName;
extern const char* const MainWindowTitle;

// The main window, null before creation and after destruction.
extern HWND s_mainWindow;

// The class atom, 0 on failure.
ATOM RegisterMainWindowClass(HINSTANCE instance);
// The shown window with a client area of the picture's size, or null on failure.
HWND CreateMainWindow(HINSTANCE instance, int showMode);
LRESULT CALLBACK MainWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// True when there is no main window any more.
bool DestroyMainWindow();
bool UnregisterMainWindowClass(HINSTANCE instance);
