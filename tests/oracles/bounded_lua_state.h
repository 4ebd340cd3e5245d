// The oracle's own Lua state for a material chunk, made with nothing but Lua's API and bounded by
// the material's documented numbers: no library opened, memory refused past what the state may
// hold at once or allocate over its life (Lua then raises its own "not enough memory"), and the
// chunk stopped where it runs once it has run its instructions or its seconds.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

struct lua_State;
struct lua_Debug;

class BoundedLuaState {
public:
    BoundedLuaState();
    BoundedLuaState(const BoundedLuaState&) = delete;
    BoundedLuaState& operator=(const BoundedLuaState&) = delete;
    ~BoundedLuaState();

    // Null when no state could be made.
    lua_State* State() const { return state; }
    // Runs the loaded chunk at the top of the stack with every result, the clock starting as it
    // starts. Nothing is bounded after it, so that the walk of what it returned cannot fail.
    int Run();

private:
    static void* Allocate(void* owner, void* block, std::size_t oldSize, std::size_t newSize);
    static void CountInstructions(lua_State* luaState, lua_Debug* event);

    lua_State* state = nullptr;
    bool bounded = true;
    std::size_t bytesHeld = 0;
    std::uint64_t bytesAllocated = 0;
    std::uint64_t instructionsRun = 0;
    std::chrono::steady_clock::time_point chunkStart;
};
