// The material's shaders, their constant tables and handles on the device, and their release.
#include "assets/material.h"

#include "assets/compiled_shader_check.h"
#include "assets/compiled_shader_file.h"
#include "graphics/renderer.h"
#include "platform/win32.h"

#include <initializer_list>
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

HRESULT CreateOnDevice(const DWORD* tokens, IDirect3DVertexShader9** shader) {
    return platform::CreateVertexShader(Renderer::device, tokens, shader);
}

HRESULT CreateOnDevice(const DWORD* tokens, IDirect3DPixelShader9** shader) {
    return platform::CreatePixelShader(Renderer::device, tokens, shader);
}

// A constant that the frame sets, and where its handle is kept.
struct ConstantHandle {
    D3DXHANDLE* handle;
    const char* name;
};

// One shader of either kind, with its constant table and the handles of its constants, made from
// the file at path after what an earlier call made is released; a failure shows the box.
template <typename Shader>
bool CreateShader(const std::string& path, ShaderKind kind, Shader*& shader, ID3DXConstantTable*& table,
                  std::initializer_list<ConstantHandle> constants, const char* failure, const char* caption) {
    platform::ReleaseAndClear(shader);
    platform::ReleaseAndClear(table);
    for (const ConstantHandle& constant : constants) {
        *constant.handle = nullptr;
    }

    HRESULT result = E_FAIL;
    {
        // Without code or a device nothing is made, and the frame finds no table to set. The code
        // is freed on leaving this block, before any box waits for the user.
        const ShaderCode code(path, kind);
        if (code.Tokens() != nullptr && Renderer::device != nullptr) {
            result = CreateOnDevice(code.Tokens(), &shader);
            platform::D3DXGetShaderConstantTable(code.Tokens(), &table);
            for (const ConstantHandle& constant : constants) {
                *constant.handle = LookUpConstant(table, constant.name);
            }
        }
    }
    if (!Created(result, shader)) {
        Renderer::ReportFailure(Renderer::window, failure, caption);
        return false;
    }
    return true;
}

}  // namespace

Material::~Material() {
    ReleaseDirect3DObjects();
}

bool Material::CreateFragmentShader() {
    return CreateShader(fragmentShaderPath, ShaderKind::Pixel, fragmentShader, fragmentShaderConstantTable,
                        {{&colorModifierHandle, "g_colorModifier"}}, "DirectX failed to create the fragment shader",
                        "No Fragment Shader");
}

bool Material::CreateVertexShader() {
    return CreateShader(vertexShaderPath, ShaderKind::Vertex, vertexShader, vertexShaderConstantTable,
                        {{&worldToViewHandle, "g_transform_worldToView"},
                         {&viewToScreenHandle, "g_transform_viewToScreen"},
                         {&modelToWorldHandle, "g_transform_modelToWorld"}},
                        "DirectX failed to create the vertex shader", "No Vertex Shader");
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
