#include "graphics/renderer_steps.h"

#include "assets/material.h"
#include "assets/mesh.h"
#include "platform/win32.h"
#include "time/frame_timer.h"

namespace Renderer {

IDirect3DDevice9* device = nullptr;
IDirect3D9* direct3D = nullptr;
HWND window = nullptr;
D3DXVECTOR3 cubeOffset{0.0f, 0.0f, 0.0f};
D3DXVECTOR3 cameraOffset{0.0f, 0.0f, 0.0f};
D3DXVECTOR3 cameraPosition{0.0f, 0.0f, 0.0f};
float nearPlane = 0.0f;
float farPlane = 0.0f;
float fieldOfView = 0.0f;
bool deviceLost = false;
bool windowMinimized = false;

namespace {

// D3DX is loaded at the first call of one of its functions. Stock Windows lacks it until the DirectX
// End-User Runtime is installed, so its presence is checked before anything could call it.
constexpr const char* D3DXLibrary = "d3dx9_43.dll";
constexpr const char* MissingD3DXText =
    "DirectX could not load d3dx9_43.dll. Install the DirectX End-User Runtime (June 2010), then start the "
    "program again.";

}  // namespace

bool Startup(HWND startupWindow) {
    // The library stays loaded for the rest of the run, as an import would.
    if (platform::LoadLibraryA(D3DXLibrary) == nullptr) {
        ReportFailure(startupWindow, MissingD3DXText, "No D3DX 9");
        return false;
    }
    FrameTimer::Start();

    direct3D = platform::Direct3DCreate9(D3D_SDK_VERSION);
    if (direct3D == nullptr) {
        ReportFailure(startupWindow, "DirectX failed to create a Direct3D9 interface", "No D3D9 Interface");
        return false;
    }
    if (!CreateDevice(startupWindow)) {
        Shutdown();
        return false;
    }
    window = startupWindow;

    // Each asset step reports its own failures; the frame copes with whatever they could not make.
    s_material.ReadAssetFile();
    s_material.CreateFragmentShader();
    s_material.CreateVertexShader();
    s_cubeMesh.Load("data/cube.mesh.bin");
    s_planeMesh.Load("data/plane.mesh.bin");

    cameraPosition = D3DXVECTOR3(0.0f, 0.0f, -10.0f);
    nearPlane = 0.1f;
    farPlane = 100.0f;
    fieldOfView = 1.0471976f;  // the float nearest pi / 3
    return true;
}

D3DPRESENT_PARAMETERS PresentationParameters(HWND deviceWindow) {
    D3DPRESENT_PARAMETERS parameters{};
    parameters.BackBufferWidth = PictureWidth;
    parameters.BackBufferHeight = PictureHeight;
    parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
    parameters.BackBufferCount = 1;
    parameters.MultiSampleType = D3DMULTISAMPLE_NONE;
    parameters.MultiSampleQuality = 0;
    parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    parameters.hDeviceWindow = deviceWindow;
    parameters.Windowed = TRUE;
    parameters.EnableAutoDepthStencil = TRUE;
    parameters.AutoDepthStencilFormat = D3DFMT_D16;
    parameters.Flags = 0;
    parameters.FullScreen_RefreshRateInHz = 0;
    parameters.PresentationInterval = D3DPRESENT_INTERVAL_DEFAULT;
    return parameters;
}

bool CreateDevice(HWND deviceWindow) {
    D3DPRESENT_PARAMETERS parameters = PresentationParameters(deviceWindow);
    // Direct3D 9 refuses a windowed device without a window, and start-up relies on that failure when
    // no main window could be made; not every implementation refuses, so a null window is not offered.
    const HRESULT result = deviceWindow == nullptr
                               ? D3DERR_INVALIDCALL
                               : platform::CreateDevice(direct3D, D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, deviceWindow,
                                                        D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters, &device);
    if (FAILED(result) || device == nullptr) {
        device = nullptr;
        ReportFailure(deviceWindow, "DirectX failed to create a Direct3D9 device", "No D3D9 Device");
        return false;
    }
    return true;
}

void ReportFailure(HWND owner, const char* text, const char* caption) {
    platform::MessageBoxA(owner, text, caption, MB_OK | MB_ICONERROR);
}

bool Shutdown() {
    if (direct3D != nullptr) {
        if (device != nullptr) {
            // Nothing made on the device may outlive it: the meshes and the material let go of their
            // objects first, in the reverse order of their making.
            s_planeMesh.ReleaseDirect3DObjects();
            s_cubeMesh.ReleaseDirect3DObjects();
            s_material.ReleaseDirect3DObjects();
            platform::ReleaseAndClear(device);
        }
        platform::ReleaseAndClear(direct3D);
    }
    window = nullptr;
    deviceLost = false;
    windowMinimized = false;
    return true;
}

}  // namespace Renderer
