// The system's own wording for a Windows error code.
#pragma once

#include <string>

// The system's text for the code, untrimmed, or "Unknown Windows Error" when it has none.
std::string GetFormattedWindowsError(unsigned long code);
// GetFormattedWindowsError of the calling thread's last error; call it right after the failing call.
std::string GetLastWindowsError();
