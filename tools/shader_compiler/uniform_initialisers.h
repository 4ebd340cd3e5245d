// The initial values that an HLSL source gives its uniform float constants, and the same source
// without them, for a compiler that refuses initialisers of uniforms.
//
// Recognised are top-level declarations of one constant of type float, float2, float3, float4 or
// float4x4, optionally marked uniform, with an initialiser:
//
//   float g_scale = 0.5;
//   uniform float3 g_colorModifier = { 1.0, 1.0, 1.0 };
//   float4x4 g_transform = { 1, 0, 0, 0,  0, 1, 0, 0,  0, 0, 1, 0,  0, 0, 0, 1 };   // row by row
//
// A float takes one number, bare or in braces; the others take all their components in braces, a
// matrix's row by row. Numbers are decimal, with an optional sign, exponent and f suffix. Every
// other declaration is left to the compiler as it stands.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct UniformInitialiser {
    std::string name;
    int rows = 1;  // 1 for float and the vectors
    int columns = 1;
    std::vector<float> values;  // rows x columns, row by row
    std::size_t line = 0;       // of the declaration, counted from 1
};

struct InitialisedSource {
    std::vector<UniformInitialiser> initialisers;  // in source order
    // The source with each recognised "= ..." blanked out; its lines stay where they were.
    std::string withoutInitialisers;
};

// Finds the initialisers of source; sourceName names it in the error. A recognised declaration
// whose initialiser is malformed gives false, with *error "SOURCE(LINE): error: WHAT".
bool FindUniformInitialisers(const std::string& source, const std::string& sourceName, InitialisedSource* result,
                             std::string* error);
