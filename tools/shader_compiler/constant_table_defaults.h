// Default values written into the constant table of compiled Direct3D 9 byte code, in the layout
// that D3DXGetShaderConstantTable reads and ID3DXConstantTable::SetDefaults applies: each
// constant's DefaultValue points at four floats per register it occupies.
#pragma once

#include "tools/shader_compiler/uniform_initialisers.h"

#include <cstdint>
#include <string>
#include <vector>

// Appends the values of the initialisers to the table (the comment token that holds "CTAB", among
// those right after the version token) and points each constant's DefaultValue at its own; a
// constant that the compiler left out of the table (unused) needs none. False, with *error
// "SOURCE(LINE): error: WHAT" (or "SOURCE: error: WHAT" for a fault of the whole table), when the
// code has no readable table or a constant's entry does not fit its declaration; the tokens are
// then of no use.
bool WriteConstantDefaults(std::vector<std::uint32_t>& tokens, const std::vector<UniformInitialiser>& initialisers,
                           const std::string& sourceName, std::string* error);
