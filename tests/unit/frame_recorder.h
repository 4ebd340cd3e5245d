// What the frame tests without a device share: a scene of fake Direct3D objects in s_material and
// the two meshes, a performance counter that advances by a set time per reading, key states and the
// foreground window set by the test, a window that is never minimized, and every platform call of a
// frame recorded with its arguments.
#pragma once

#include "tests/support/platform_test.h"

#include <array>
#include <map>
#include <string>
#include <vector>

struct RecordedMatrix {
    std::string handle;  // the fake handle's name
    D3DXMATRIX matrix;
};

class FrameTest : public PlatformTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Every counter reading from now on comes this much after the one before.
    void SetFrameSeconds(std::int64_t ticks, std::int64_t ticksPerSecond);
    void SetKeyState(int virtualKey, SHORT state) { keyStates[virtualKey] = state; }
    void HoldKey(int virtualKey) { SetKeyState(virtualKey, static_cast<SHORT>(0x8000)); }
    void ReleaseKey(int virtualKey) { SetKeyState(virtualKey, 0); }

    // The matrices sent with the handle named `handle`, in order.
    std::vector<D3DXMATRIX> MatricesSentTo(const std::string& handle) const;

    // The recorded calls, "Name(argument, ...)", fake objects by name and floats in their shortest
    // exact form. While `recording` is false the fakes still stand in but record nothing, so that
    // a frame can be run without the recorder allocating.
    bool recording = true;
    std::vector<std::string> calls;
    std::vector<RecordedMatrix> matrices;
    std::vector<std::array<float, 3>> colorModifiersSent;
    // What GetForegroundWindow answers.
    HWND foregroundWindow = Window;

    // The fakes: never dereferenced, only recognised by their addresses. Window is Renderer::window.
    static const HWND Window;
    static const HWND OtherWindow;
    static IDirect3DDevice9* const Device;
    static IDirect3DDevice9* const CubeDevice;
    static IDirect3DDevice9* const PlaneDevice;
    static IDirect3DVertexShader9* const VertexShader;
    static IDirect3DPixelShader9* const FragmentShader;
    static ID3DXConstantTable* const VertexTable;
    static ID3DXConstantTable* const FragmentTable;
    static IDirect3DVertexBuffer9* const CubeVertexBuffer;
    static IDirect3DIndexBuffer9* const CubeIndexBuffer;
    static IDirect3DVertexBuffer9* const PlaneVertexBuffer;
    static IDirect3DIndexBuffer9* const PlaneIndexBuffer;

private:
    void InstallScene();
    void InstallTimerAndKeys();
    void InstallWindowState();
    void InstallDeviceRecorders();
    void InstallConstantRecorders();
    // Makes the text only while recording.
    template <typename Text>
    void Record(Text text) {
        if (recording) {
            calls.push_back(text());
        }
    }
    std::string Name(const void* object) const;

    std::map<int, SHORT> keyStates;
    std::int64_t counter = 0;
    std::int64_t ticksPerReading = 0;
    std::map<const void*, std::string> names;
};

// A float in the fewest significant digits that give it back exactly.
std::string ExactText(float value);
// The sixteen elements row by row, compared as numbers (so that -0 equals 0) and printable.
std::vector<float> Elements(const D3DXMATRIX& matrix);
