// Bringing a lost device back: while it is lost nothing is drawn, and once it may be reset, the
// objects that live in the device's own memory are released, the device is reset and they are made
// again. The shaders, the vertex declarations and the constant tables survive a reset.
#include "graphics/renderer_steps.h"

#include "assets/mesh.h"
#include "platform/win32.h"
#include "time/frame_timer.h"

namespace Renderer {

namespace {

void RestoreMeshes() {
    s_cubeMesh.Restore();
    s_planeMesh.Restore();
}

// Reset refuses to run while a default-pool object lives, and leaves all device state at its
// defaults: the meshes' buffers are made again from their files, and their declarations bound again.
bool ResetDevice() {
    s_cubeMesh.ReleaseBuffers();
    s_planeMesh.ReleaseBuffers();
    D3DPRESENT_PARAMETERS parameters = PresentationParameters(window);
    if (FAILED(platform::Reset(device, &parameters))) {
        return false;
    }
    RestoreMeshes();
    return true;
}

}  // namespace

bool RestoreLostDevice() {
    const HRESULT level = platform::TestCooperativeLevel(device);
    bool usable = false;
    if (level == D3DERR_DEVICENOTRESET) {
        usable = ResetDevice();
    } else if (SUCCEEDED(level)) {
        // Back without a reset: whatever an earlier, failed reset released is made again.
        RestoreMeshes();
        usable = true;
    }
    if (!usable) {
        // Tried again on a later pass, without a box: there would be one per pass. A locked machine
        // can stay lost for hours.
        platform::Sleep(RestingPassMilliseconds);
        return false;
    }
    deviceLost = false;
    // The time spent lost must not move the cube or the camera in one jump.
    FrameTimer::Restart();
    return true;
}

}  // namespace Renderer
