// What Material::ReadAssetFile must make of data/material.material in the working directory,
// worked out by running the chunk in a bounded Lua state of the check's own and walking what it
// returned.
#pragma once

#include <optional>
#include <string>

struct MaterialOutcome {
    // What standard error must hold exactly.
    std::string errors;
    // The values the fields must be set to; none where they must be left as they were.
    std::optional<std::string> vertexShaderPath;
    std::optional<std::string> fragmentShaderPath;
    std::optional<float> colorModifier[3];
    bool warningBox = false;  // "No ColorModifier"
    bool complete = false;    // ReadAssetFile's result
};

MaterialOutcome ExpectedMaterialOutcome();

// A Lua error text as the program writes it: a leading position as Lua words it ("NAME:LINE: message")
// in the program's own form ("NAME(LINE): error: message"); a message without one as it is.
std::string LuaErrorAsWritten(const std::string& message);
