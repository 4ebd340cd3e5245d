#include "bench/frame_variants.h"

#include "assets/material.h"
#include "assets/mesh.h"
#include "graphics/renderer.h"

namespace {

void DrawMeshBare(const Mesh& mesh) {
    IDirect3DDevice9* const device = Renderer::device;
    device->SetStreamSource(mesh.streamIndex, mesh.vertexBuffer, mesh.streamOffset, mesh.vertexStride);
    device->SetIndices(mesh.indexBuffer);
    device->DrawIndexedPrimitive(mesh.primitiveType, mesh.firstVertexIndex, 0, mesh.vertexCount, mesh.startIndex,
                                 mesh.primitiveCount);
}

}  // namespace

// The same shaders and matrices that the program's frame sets, with both meshes at rest at the origin.
void BindBaselineState() {
    IDirect3DDevice9* const device = Renderer::device;
    device->SetVertexShader(s_material.vertexShader);
    device->SetPixelShader(s_material.fragmentShader);
    device->SetVertexDeclaration(s_cubeMesh.vertexDeclaration);
    D3DXMATRIX viewToScreen;
    D3DXMatrixPerspectiveFovLH(&viewToScreen, Renderer::fieldOfView, Renderer::AspectRatio, Renderer::nearPlane,
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

void BaselineFrame() {
    IDirect3DDevice9* const device = Renderer::device;
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    device->BeginScene();
    DrawMeshBare(s_cubeMesh);
    DrawMeshBare(s_planeMesh);
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
}

void ClearAndPresent() {
    IDirect3DDevice9* const device = Renderer::device;
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    device->BeginScene();
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
}

void BindNothing() {}
