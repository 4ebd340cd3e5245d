// Loading the material file's chunk: text as Lua's own file loader reads it, a precompiled chunk
// only after the whole of it has passed the check that keeps Lua's virtual machine safe.
#pragma once

#include <string>

struct lua_State;

// LoadMaterialChunk's result for a precompiled chunk that was not given to Lua.
constexpr int ChunkRefused = -1;

// Loads the chunk in the file at path as luaL_loadfile does, text or precompiled, and gives Lua's
// status with the function or Lua's error text on the stack; or ChunkRefused, with nothing pushed
// and the reason in refusal.
int LoadMaterialChunk(lua_State* luaState, const char* path, std::string& refusal);
