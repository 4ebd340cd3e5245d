// Measures what one frame costs with the shipped data on the program's own device:
//   (a) the program's Renderer::DrawFrame;
//   (b) a baseline doing only what the picture needs: shaders, constants and vertex declaration set
//       once before the loop, then per frame one clear, the two draws and Present;
//   (c) clear and Present alone.
// The three alternate in rounds so that drifts of the machine reach each of them alike. Prints the
// median and 99th percentile of each, and last the ratio of the medians of (a) and (b).
//
//   frame_cost [FRAMES_PER_VARIANT]     (run from the folder that holds data/)
#include "application/main_window.h"
#include "assets/material.h"
#include "assets/mesh.h"
#include "graphics/renderer.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int Rounds = 10;

double Now() {
    LARGE_INTEGER frequency;
    LARGE_INTEGER count;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&count);
    return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The messages a frame of the program's loop would see, so that each variant runs in the same world.
void PumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void ClearAndPresent() {
    IDirect3DDevice9* const device = Renderer::device;
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    device->BeginScene();
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
}

void DrawMeshBare(const Mesh& mesh) {
    IDirect3DDevice9* const device = Renderer::device;
    device->SetStreamSource(mesh.streamIndex, mesh.vertexBuffer, mesh.streamOffset, mesh.vertexStride);
    device->SetIndices(mesh.indexBuffer);
    device->DrawIndexedPrimitive(mesh.primitiveType, mesh.firstVertexIndex, 0, mesh.vertexCount, mesh.startIndex,
                                 mesh.primitiveCount);
}

void BaselineFrame() {
    IDirect3DDevice9* const device = Renderer::device;
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    device->BeginScene();
    DrawMeshBare(s_cubeMesh);
    DrawMeshBare(s_planeMesh);
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
}

// The state the baseline keeps for the whole run: the same shaders and matrices the program's frame
// sets, with both meshes at rest at the origin.
void BindBaselineState() {
    IDirect3DDevice9* const device = Renderer::device;
    device->SetVertexShader(s_material.vertexShader);
    device->SetPixelShader(s_material.fragmentShader);
    D3DXMATRIX viewToScreen;
    D3DXMatrixPerspectiveFovLH(&viewToScreen, Renderer::fieldOfView, 1.3333334f, Renderer::nearPlane,
                               Renderer::farPlane);
    D3DXMATRIX worldToView;
    D3DXMatrixTranslation(&worldToView, -Renderer::cameraPosition.x, -Renderer::cameraPosition.y,
                          -Renderer::cameraPosition.z);
    D3DXMATRIX modelToWorld;
    D3DXMatrixIdentity(&modelToWorld);
    ID3DXConstantTable* const vertexConstants = s_material.vertexShaderConstantTable;
    vertexConstants->SetMatrix(device, s_material.worldToViewHandle, &worldToView);
    vertexConstants->SetMatrix(device, s_material.viewToScreenHandle, &viewToScreen);
    vertexConstants->SetMatrix(device, s_material.modelToWorldHandle, &modelToWorld);
    s_material.fragmentShaderConstantTable->SetFloatArray(device, s_material.colorModifierHandle,
                                                          s_material.colorModifier, 3);
}

struct Variant {
    const char* name;
    void (*frame)();
    void (*prepare)();
    std::vector<double> seconds;
};

void Measure(Variant& variant, int frames) {
    variant.prepare();
    for (int i = 0; i < frames; ++i) {
        PumpMessages();
        const double start = Now();
        variant.frame();
        variant.seconds.push_back(Now() - start);
    }
}

double Percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
    return values[index];
}

bool SceneIsComplete() {
    return s_material.vertexShader != nullptr && s_material.fragmentShader != nullptr &&
           s_material.vertexShaderConstantTable != nullptr && s_material.fragmentShaderConstantTable != nullptr &&
           s_cubeMesh.vertexBuffer != nullptr && s_cubeMesh.indexBuffer != nullptr &&
           s_planeMesh.vertexBuffer != nullptr && s_planeMesh.indexBuffer != nullptr;
}

void Nothing() {}

}  // namespace

int main(int argumentCount, char** arguments) {
    const int framesPerVariant = argumentCount > 1 ? std::max(Rounds, std::atoi(arguments[1])) : 3000;
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    if (RegisterMainWindowClass(instance) == 0) {
        return 1;
    }
    s_mainWindow = CreateMainWindow(instance, SW_SHOWNORMAL);
    if (s_mainWindow == nullptr || !Renderer::Startup(s_mainWindow)) {
        return 1;
    }
    int status = 0;
    if (!SceneIsComplete()) {
        std::fprintf(stderr, "The shipped data did not load completely; run from the folder that holds data/\n");
        status = 1;
    } else {
        Variant variants[] = {{"program DrawFrame", Renderer::DrawFrame, Nothing, {}},
                              {"baseline draws", BaselineFrame, BindBaselineState, {}},
                              {"clear and Present", ClearAndPresent, Nothing, {}}};
        for (int round = 0; round < Rounds; ++round) {
            for (Variant& variant : variants) {
                Measure(variant, framesPerVariant / Rounds);
            }
        }
        for (const Variant& variant : variants) {
            std::printf("%-18s frames %zu  median %8.1f us  p99 %8.1f us\n", variant.name, variant.seconds.size(),
                        Percentile(variant.seconds, 0.5) * 1e6, Percentile(variant.seconds, 0.99) * 1e6);
        }
        std::printf("frame time ratio (program/baseline): %.3f\n",
                    Percentile(variants[0].seconds, 0.5) / Percentile(variants[1].seconds, 0.5));
    }
    Renderer::Shutdown();
    DestroyMainWindow();
    UnregisterMainWindowClass(instance);
    return status;
}
