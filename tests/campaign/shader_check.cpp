#include "tests/campaign/shader_check.h"

#include "assets/material.h"
#include "graphics/renderer.h"
#include "tests/support/material_test_support.h"

#include <algorithm>
#include <sstream>

namespace {

std::size_t PageSize() {
    SYSTEM_INFO system{};
    GetSystemInfo(&system);
    return system.dwPageSize;
}

// The constants whose handles the creation looks up.
std::vector<std::string> NamesLookedUp(ShaderKind kind) {
    if (kind == ShaderKind::Pixel) {
        return {"g_colorModifier"};
    }
    return {"g_transform_worldToView", "g_transform_viewToScreen", "g_transform_modelToWorld"};
}

struct Made {
    bool result;
    IUnknown* shader;
    ID3DXConstantTable* table;
    std::vector<D3DXHANDLE> handles;
};

Made Create(Material& material, ShaderKind kind) {
    if (kind == ShaderKind::Pixel) {
        const bool result = material.CreateFragmentShader();
        return {result, material.fragmentShader, material.fragmentShaderConstantTable, {material.colorModifierHandle}};
    }
    const bool result = material.CreateVertexShader();
    return {result,
            material.vertexShader,
            material.vertexShaderConstantTable,
            {material.worldToViewHandle, material.viewToScreenHandle, material.modelToWorldHandle}};
}

std::string BoxesSeen(const std::vector<MessageBoxCall>& boxes) {
    std::string seen = std::to_string(boxes.size()) + " boxes";
    for (const MessageBoxCall& box : boxes) {
        seen += " [" + box.caption + ": " + box.text + "]";
    }
    return seen;
}

// Exactly the creation's one box.
void CheckBox(ShaderKind kind, const std::vector<MessageBoxCall>& boxes, std::ostringstream& problems) {
    const bool pixel = kind == ShaderKind::Pixel;
    const char* const caption = pixel ? "No Fragment Shader" : "No Vertex Shader";
    const char* const text =
        pixel ? "DirectX failed to create the fragment shader" : "DirectX failed to create the vertex shader";
    if (boxes.size() != 1 || boxes[0].caption != caption || boxes[0].text != text || boxes[0].flags != MB_ICONERROR ||
        boxes[0].owner != Renderer::window) {
        problems << BoxesSeen(boxes) << " instead of [" << caption << ": " << text << "]; ";
    }
}

// Nothing made: no shader, table or handle.
void CheckNothingMade(const Made& made, std::ostringstream& problems) {
    if (made.result || made.shader != nullptr || made.table != nullptr ||
        std::any_of(made.handles.begin(), made.handles.end(), [](D3DXHANDLE handle) { return handle != nullptr; })) {
        problems << "something was made despite the refusal; ";
    }
}

// What the frame sets through the table: the defaults (when the material gives no colour modifier),
// and each handle's values, here from a matrix that ends where an inaccessible page begins, so that
// D3DX reading past the values it is given crashes.
void SetAsTheFrameDoes(ShaderKind kind, const Made& made) {
    if (made.table == nullptr) {
        return;
    }
    platform::SetDefaults(made.table, Renderer::device);
    auto* const matrix = static_cast<D3DXMATRIX*>(AllocateBeforeAGuardPage(sizeof(D3DXMATRIX)));
    if (matrix == nullptr) {
        return;
    }
    *matrix = D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    for (const D3DXHANDLE handle : made.handles) {
        if (handle != nullptr && kind == ShaderKind::Pixel) {
            platform::SetFloatArray(made.table, Renderer::device, handle, &matrix->_42, 3);
        } else if (handle != nullptr) {
            platform::SetMatrix(made.table, Renderer::device, handle, matrix);
        }
    }
    FreeBeforeAGuardPage(matrix);
}

void CheckMade(const ShaderCase& bad, const Made& made, std::ostringstream& problems) {
    if (made.shader == nullptr) {
        problems << "success without a shader; ";
    }
    const bool hasTable = FindShaderTable(bad.bytes).size != 0;
    if ((made.table != nullptr) != hasTable) {
        problems << (hasTable ? "no constant table although the file holds one; " : "a constant table from nowhere; ");
        return;
    }
    const std::vector<std::string> names = TopLevelConstantNames(bad.bytes);
    const std::vector<std::string> wanted = NamesLookedUp(bad.kind);
    for (std::size_t handle = 0; handle < wanted.size(); ++handle) {
        const bool inTable = std::find(names.begin(), names.end(), wanted[handle]) != names.end();
        if ((made.handles[handle] != nullptr) != inTable) {
            problems << "the handle of " << wanted[handle] << (inTable ? " is null" : " is not null") << "; ";
        }
    }
    SetAsTheFrameDoes(bad.kind, made);
}

}  // namespace

void* AllocateBeforeAGuardPage(std::size_t size) {
    static const std::size_t page = PageSize();
    const std::size_t pages = (size + page - 1) / page * page;
    auto* const base =
        static_cast<unsigned char*>(VirtualAlloc(nullptr, pages + page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD before = 0;
    if (base == nullptr || !VirtualProtect(base + pages, page, PAGE_NOACCESS, &before)) {
        return nullptr;
    }
    return base + pages - size;
}

void FreeBeforeAGuardPage(void* block) {
    MEMORY_BASIC_INFORMATION region{};
    if (block != nullptr && VirtualQuery(block, &region, sizeof region) != 0) {
        VirtualFree(region.AllocationBase, 0, MEM_RELEASE);
    }
}

std::string CheckShaderCreation(const ShaderCase& bad, const std::string& path, std::vector<MessageBoxCall>& boxes) {
    boxes.clear();
    Material material;
    (bad.kind == ShaderKind::Pixel ? material.fragmentShaderPath : material.vertexShaderPath) = path;
    std::size_t blocks = 0;
    platform::malloc = [&blocks](std::size_t size) {
        ++blocks;
        return AllocateBeforeAGuardPage(size);
    };
    platform::free = FreeBeforeAGuardPage;
    StandardErrorCapture capture;
    const Made made = Create(material, bad.kind);
    const std::string errors = capture.Stop();
    platform::malloc = platform::real::malloc;
    platform::free = platform::real::free;

    std::ostringstream problems;
    if (blocks != 1) {
        problems << blocks << " code blocks instead of 1; ";
    }
    const std::string refusal = "The shader file " + path + " is not a whole compiled shader: ";
    const bool refused = errors.compare(0, refusal.size(), refusal) == 0 && errors.find('\n') == errors.size() - 1;
    if (bad.mustBeRefused || !errors.empty()) {
        if (!refused) {
            problems << "standard error held \"" << errors.substr(0, 300) << "\" instead of one line \"" << refusal
                     << "...\"; ";
        }
        CheckBox(bad.kind, boxes, problems);
        CheckNothingMade(made, problems);
    } else if (made.result) {
        if (!boxes.empty()) {
            problems << BoxesSeen(boxes) << " instead of none; ";
        }
        CheckMade(bad, made, problems);
    } else {
        // Direct3D's refusal; D3DX may still have made a table.
        CheckBox(bad.kind, boxes, problems);
        if (made.shader != nullptr) {
            problems << "a shader despite the box; ";
        }
    }
    material.ReleaseDirect3DObjects();
    return problems.str();
}
