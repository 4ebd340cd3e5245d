// The program's one material: the shader paths and colour modifier read from the material asset
// file, and the two shaders, their constant tables and the handles of the constants set every frame.
#pragma once

#include "platform/direct3d.h"

#include <string>

class Material {
public:
    ~Material();

    // Runs "data/material.material" in a fresh Lua state without libraries and copies the shader
    // paths and the colour modifier from the table it returns. Faults go to standard error (the
    // colour modifier's to a warning box); true when everything was read.
    bool ReadAssetFile();
    // Read the compiled shader named by the asset file and make the shader, its constant table and
    // its handles on Renderer::device, releasing what an earlier call made. Code that could not be
    // read, or that is no whole token stream of the kind (CheckCompiledShader), is never handed to
    // Direct3D or D3DX: one line on standard error says why, and the shader, table and handles stay
    // null. A failure shows a box owned by Renderer::window. The code is freed once the shader and
    // table are made.
    bool CreateFragmentShader();
    bool CreateVertexShader();
    // Releases the shaders and tables (vertex shader, fragment shader, vertex table, fragment table)
    // and clears the handles; the destructor does the same for whatever is left.
    void ReleaseDirect3DObjects();

    IDirect3DVertexShader9* vertexShader = nullptr;
    std::string vertexShaderPath;
    D3DXHANDLE worldToViewHandle = nullptr;
    D3DXHANDLE viewToScreenHandle = nullptr;
    D3DXHANDLE modelToWorldHandle = nullptr;
    ID3DXConstantTable* vertexShaderConstantTable = nullptr;
    IDirect3DPixelShader9* fragmentShader = nullptr;
    std::string fragmentShaderPath;
    ID3DXConstantTable* fragmentShaderConstantTable = nullptr;
    D3DXHANDLE colorModifierHandle = nullptr;
    // Element 0 equal to UseShaderDefaults tells the frame to apply the fragment table's defaults.
    float colorModifier[3] = {0.0f, 0.0f, 0.0f};

    static constexpr float UseShaderDefaults = -1.0f;
};

extern Material s_material;
