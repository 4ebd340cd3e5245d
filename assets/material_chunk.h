// Loading the material file's chunk: the file read whole and once, within a size limit, then given to
// Lua as its own file loader would give it: text as text, a precompiled chunk only after the whole
// of it has passed the check that keeps Lua's virtual machine safe.
#pragma once

#include <cstdint>
#include <string>

struct lua_State;

// The most that a material file may hold. The shipped material takes a few hundred bytes; Lua's
// parser runs before any bound on running does, and the slowest text of this size that we could
// make (global names looked up through a hundred nested functions of a hundred locals each, whose
// cost grows with the square of the file's size) parses in about 0.3 s under Wine.
constexpr std::uint64_t MaterialFileByteLimit = 32 * 1024;

// LoadMaterialChunk's result for a file that was not given to Lua.
constexpr int ChunkRefused = -1;

// Loads the chunk in the file at path as luaL_loadfile does, text or precompiled, and gives Lua's
// status with the function or Lua's error text on the stack (a file that cannot be opened or read
// gets luaL_loadfile's own message); or ChunkRefused, with nothing pushed and the reason in refusal
// (a file larger than the limit, or a precompiled chunk that fails the check).
int LoadMaterialChunk(lua_State* luaState, const char* path, std::string& refusal);
