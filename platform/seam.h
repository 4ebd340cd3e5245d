// The test build's control over the platform: every operation can be replaced by a test, and put back.
#pragma once

#if !defined(GAME_PLATFORM_SEAM)
#error "platform/seam.h belongs to the test build"
#endif

#include "platform/direct3d.h"
#include "platform/win32.h"

namespace platform {
// Makes every operation the real call again.
void RestoreRealOperations();
}  // namespace platform
