// A minimized window shows nothing: its passes draw nothing and give the processor away, and the
// time spent minimized must not move the cube or the camera once the window is back.
#include "graphics/renderer_steps.h"

#include "platform/win32.h"
#include "time/frame_timer.h"

namespace Renderer {

bool RestWhileMinimized() {
    if (platform::IsIconic(window)) {
        windowMinimized = true;
        platform::Sleep(RestingPassMilliseconds);
        return true;
    }
    if (windowMinimized) {
        windowMinimized = false;
        FrameTimer::Restart();
    }
    return false;
}

}  // namespace Renderer
