#include "tests/oracles/bounded_lua_state.h"

#include "assets/material_lua_state.h"

#include <lua.hpp>

#include <cstdlib>

namespace {

// Raises "chunk:line: " and the message where the chunk runs; lua_error leaves by a long jump.
[[noreturn]] void Stop(lua_State* luaState, const char* message, int limit) {
    luaL_where(luaState, 0);
    lua_pushfstring(luaState, message, limit);
    lua_concat(luaState, 2);
    lua_error(luaState);
    std::abort();
}

}  // namespace

BoundedLuaState::BoundedLuaState() {
    state = lua_newstate(Allocate, this);
    if (state != nullptr) {
        // The documented hook interval: every instruction, so that the count reaches the limit at the
        // same instruction as the reader's.
        lua_sethook(state, CountInstructions, LUA_MASKCOUNT, 1);
    }
}

BoundedLuaState::~BoundedLuaState() {
    if (state != nullptr) {
        lua_close(state);
    }
}

int BoundedLuaState::Run() {
    chunkStart = std::chrono::steady_clock::now();
    const int status = lua_pcall(state, 0, LUA_MULTRET, 0);
    bounded = false;
    return status;
}

// Growth is refused past what the state may hold at once or allocate over its life, shrinking
// never. Without a block, oldSize names the kind of object that Lua makes, and nothing is held yet.
void* BoundedLuaState::Allocate(void* owner, void* block, std::size_t oldSize, std::size_t newSize) {
    auto& self = *static_cast<BoundedLuaState*>(owner);
    const std::size_t held = block != nullptr ? oldSize : 0;
    if (newSize == 0) {
        std::free(block);
        self.bytesHeld -= held;
        return nullptr;
    }
    const std::uint64_t growth = newSize > held ? newSize - held : 0;
    if (self.bounded && (growth > MaterialLuaState::MemoryLimit - self.bytesHeld ||
                         growth > MaterialLuaState::AllocationLimit - self.bytesAllocated)) {
        return nullptr;
    }
    void* const resized = std::realloc(block, newSize);
    if (resized != nullptr) {
        self.bytesHeld = self.bytesHeld - held + newSize;
        self.bytesAllocated += growth;
    }
    return resized;
}

void BoundedLuaState::CountInstructions(lua_State* luaState, lua_Debug*) {
    void* owner = nullptr;
    lua_getallocf(luaState, &owner);
    auto& self = *static_cast<BoundedLuaState*>(owner);
    ++self.instructionsRun;
    if (self.instructionsRun >= MaterialLuaState::InstructionLimit) {
        Stop(luaState, "the material file ran too long (more than %d instructions)",
             static_cast<int>(MaterialLuaState::InstructionLimit));
    }
    const auto running = std::chrono::steady_clock::now() - self.chunkStart;
    if (running > std::chrono::milliseconds(MaterialLuaState::TimeLimitMilliseconds)) {
        Stop(luaState, "the material file ran too long (more than %d seconds)",
             static_cast<int>(MaterialLuaState::TimeLimitMilliseconds / 1000));
    }
}
