// Whether the bytes of a compiled shader file hold one whole Direct3D 9 token stream. Direct3D's
// CreateVertexShader and CreatePixelShader and D3DX's D3DXGetShaderConstantTable take no length:
// they walk the stream as its tokens say, so a comment length, an instruction length or a table
// offset that lies would take them past the file's bytes. Bytes that pass stay inside themselves
// for D3DX's walk, for Direct3D's walk (each instruction one that Direct3D knows for the kind and
// model, its parameters inside its length) and for every constant table; what the instructions do
// stays Direct3D's to validate. Pure: no Windows, Direct3D or D3DX call, only their headers'
// definitions of tokens and records, so that it can be built and fuzzed wherever those headers are.
#pragma once

#include <cstddef>
#include <string>

enum class ShaderKind { Vertex, Pixel };

// True when the length bytes at bytes are a whole shader of the kind (bytes may be unaligned).
// Otherwise false and, when reason is not null, *reason is one line without a line end that says
// what is wrong, such as "the comment at word 5 runs past the end of the file".
bool CheckCompiledShader(const void* bytes, std::size_t length, ShaderKind kind, std::string* reason);
