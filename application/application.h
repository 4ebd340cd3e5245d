// The order of start-up, the message loop and the order of shut-down.
#pragma once

#include <windows.h>

// The wParam of the WM_QUIT that ended the loop: the program's exit status.
extern int s_exitCode;

// Draws a frame on every pass and handles at most one message per pass, without ever waiting;
// returns in the pass that takes WM_QUIT.
void RunMessageLoop();
// Destroys the window and unregisters its class, shuts the renderer down only if both succeeded,
// and returns s_exitCode.
int ShutdownApplication(HINSTANCE instance);
