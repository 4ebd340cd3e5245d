// Compiled shader files through the material's shader steps on the fake device, as both kinds: the
// reader's whole-file check decides what reaches Direct3D and D3DX, whose reading of every token,
// comment and constant-table record the fake device does inside the file's exact-length block.
// Each step either makes its shader or shows its one box, a refusal by the check is told in one
// line of its own, and a stream is never both kinds.
#include "assets/material.h"
#include "tests/fuzz/fakes/platform_fakes.h"
#include "tests/fuzz/targets/target_support.h"
#include "tests/oracles/read_back.h"

#include <cstring>
#include <sstream>

namespace {

constexpr const char* ShaderPath = "data/fuzz.shader";
constexpr const char* Refusal = "The shader file data/fuzz.shader is not a whole compiled shader: ";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fake::PutFile(ShaderPath, data, size);
    Material material;
    material.vertexShaderPath = ShaderPath;
    material.fragmentShaderPath = ShaderPath;
    fake::MessageBoxes().clear();
    bool vertex = false;
    bool fragment = false;
    const std::string errors = StandardErrorDuring([&] {
        vertex = material.CreateVertexShader();
        fragment = material.CreateFragmentShader();
    });
    std::string problem;
    if (vertex && fragment) {
        problem += "a vertex shader and a fragment shader from one stream; ";
    }
    if (fake::MessageBoxes().size() != static_cast<std::size_t>(!vertex) + static_cast<std::size_t>(!fragment)) {
        problem += std::to_string(fake::MessageBoxes().size()) + " boxes for the steps' failures; ";
    }
    std::istringstream lines(errors);
    std::size_t refusals = 0;
    for (std::string line; std::getline(lines, line); ++refusals) {
        if (line.compare(0, std::strlen(Refusal), Refusal) != 0) {
            problem += "standard error held \"" + line + "\"; ";
        }
    }
    if (refusals > fake::MessageBoxes().size()) {
        problem += std::to_string(refusals) + " refusals for the steps' failures; ";
    }
    material.ReleaseDirect3DObjects();
    RequireSoundRun(problem);
    return 0;
}
