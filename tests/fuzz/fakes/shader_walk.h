// Compiled shader code as Direct3D 9 and D3DX read it: without its length, trusting what its tokens
// and the offsets of its constant table say. The fake device reads everything they read, in the
// same order, so that whatever a file check lets through is read here too.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

// Reads the token stream as CreateVertexShader and CreatePixelShader do, instruction by instruction
// (token by token before shader model 2.0): every token from the version token to the end token,
// one after the other, so that a stream that runs past the end of its block is read into the
// block's redzone, where AddressSanitizer reports it. False when the version token is not of the
// kind (0xFFFE0000 vertex, 0xFFFF0000 pixel).
bool ReadTokenStream(const DWORD* code, DWORD versionType);

// Reads the constant table as D3DXGetShaderConstantTable does: the first comment that begins with
// "CTAB" in a token-by-token walk of the stream, which ends there, copied into a block of the
// comment's length, then every record, string and default value that the table's offsets lead to. A
// record outside the comment stops the process with what was read where. The names of the top-level
// constants; none when there is no table.
std::optional<std::vector<std::string>> ReadConstantTable(const DWORD* code);
