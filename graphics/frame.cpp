// One frame: the timer, the colour modifier, the keys, the movement, and the drawing of the scene.
#include "graphics/renderer_steps.h"

#include "assets/material.h"
#include "assets/mesh.h"
#include "platform/win32.h"
#include "time/frame_timer.h"

namespace Renderer {

namespace {

constexpr D3DCOLOR OpaqueBlack = 0xFF000000;

enum class Axis { X, Y, Z };

struct MovementKey {
    int virtualKey;
    D3DXVECTOR3* offset;
    Axis axis;
    float step;
};

// Polled in this order every frame. W and S move the camera along the world y axis; the up and
// down arrows move the cube away from and towards the camera.
const MovementKey MovementKeys[] = {
    {VK_LEFT, &cubeOffset, Axis::X, -1.0f}, {VK_RIGHT, &cubeOffset, Axis::X, +1.0f},
    {VK_UP, &cubeOffset, Axis::Z, +1.0f},   {VK_DOWN, &cubeOffset, Axis::Z, -1.0f},
    {'A', &cameraOffset, Axis::X, -1.0f},   {'D', &cameraOffset, Axis::X, +1.0f},
    {'W', &cameraOffset, Axis::Y, +1.0f},   {'S', &cameraOffset, Axis::Y, -1.0f},
};

float& Component(D3DXVECTOR3& vector, Axis axis) {
    switch (axis) {
        case Axis::X:
            return vector.x;
        case Axis::Y:
            return vector.y;
        case Axis::Z:
            break;
    }
    return vector.z;
}

// The lowest bit only says the key was pressed at some time since the last query.
bool IsKeyDown(int virtualKey) {
    return (static_cast<unsigned short>(platform::GetAsyncKeyState(virtualKey)) & 0xFFFEu) != 0;
}

void ApplyColorModifier() {
    ID3DXConstantTable* const table = s_material.fragmentShaderConstantTable;
    if (table == nullptr) {
        return;
    }
    if (s_material.colorModifier[0] == Material::UseShaderDefaults) {
        platform::SetDefaults(table, device);
    } else {
        platform::SetFloatArray(table, device, s_material.colorModifierHandle, s_material.colorModifier, 3);
    }
}

// GetAsyncKeyState reads the keyboard of the whole desktop: while another program is in front, the
// keys are the user's business there, and all count as up here.
void PollMovementKeys() {
    if (platform::GetForegroundWindow() != window) {
        return;
    }
    for (const MovementKey& key : MovementKeys) {
        if (IsKeyDown(key.virtualKey)) {
            Component(*key.offset, key.axis) += key.step;
        }
    }
}

void Move() {
    const float cubeSeconds = FrameTimer::ElapsedSeconds();
    cubeOffset.x *= cubeSeconds;
    cubeOffset.y *= cubeSeconds;
    cubeOffset.z *= cubeSeconds;

    const float cameraSeconds = FrameTimer::ElapsedSeconds();
    s_cubeMesh.position.x += cubeOffset.x;
    s_cubeMesh.position.y += cubeOffset.y;
    s_cubeMesh.position.z += cubeOffset.z;
    cameraOffset.x *= cameraSeconds;
    cameraOffset.y *= cameraSeconds;
    cameraOffset.z *= cameraSeconds;
    cameraPosition.x += cameraOffset.x;
    cameraPosition.y += cameraOffset.y;
    cameraPosition.z += cameraOffset.z;
}

D3DXMATRIX Translation(const D3DXVECTOR3& translation) {
    D3DXMATRIX matrix;
    platform::D3DXMatrixTransformation(&matrix, nullptr, nullptr, nullptr, nullptr, nullptr, &translation);
    return matrix;
}

// The inverse of the camera's matrix, taken as a rotation followed by a translation.
D3DXMATRIX ViewMatrix(const D3DXMATRIX& camera) {
    D3DXMATRIX view;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            view.m[i][j] = camera.m[j][i];
        }
        view.m[i][3] = 0.0f;
    }
    for (int j = 0; j < 3; ++j) {
        view.m[3][j] =
            -(camera.m[j][0] * camera.m[3][0] + camera.m[j][1] * camera.m[3][1] + camera.m[j][2] * camera.m[3][2]);
    }
    view.m[3][3] = 1.0f;
    return view;
}

bool IsDrawable(const Mesh& mesh) {
    return mesh.device != nullptr && mesh.vertexBuffer != nullptr && mesh.indexBuffer != nullptr;
}

void DrawMesh(const Mesh& mesh) {
    if (!IsDrawable(mesh)) {
        return;
    }
    platform::SetStreamSource(mesh.device, mesh.streamIndex, mesh.vertexBuffer, mesh.streamOffset, mesh.vertexStride);
    platform::SetIndices(mesh.device, mesh.indexBuffer);
    const D3DXMATRIX modelToWorld = Translation(mesh.position);
    platform::SetMatrix(s_material.vertexShaderConstantTable, device, s_material.modelToWorldHandle, &modelToWorld);
    platform::DrawIndexedPrimitive(mesh.device, mesh.primitiveType, mesh.firstVertexIndex,
                                   static_cast<UINT>(mesh.firstVertexIndex), mesh.vertexCount, mesh.startIndex,
                                   mesh.primitiveCount);
}

// Without both shaders and the vertex shader's constants there is nothing to draw the meshes with.
bool CanDrawScene() {
    return s_material.vertexShader != nullptr && s_material.fragmentShader != nullptr &&
           s_material.vertexShaderConstantTable != nullptr;
}

void DrawScene() {
    platform::SetVertexShader(device, s_material.vertexShader);
    platform::SetPixelShader(device, s_material.fragmentShader);

    D3DXMATRIX viewToScreen;
    platform::D3DXMatrixPerspectiveFovLH(&viewToScreen, fieldOfView, AspectRatio, nearPlane, farPlane);
    const D3DXMATRIX worldToView = ViewMatrix(Translation(cameraPosition));
    platform::SetMatrix(s_material.vertexShaderConstantTable, device, s_material.worldToViewHandle, &worldToView);
    platform::SetMatrix(s_material.vertexShaderConstantTable, device, s_material.viewToScreenHandle, &viewToScreen);

    DrawMesh(s_cubeMesh);
    DrawMesh(s_planeMesh);
}

}  // namespace

void DrawFrame() {
    if (RestWhileMinimized()) {
        return;
    }
    if (deviceLost && !RestoreLostDevice()) {
        return;
    }
    FrameTimer::Tick();
    ApplyColorModifier();
    PollMovementKeys();
    Move();

    platform::Clear(device, 0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, OpaqueBlack, 1.0f, 0);
    platform::BeginScene(device);
    if (CanDrawScene()) {
        DrawScene();
    }
    platform::EndScene(device);
    // A windowed device is lost when the session is locked, the secure desktop opens, the display
    // mode changes or the driver resets; from then on nothing it draws is shown until it is reset.
    if (platform::Present(device, nullptr, nullptr, nullptr, nullptr) == D3DERR_DEVICELOST) {
        deviceLost = true;
    }
}

}  // namespace Renderer
