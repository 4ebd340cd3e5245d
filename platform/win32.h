// The Win32 and C runtime operations that the program calls, and what it relies on from each.
// Nothing outside platform/ calls them directly.
#pragma once

#include "platform/operation.h"

#include <windows.h>

#include <cstdlib>

namespace platform {
#include "platform/win32_operations.inl"
}  // namespace platform
