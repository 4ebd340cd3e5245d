// The renderer's own steps and the state they share between its files: making the device, and the
// passes that rest while the window is minimized or bring a lost device back. Nothing outside the
// renderer (and its tests) uses them.
#pragma once

#include "graphics/renderer.h"

namespace Renderer {

// Set when Present says the device was lost; the frames then try to bring it back instead of drawing.
extern bool deviceLost;
// Set while the window is minimized; the frames then rest instead of drawing.
extern bool windowMinimized;
// How long a pass that can show nothing (a lost device, a minimized window) waits instead of
// spinning a core. The loop still takes its message after it.
constexpr DWORD RestingPassMilliseconds = 10;

// What the device is created with, and reset with after a loss: a windowed back buffer of the
// picture's size with a 16-bit depth buffer for the window.
D3DPRESENT_PARAMETERS PresentationParameters(HWND window);
bool CreateDevice(HWND window);
// True, after a rest, while the window is minimized. Once it is back, the timer restarts first.
bool RestWhileMinimized();
// One attempt to bring a lost device back; true when drawing can resume.
bool RestoreLostDevice();

}  // namespace Renderer
