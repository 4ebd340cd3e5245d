// The sources of the campaign's material cases, apart from their mutations, so that the native
// fuzz build takes them as seeds without the campaign's Windows support.
#include "tests/campaign/material_cases.h"

#include "tests/support/file_contents.h"

std::vector<MaterialSource> MaterialSources() {
    return {
        {"material.material", FileContents("data/material.material")},
        {"numbers and strings",
         "-- A number as a path, strings that read as numbers, entries that are not read.\n"
         "return {\n"
         "    shaders = { vertexShader = 12, fragmentShader = 'data/fragment.shader', geometryShader = 'unused' },\n"
         "    constants = { g_colorModifier = { '0.5', '0x10', 1, 4 }, other = { 1, 2, 3 } },\n"
         "}\n"},
        {"computed values",
         "local folder = \"data/\"\n"
         "local half = 1 / 2\n"
         "return { constants = { g_colorModifier = { half, half * half, -1 } },\n"
         "         shaders = { vertexShader = folder .. \"vertex.shader\", fragmentShader = #folder } }\n"},
        {"odd literals",
         "return { shaders = { vertexShader = [[data/vertex.shader]],\n"
         "                     [ \"fragment\" .. \"Shader\" ] = \"f\\0.shader\" },\n"
         "         constants = { g_colorModifier = { 2^128, -0.0, 1e-50 } } }\n"},
        {"paths put together",
         "local folder, vertex, fragment = \"data/\", \"vertex.shader\", \"fragment.shader\"\n"
         "local paths = { folder .. vertex, folder .. fragment }\n"
         "return { shaders = { vertexShader = paths[1], fragmentShader = paths[2] } }\n"},
        {"colours looked up by name",
         "local names = { red = \"warm\", warm = \"bright\", bright = 1 }\n"
         "local key = \"red\"\n"
         "return { shaders = {}, constants = { g_colorModifier = { 0.5 * names[names[names[key]]], 1, 1 } } }\n"},
        {"two values", "return { shaders = {}, constants = { g_colorModifier = { 1, 2 } } }, nil\n"},
        {"shared tables",
         "local shaders = { vertexShader = \"v\", fragmentShader = \"f\" }\n"
         "if shaders then shaders.extra = { shaders } end\n"
         "return { shaders = shaders, constants = shaders }\n"},
    };
}
