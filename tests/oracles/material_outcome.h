// What Material::ReadAssetFile must make of data/material.material in the working directory, worked
// out from the documented rules with Lua's own calls alone: the size limit, then the chunk as
// luaL_loadfilex reads it, run in a bounded state of the oracle's own, and the walk of what it
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
    // A precompiled chunk, which nothing has loaded yet: see ExpectedPrecompiledOutcome.
    bool precompiled = false;
};

MaterialOutcome ExpectedMaterialOutcome();

// A precompiled chunk's outcome once the reader has read it and written `written`. The reader may
// refuse such a chunk for a reason that only its check knows, in one line of its own and nothing
// more; a chunk it did not refuse is one that Lua's loader is trusted with, so the oracle then loads
// and runs it too, as it runs text.
MaterialOutcome ExpectedPrecompiledOutcome(const std::string& written);
