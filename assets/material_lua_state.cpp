#include "assets/material_lua_state.h"

#include "platform/win32.h"

#include <lua.hpp>

#include <cstdlib>
#include <iostream>

namespace {

// Raises a Lua error at the running chunk's position ("chunk:line: why"). No C++ object may be
// alive here: the error leaves by a long jump.
[[noreturn]] void StopRunningChunk(lua_State* luaState, const char* why, int limit) {
    luaL_where(luaState, 0);
    lua_pushfstring(luaState, why, limit);
    lua_concat(luaState, 2);
    lua_error(luaState);
    std::abort();  // lua_error does not return
}

}  // namespace

MaterialLuaState::MaterialLuaState() {
    state = lua_newstate(Allocate, this);
    if (state != nullptr) {
        lua_atpanic(state, Panic);
        // The hook runs after every instruction, so that the clock is read after each: a chunk then
        // outlasts the time limit by no more than its slowest single instruction. Within the memory
        // cap that is a store that rehashes a table whose keys all share one hash chain, some 0.6 s
        // under Wine; the hook costs about 0.2 s under Wine over the whole instruction limit.
        lua_sethook(state, CountInstructions, LUA_MASKCOUNT, 1);
    }
}

MaterialLuaState::~MaterialLuaState() {
    if (state != nullptr) {
        lua_close(state);
    }
}

int MaterialLuaState::Run() {
    startMilliseconds = platform::GetTickCount64();
    return lua_pcall(state, 0, LUA_MULTRET, 0);
}

void MaterialLuaState::LiftMemoryLimits() {
    limited = false;
}

// Lua's allocation function: newSize 0 frees; without a block, oldSize tells the kind of object
// rather than a size. Growth past a limit is refused, and Lua then raises "not enough memory";
// shrinking never fails, as Lua requires.
void* MaterialLuaState::Allocate(void* owner, void* block, std::size_t oldSize, std::size_t newSize) {
    auto& self = *static_cast<MaterialLuaState*>(owner);
    const std::size_t held = block != nullptr ? oldSize : 0;
    if (newSize == 0) {
        std::free(block);
        self.bytesInUse -= held;
        return nullptr;
    }
    const std::size_t growth = newSize > held ? newSize - held : 0;
    if (self.limited && (growth > MemoryLimit - self.bytesInUse || growth > AllocationLimit - self.bytesAllocated)) {
        return nullptr;
    }
    void* const resized = std::realloc(block, newSize);
    if (resized != nullptr) {
        self.bytesInUse = self.bytesInUse - held + newSize;
        self.bytesAllocated += growth;
    }
    return resized;
}

// What the library's own states do with an error outside any protected call, before the process
// ends: say so.
int MaterialLuaState::Panic(lua_State* luaState) {
    const char* const message = lua_tostring(luaState, -1);
    std::cerr << "PANIC: unprotected error in call to Lua API (" << (message != nullptr ? message : "?") << ")\n";
    return 0;
}

void MaterialLuaState::CountInstructions(lua_State* luaState, lua_Debug*) {
    void* owner = nullptr;
    lua_getallocf(luaState, &owner);
    auto& self = *static_cast<MaterialLuaState*>(owner);
    ++self.instructionsRun;
    if (self.instructionsRun >= InstructionLimit) {
        StopRunningChunk(luaState, "the material file ran too long (more than %d instructions)",
                         static_cast<int>(InstructionLimit));
    }
    if (platform::GetTickCount64() - self.startMilliseconds > TimeLimitMilliseconds) {
        StopRunningChunk(luaState, "the material file ran too long (more than %d seconds)",
                         static_cast<int>(TimeLimitMilliseconds / 1000));
    }
}
