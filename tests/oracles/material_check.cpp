#include "tests/oracles/material_check.h"

#include "assets/material.h"
#include "assets/material_lua_state.h"
#include "graphics/renderer.h"
#include "tests/oracles/read_back.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sstream>

namespace {

// What the fresh material holds before the read, so that a field left alone can be told from one
// set to an empty path or to zero.
const char* const VertexPathBefore = "(vertex shader path before the read)";
const char* const FragmentPathBefore = "(fragment shader path before the read)";
const float ColourBefore[3] = {7.0f, 8.0f, 9.0f};

// A text on one line, control bytes escaped, long ones by their start only.
std::string Shown(const std::string& text) {
    std::string shown = "\"";
    for (std::size_t byte = 0; byte < text.size() && byte < 200; ++byte) {
        const unsigned char character = static_cast<unsigned char>(text[byte]);
        if (character < 0x20 || character == 0x7F) {
            char escaped[8] = {};
            std::snprintf(escaped, sizeof escaped, "\\x%02X", character);
            shown += escaped;
        } else {
            shown += static_cast<char>(character);
        }
    }
    return shown + (text.size() > 200 ? "...\"" : "\"");
}

// A run long by both of its bounds meets first the one that the machine's speed at that moment
// gives, in the reader as in the oracle: either stop is the same answer.
std::string EitherRunBound(std::string errors) {
    const std::string bounds[] = {
        " (more than " + std::to_string(MaterialLuaState::InstructionLimit) + " instructions)",
        " (more than " + std::to_string(MaterialLuaState::TimeLimitMilliseconds / 1000) + " seconds)"};
    for (const std::string& bound : bounds) {
        const std::size_t at = errors.find("ran too long" + bound);
        if (at != std::string::npos) {
            errors.erase(at + std::strlen("ran too long"), bound.size());
        }
    }
    return errors;
}

bool SameBits(float first, float second) {
    return std::memcmp(&first, &second, sizeof first) == 0;
}

void CheckPath(const char* name, const std::string& path, const std::optional<std::string>& expected,
               const char* before, std::ostringstream& problems) {
    const std::string wanted = expected.value_or(before);
    if (path != wanted) {
        problems << name << " " << Shown(path) << " instead of " << Shown(wanted) << "; ";
    }
}

}  // namespace

std::string CheckMaterialRead(const MaterialOutcome& beforeTheRead, std::vector<MessageBoxCall>& boxes) {
    boxes.clear();
    Material material;
    material.vertexShaderPath = VertexPathBefore;
    material.fragmentShaderPath = FragmentPathBefore;
    std::copy(std::begin(ColourBefore), std::end(ColourBefore), material.colorModifier);
    bool complete = false;
    const std::string errors = StandardErrorDuring([&] { complete = material.ReadAssetFile(); });
    const MaterialOutcome expected = beforeTheRead.precompiled ? ExpectedPrecompiledOutcome(errors) : beforeTheRead;

    std::ostringstream problems;
    if (EitherRunBound(errors) != EitherRunBound(expected.errors)) {
        problems << "standard error " << Shown(errors) << " instead of " << Shown(expected.errors) << "; ";
    }
    const bool warned = boxes.size() == 1 && boxes[0].caption == "No ColorModifier" &&
                        boxes[0].text == "g_colorModifier does not exist. Using default values." &&
                        boxes[0].flags == (MB_OK | MB_ICONWARNING) && boxes[0].owner == Renderer::window;
    if (expected.warningBox ? !warned : !boxes.empty()) {
        problems << boxes.size() << " boxes instead of " << (expected.warningBox ? "the warning" : "none") << "; ";
    }
    if (complete != expected.complete) {
        problems << "the read returned " << complete << "; ";
    }
    CheckPath("vertex shader path", material.vertexShaderPath, expected.vertexShaderPath, VertexPathBefore, problems);
    CheckPath("fragment shader path", material.fragmentShaderPath, expected.fragmentShaderPath, FragmentPathBefore,
              problems);
    for (int element = 0; element < 3; ++element) {
        const float wanted = expected.colorModifier[element].value_or(ColourBefore[element]);
        if (!SameBits(material.colorModifier[element], wanted)) {
            problems << "colour modifier element " << element << " " << material.colorModifier[element]
                     << " instead of " << wanted << "; ";
        }
    }
    return problems.str();
}
