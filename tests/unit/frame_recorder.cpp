#include "tests/unit/frame_recorder.h"

#include "assets/material.h"
#include "assets/mesh.h"
#include "graphics/renderer.h"
#include "time/frame_timer.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace {

template <typename Object>
Object* Fake(std::uintptr_t address) {
    return reinterpret_cast<Object*>(address);
}

// Handles are only compared, so fakes that name themselves will do.
const D3DXHANDLE WorldToViewHandle = "worldToView";
const D3DXHANDLE ViewToScreenHandle = "viewToScreen";
const D3DXHANDLE ModelToWorldHandle = "modelToWorld";
const D3DXHANDLE ColorModifierHandle = "colorModifier";

void ClearDirect3DFields(Mesh& mesh) {
    mesh.device = nullptr;
    mesh.vertexBuffer = nullptr;
    mesh.indexBuffer = nullptr;
    mesh.vertexDeclaration = nullptr;
}

std::string VectorText(const D3DXVECTOR3* vector) {
    if (vector == nullptr) {
        return "null";
    }
    return ExactText(vector->x) + " " + ExactText(vector->y) + " " + ExactText(vector->z);
}

}  // namespace

const HWND FrameTest::Window = Fake<HWND__>(0x0100);
const HWND FrameTest::OtherWindow = Fake<HWND__>(0x0200);
IDirect3DDevice9* const FrameTest::Device = Fake<IDirect3DDevice9>(0x1100);
IDirect3DDevice9* const FrameTest::CubeDevice = Fake<IDirect3DDevice9>(0x1200);
IDirect3DDevice9* const FrameTest::PlaneDevice = Fake<IDirect3DDevice9>(0x1300);
IDirect3DVertexShader9* const FrameTest::VertexShader = Fake<IDirect3DVertexShader9>(0x2100);
IDirect3DPixelShader9* const FrameTest::FragmentShader = Fake<IDirect3DPixelShader9>(0x2200);
ID3DXConstantTable* const FrameTest::VertexTable = Fake<ID3DXConstantTable>(0x3100);
ID3DXConstantTable* const FrameTest::FragmentTable = Fake<ID3DXConstantTable>(0x3200);
IDirect3DVertexBuffer9* const FrameTest::CubeVertexBuffer = Fake<IDirect3DVertexBuffer9>(0x4100);
IDirect3DIndexBuffer9* const FrameTest::CubeIndexBuffer = Fake<IDirect3DIndexBuffer9>(0x4200);
IDirect3DVertexBuffer9* const FrameTest::PlaneVertexBuffer = Fake<IDirect3DVertexBuffer9>(0x5100);
IDirect3DIndexBuffer9* const FrameTest::PlaneIndexBuffer = Fake<IDirect3DIndexBuffer9>(0x5200);

std::vector<float> Elements(const D3DXMATRIX& matrix) {
    return std::vector<float>(&matrix.m[0][0], &matrix.m[0][0] + 16);
}

// The fewest digits that give the value back; whole numbers such as 100 are written out in full.
std::string ExactText(float value) {
    char text[32];
    for (int digits = 1; digits <= 9; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(value));
        const bool exponentHidesWholeNumber = std::strchr(text, 'e') != nullptr && std::fabs(value) >= 1.0f;
        if (std::strtof(text, nullptr) == value && !exponentHidesWholeNumber) {
            break;
        }
    }
    return text;
}

void FrameTest::SetUp() {
    recording = true;
    calls.clear();
    matrices.clear();
    colorModifiersSent.clear();
    keyStates.clear();
    counter = 0;
    foregroundWindow = Window;
    names = {{nullptr, "null"},
             {Window, "window"},
             {OtherWindow, "otherWindow"},
             {Device, "device"},
             {CubeDevice, "cubeDevice"},
             {PlaneDevice, "planeDevice"},
             {VertexShader, "vertexShader"},
             {FragmentShader, "fragmentShader"},
             {VertexTable, "vertexTable"},
             {FragmentTable, "fragmentTable"},
             {CubeVertexBuffer, "cubeVertexBuffer"},
             {CubeIndexBuffer, "cubeIndexBuffer"},
             {PlaneVertexBuffer, "planeVertexBuffer"},
             {PlaneIndexBuffer, "planeIndexBuffer"},
             {WorldToViewHandle, "worldToView"},
             {ViewToScreenHandle, "viewToScreen"},
             {ModelToWorldHandle, "modelToWorld"},
             {ColorModifierHandle, "colorModifier"}};
    InstallScene();
    InstallTimerAndKeys();
    InstallWindowState();
    InstallDeviceRecorders();
    InstallConstantRecorders();
}

// The static objects release what they hold when the process ends: no fake may be left in them.
void FrameTest::TearDown() {
    s_material.vertexShader = nullptr;
    s_material.fragmentShader = nullptr;
    s_material.vertexShaderConstantTable = nullptr;
    s_material.fragmentShaderConstantTable = nullptr;
    ClearDirect3DFields(s_cubeMesh);
    ClearDirect3DFields(s_planeMesh);
    Renderer::device = nullptr;
    Renderer::window = nullptr;
    PlatformTest::TearDown();
}

// The renderer as a successful start-up leaves it, with the shipped meshes' counts.
void FrameTest::InstallScene() {
    Renderer::device = Device;
    Renderer::window = Window;
    Renderer::cubeOffset = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    Renderer::cameraOffset = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    Renderer::cameraPosition = D3DXVECTOR3(0.0f, 0.0f, -10.0f);
    Renderer::nearPlane = 0.1f;
    Renderer::farPlane = 100.0f;
    Renderer::fieldOfView = 1.0471976f;

    s_material.vertexShader = VertexShader;
    s_material.fragmentShader = FragmentShader;
    s_material.vertexShaderConstantTable = VertexTable;
    s_material.fragmentShaderConstantTable = FragmentTable;
    s_material.worldToViewHandle = WorldToViewHandle;
    s_material.viewToScreenHandle = ViewToScreenHandle;
    s_material.modelToWorldHandle = ModelToWorldHandle;
    s_material.colorModifierHandle = ColorModifierHandle;
    s_material.colorModifier[0] = 1.0f;
    s_material.colorModifier[1] = 1.0f;
    s_material.colorModifier[2] = 1.0f;

    s_cubeMesh.device = CubeDevice;
    s_cubeMesh.vertexBuffer = CubeVertexBuffer;
    s_cubeMesh.indexBuffer = CubeIndexBuffer;
    s_cubeMesh.vertexCount = 24;
    s_cubeMesh.indexCount = 36;
    s_cubeMesh.primitiveCount = 12;
    s_cubeMesh.position = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    s_planeMesh.device = PlaneDevice;
    s_planeMesh.vertexBuffer = PlaneVertexBuffer;
    s_planeMesh.indexBuffer = PlaneIndexBuffer;
    s_planeMesh.vertexCount = 4;
    s_planeMesh.indexCount = 6;
    s_planeMesh.primitiveCount = 2;
    s_planeMesh.position = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
}

void FrameTest::SetFrameSeconds(std::int64_t ticks, std::int64_t ticksPerSecond) {
    FrameTimer::state.secondsPerTick = 1.0 / static_cast<double>(ticksPerSecond);
    ticksPerReading = ticks;
}

void FrameTest::InstallTimerAndKeys() {
    counter = 0;
    FrameTimer::state = {};
    FrameTimer::state.started = true;
    SetFrameSeconds(1, 2);
    platform::QueryPerformanceCounter = [this](LARGE_INTEGER* count) -> BOOL {
        Record([] { return std::string("QueryPerformanceCounter"); });
        counter += ticksPerReading;
        count->QuadPart = counter;
        return TRUE;
    };
    platform::GetAsyncKeyState = [this](int virtualKey) -> SHORT {
        Record([&] { return "GetAsyncKeyState(" + std::to_string(virtualKey) + ")"; });
        const auto state = keyStates.find(virtualKey);
        return state != keyStates.end() ? state->second : 0;
    };
}

void FrameTest::InstallWindowState() {
    platform::GetForegroundWindow = [this]() -> HWND {
        Record([] { return std::string("GetForegroundWindow"); });
        return foregroundWindow;
    };
    platform::IsIconic = [this](HWND window) -> BOOL {
        Record([&] { return "IsIconic(" + Name(window) + ")"; });
        return FALSE;
    };
}

void FrameTest::InstallDeviceRecorders() {
    platform::Clear = [this](IDirect3DDevice9* device, DWORD rectCount, const D3DRECT* rects, DWORD flags,
                             D3DCOLOR color, float z, DWORD stencil) -> HRESULT {
        Record([&] {
            std::ostringstream text;
            text << "Clear(" << Name(device) << ", " << rectCount << ", " << Name(rects) << ", " << flags << ", "
                 << std::hex << color << std::dec << ", " << ExactText(z) << ", " << stencil << ")";
            return text.str();
        });
        return D3D_OK;
    };
    platform::BeginScene = [this](IDirect3DDevice9* device) -> HRESULT {
        Record([&] { return "BeginScene(" + Name(device) + ")"; });
        return D3D_OK;
    };
    platform::SetVertexShader = [this](IDirect3DDevice9* device, IDirect3DVertexShader9* shader) -> HRESULT {
        Record([&] { return "SetVertexShader(" + Name(device) + ", " + Name(shader) + ")"; });
        return D3D_OK;
    };
    platform::SetPixelShader = [this](IDirect3DDevice9* device, IDirect3DPixelShader9* shader) -> HRESULT {
        Record([&] { return "SetPixelShader(" + Name(device) + ", " + Name(shader) + ")"; });
        return D3D_OK;
    };
    platform::SetStreamSource = [this](IDirect3DDevice9* device, UINT stream, IDirect3DVertexBuffer9* buffer,
                                       UINT offset, UINT stride) -> HRESULT {
        Record([&] { return "SetStreamSource(" + Name(device) + ", " + std::to_string(stream) + ", " + Name(buffer) + ", " +
               std::to_string(offset) + ", " + std::to_string(stride) + ")"; });
        return D3D_OK;
    };
    platform::SetIndices = [this](IDirect3DDevice9* device, IDirect3DIndexBuffer9* buffer) -> HRESULT {
        Record([&] { return "SetIndices(" + Name(device) + ", " + Name(buffer) + ")"; });
        return D3D_OK;
    };
    platform::DrawIndexedPrimitive = [this](IDirect3DDevice9* device, D3DPRIMITIVETYPE type, INT baseVertex,
                                            UINT minVertex, UINT vertexCount, UINT startIndex,
                                            UINT primitiveCount) -> HRESULT {
        Record([&] { return "DrawIndexedPrimitive(" + Name(device) + ", " + std::to_string(type) + ", " +
               std::to_string(baseVertex) + ", " + std::to_string(minVertex) + ", " + std::to_string(vertexCount) +
               ", " + std::to_string(startIndex) + ", " + std::to_string(primitiveCount) + ")"; });
        return D3D_OK;
    };
    platform::EndScene = [this](IDirect3DDevice9* device) -> HRESULT {
        Record([&] { return "EndScene(" + Name(device) + ")"; });
        return D3D_OK;
    };
    platform::Present = [this](IDirect3DDevice9* device, const RECT* source, const RECT* destination, HWND window,
                               const RGNDATA* dirtyRegion) -> HRESULT {
        Record([&] { return "Present(" + Name(device) + ", " + Name(source) + ", " + Name(destination) + ", " + Name(window) +
               ", " + Name(dirtyRegion) + ")"; });
        return D3D_OK;
    };
}

// The two matrix builders stay real: they need no device.
void FrameTest::InstallConstantRecorders() {
    platform::SetDefaults = [this](ID3DXConstantTable* table, IDirect3DDevice9* device) -> HRESULT {
        Record([&] { return "SetDefaults(" + Name(table) + ", " + Name(device) + ")"; });
        return D3D_OK;
    };
    platform::SetFloatArray = [this](ID3DXConstantTable* table, IDirect3DDevice9* device, D3DXHANDLE constant,
                                     const FLOAT* values, UINT count) -> HRESULT {
        Record([&] { return "SetFloatArray(" + Name(table) + ", " + Name(device) + ", " + Name(constant) + ", " +
               std::to_string(count) + ")"; });
        if (recording && count == 3) {
            colorModifiersSent.push_back({values[0], values[1], values[2]});
        }
        return D3D_OK;
    };
    platform::SetMatrix = [this](ID3DXConstantTable* table, IDirect3DDevice9* device, D3DXHANDLE constant,
                                 const D3DXMATRIX* matrix) -> HRESULT {
        Record([&] { return "SetMatrix(" + Name(table) + ", " + Name(device) + ", " + Name(constant) + ")"; });
        if (recording) {
            matrices.push_back({Name(constant), *matrix});
        }
        return D3D_OK;
    };
    platform::D3DXMatrixPerspectiveFovLH = [this](D3DXMATRIX* out, FLOAT fieldOfView, FLOAT aspect, FLOAT nearPlane,
                                                  FLOAT farPlane) {
        Record([&] { return "D3DXMatrixPerspectiveFovLH(" + ExactText(fieldOfView) + ", " + ExactText(aspect) + ", " +
               ExactText(nearPlane) + ", " + ExactText(farPlane) + ")"; });
        return platform::real::D3DXMatrixPerspectiveFovLH(out, fieldOfView, aspect, nearPlane, farPlane);
    };
    platform::D3DXMatrixTransformation = [this](D3DXMATRIX* out, const D3DXVECTOR3* scalingCenter,
                                                const D3DXQUATERNION* scalingRotation, const D3DXVECTOR3* scaling,
                                                const D3DXVECTOR3* rotationCenter, const D3DXQUATERNION* rotation,
                                                const D3DXVECTOR3* translation) {
        Record([&] { return "D3DXMatrixTransformation(" + VectorText(scalingCenter) + ", " + Name(scalingRotation) + ", " +
               VectorText(scaling) + ", " + VectorText(rotationCenter) + ", " + Name(rotation) + ", " +
               VectorText(translation) + ")"; });
        return platform::real::D3DXMatrixTransformation(out, scalingCenter, scalingRotation, scaling, rotationCenter,
                                                        rotation, translation);
    };
}

std::string FrameTest::Name(const void* object) const {
    const auto name = names.find(object);
    if (name != names.end()) {
        return name->second;
    }
    std::ostringstream text;
    text << "unknown " << object;
    return text.str();
}

std::vector<D3DXMATRIX> FrameTest::MatricesSentTo(const std::string& handle) const {
    std::vector<D3DXMATRIX> sent;
    for (const RecordedMatrix& recorded : matrices) {
        if (recorded.handle == handle) {
            sent.push_back(recorded.matrix);
        }
    }
    return sent;
}
