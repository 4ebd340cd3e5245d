// The Direct3D 9 interface and device, the scene state that the frames work on, and the renderer's
// start-up, frame and shut-down.
#pragma once

#include "platform/direct3d.h"

namespace Renderer {

// The one size of the picture: the main window's client area and the back buffer are both this,
// and the projection's aspect is its ratio.
constexpr int PictureWidth = 800;
constexpr int PictureHeight = 600;
constexpr float AspectRatio = static_cast<float>(PictureWidth) / static_cast<float>(PictureHeight);

extern IDirect3DDevice9* device;
extern IDirect3D9* direct3D;
// The window drawn into, and the owner of the asset steps' message boxes.
extern HWND window;
// Displacements driven by the keys, scaled by the elapsed time every frame (world units).
extern D3DXVECTOR3 cubeOffset;
extern D3DXVECTOR3 cameraOffset;
// The camera never turns; it starts at (0, 0, -10) looking towards positive z.
extern D3DXVECTOR3 cameraPosition;
extern float nearPlane;
extern float farPlane;
extern float fieldOfView;  // vertical, radians

// Looks for D3DX first, then starts the timer, makes the interface and the device for the window,
// reads the material, makes its shaders, loads the two meshes and sets the scene defaults. False
// only when D3DX is missing or the interface or the device could not be made (after its box).
bool Startup(HWND window);
// Moves the scene by the keys and the elapsed time, and draws and presents one frame. While the
// window is minimized it only rests; while the device is lost it draws nothing and tries to bring
// the device back instead.
void DrawFrame();
// Releases what was made on the device, then the device and the interface. Safe in any state.
bool Shutdown();

// Shows a graphics or asset failure: a modal box with the error icon and an OK button, owned by owner.
void ReportFailure(HWND owner, const char* text, const char* caption);

}  // namespace Renderer
