// The Direct3D 9 interface and device, the scene state that the frames work on, and the renderer's
// start-up, frame and shut-down.
#pragma once

#include "platform/direct3d.h"

namespace Renderer {

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
// Set when Present says the device was lost; the frames then try to bring it back instead of drawing.
extern bool deviceLost;
// Set while the window is minimized; the frames then rest instead of drawing.
extern bool windowMinimized;
// How long a pass that can show nothing (a lost device, a minimized window) waits instead of
// spinning a core. The loop still takes its message after it.
constexpr DWORD RestingPassMilliseconds = 10;

// Looks for D3DX first, then starts the timer, makes the interface and the device for the window,
// reads the material, makes its shaders, loads the two meshes and sets the scene defaults. False
// only when D3DX is missing or the interface or the device could not be made (after its box).
bool Startup(HWND window);
// What the device is created with, and reset with after a loss: an 800 x 600 windowed back buffer
// with a 16-bit depth buffer for the window.
D3DPRESENT_PARAMETERS PresentationParameters(HWND window);
bool CreateDevice(HWND window);
// Moves the scene by the keys and the elapsed time, and draws and presents one frame. While the
// window is minimized it only rests; while the device is lost it draws nothing and tries to bring
// the device back instead.
void DrawFrame();
// True, after a rest, while the window is minimized. Once it is back, the timer restarts first.
bool RestWhileMinimized();
// One attempt to bring a lost device back; true when drawing can resume.
bool RestoreLostDevice();
// Releases what was made on the device, then the device and the interface. Safe in any state.
bool Shutdown();

// Shows a graphics or asset failure: a modal box with the error icon and an OK button, owned by owner.
void ReportFailure(HWND owner, const char* text, const char* caption);

}  // namespace Renderer
