// The material's shaders, their constant tables and handles on the device, and their release.
#include "assets/material.h"

#include "assets/compiled_shader_check.h"
#include "assets/compiled_shader_file.h"
#include "graphics/renderer.h"
#include "platform/win32.h"

#include <iostream>

namespace {

// The compiled code of one shader file, freed when it goes: the shader and the constant table keep
// copies of what they need, so the block is not kept for the program's whole run.
class ShaderCode {
public:
    ShaderCode(const std::string& path, ShaderKind kind) {
        std::string message;
        if (!ReadCompiledShaderFile(path.c_str(), &code, &message, &size)) {
            WriteLine(message);
        }
        // Direct3D and D3DX read the tokens as far as they say, without knowing the length: only a
        // whole token stream is handed over.
        std::string reason;
        isShader = code != nullptr && CheckCompiledShader(code, size, kind, &reason);
        if (code != nullptr && !isShader) {
            WriteLine("The shader file " + path + " is not a whole compiled shader: " + reason);
        }
    }
    ShaderCode(const ShaderCode&) = delete;
    ShaderCode& operator=(const ShaderCode&) = delete;
    ~ShaderCode() {
        if (code != nullptr) {
            platform::free(code);
        }
    }

    // The token stream, or null when the file could not be read or does not hold a whole one of the kind.
    const DWORD* Tokens() const { return isShader ? static_cast<const DWORD*>(code) : nullptr; }

private:
    // The creation box cannot say why a file could not be read or used: the reader's reason goes
    // where the program's other data faults go, as one line.
    static void WriteLine(std::string message) {
        while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) {
            message.pop_back();
        }
        std::cerr << message << '\n';
    }

    void* code = nullptr;
    DWORD size = 0;
    bool isShader = false;
};

D3DXHANDLE LookUpConstant(ID3DXConstantTable* table, const char* name) {
    return table != nullptr ? platform::GetConstantByName(table, nullptr, name) : nullptr;
}

bool Created(HRESULT result, const void* shader) {
    return SUCCEEDED(result) && shader != nullptr;
}

}  // namespace

Material::~Material() {
    ReleaseDirect3DObjects();
}

bool Material::CreateFragmentShader() {
    platform::ReleaseAndClear(fragmentShader);
    platform::ReleaseAndClear(fragmentShaderConstantTable);
    colorModifierHandle = nullptr;

    HRESULT result = E_FAIL;
    {
        // Without code or a device nothing is made, and the frame finds no table to set. The code
        // is freed on leaving this block, before any box waits for the user.
        const ShaderCode code(fragmentShaderPath, ShaderKind::Pixel);
        if (code.Tokens() != nullptr && Renderer::device != nullptr) {
            result = platform::CreatePixelShader(Renderer::device, code.Tokens(), &fragmentShader);
            platform::D3DXGetShaderConstantTable(code.Tokens(), &fragmentShaderConstantTable);
            colorModifierHandle = LookUpConstant(fragmentShaderConstantTable, "g_colorModifier");
        }
    }
    if (!Created(result, fragmentShader)) {
        Renderer::ReportFailure(Renderer::window, "DirectX failed to create the fragment shader", "No Fragment Shader");
        return false;
    }
    return true;
}

bool Material::CreateVertexShader() {
    platform::ReleaseAndClear(vertexShader);
    platform::ReleaseAndClear(vertexShaderConstantTable);
    worldToViewHandle = nullptr;
    viewToScreenHandle = nullptr;
    modelToWorldHandle = nullptr;

    HRESULT result = E_FAIL;
    {
        const ShaderCode code(vertexShaderPath, ShaderKind::Vertex);
        if (code.Tokens() != nullptr && Renderer::device != nullptr) {
            result = platform::CreateVertexShader(Renderer::device, code.Tokens(), &vertexShader);
            platform::D3DXGetShaderConstantTable(code.Tokens(), &vertexShaderConstantTable);
            worldToViewHandle = LookUpConstant(vertexShaderConstantTable, "g_transform_worldToView");
            viewToScreenHandle = LookUpConstant(vertexShaderConstantTable, "g_transform_viewToScreen");
            modelToWorldHandle = LookUpConstant(vertexShaderConstantTable, "g_transform_modelToWorld");
        }
    }
    if (!Created(result, vertexShader)) {
        Renderer::ReportFailure(Renderer::window, "DirectX failed to create the vertex shader", "No Vertex Shader");
        return false;
    }
    return true;
}

void Material::ReleaseDirect3DObjects() {
    platform::ReleaseAndClear(vertexShader);
    platform::ReleaseAndClear(fragmentShader);
    platform::ReleaseAndClear(vertexShaderConstantTable);
    platform::ReleaseAndClear(fragmentShaderConstantTable);
    worldToViewHandle = nullptr;
    viewToScreenHandle = nullptr;
    modelToWorldHandle = nullptr;
    colorModifierHandle = nullptr;
}
