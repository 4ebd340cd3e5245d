// Bad compiled shader files for the campaign: the shipped vertex and fragment shaders, mutated in
// their tokens, their comment lengths and their constant tables.
#pragma once

#include "assets/compiled_shader_check.h"
#include "tests/campaign/dice.h"

#include <cstdint>
#include <string>
#include <vector>

struct ShaderSource {
    std::string name;
    std::vector<std::uint8_t> bytes;
    ShaderKind kind;
};

// The shipped shaders, read from data/ of the working directory (empty ones when they are missing).
std::vector<ShaderSource> ShaderSources();

struct ShaderCase {
    std::vector<std::uint8_t> bytes;
    ShaderKind kind;          // the creation it goes through: the fragment or the vertex shader's
    std::string description;  // the source and what was done to it
    std::string sort;         // for the tally: "cuts", "lying comment lengths" and so on
    // The file lies about where its parts end (a cut, a comment or an offset past the end): the
    // reader must refuse it. Otherwise Direct3D may refuse it too, or take it.
    bool mustBeRefused = false;
};

// One sort of mutation: cuts, comment lengths that lie (past the end or inside), constant table
// offsets that lie, table counts that lie (constants, registers, rows, elements, nested structs),
// or one to four damaged tokens (bit flips, telling values, instruction lengths, swapped, removed
// or added words, another version, the other kind's creation).
ShaderCase MakeShaderCase(const std::vector<ShaderSource>& sources, Dice& dice);

// Where a shader file's first constant table lies, found as D3DX finds it; all zero without one.
struct ShaderTableLayout {
    std::uint64_t commentWord = 0;  // the comment token's index
    std::uint64_t first = 0;        // the table's first byte, after the tag
    std::uint64_t size = 0;         // its bytes: the comment's words after the tag
};
ShaderTableLayout FindShaderTable(const std::vector<std::uint8_t>& bytes);

// The names of the table's top-level constants that lie whole inside it, as the campaign reads them.
std::vector<std::string> TopLevelConstantNames(const std::vector<std::uint8_t>& bytes);
