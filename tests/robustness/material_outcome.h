// What Material::ReadAssetFile must make of data/material.material in the working directory,
// worked out by running the chunk in a Lua state of the check's own and walking what it returned.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct MaterialOutcome {
    // Standard error must hold exactly one of these (a Lua error may come in either position form).
    std::vector<std::string> acceptedErrors{""};
    // The values the fields must be set to; none where they must be left as they were.
    std::optional<std::string> vertexShaderPath;
    std::optional<std::string> fragmentShaderPath;
    std::optional<float> colorModifier[3];
    bool warningBox = false;  // "No ColorModifier"
    bool complete = false;    // ReadAssetFile's result
};

MaterialOutcome ExpectedMaterialOutcome();

// A Lua error text as Lua words it ("NAME:LINE: message"), and with a leading position in the
// program's own form ("NAME(LINE): error: message").
std::vector<std::string> LuaErrorForms(const std::string& message);
