// The Lua state that runs the material file. The file is data the program does not control, so
// the state is bounded: no library is opened in it, its memory is capped, and a chunk that runs too
// long is stopped with an error at the place where it was running.
#pragma once

#include <cstddef>
#include <cstdint>

struct lua_State;

class MaterialLuaState {
public:
    // The most the state may hold at once, and allocate over its whole life (which bounds the work
    // of a chunk that builds ever longer strings while holding little). The shipped material needs a
    // few KiB, and parsing the largest material file takes under 1 MiB. What one instruction can cost
    // grows with what the state holds: comparing two strings of NUL bytes, which the C library compares
    // a byte at a time, costs about 25 ns a byte under Wine, so at most some 50 ms here.
    static constexpr std::size_t MemoryLimit = std::size_t{4} << 20;
    static constexpr std::uint64_t AllocationLimit = std::uint64_t{256} << 20;
    // Virtual-machine instructions a chunk may run; the shipped material runs fifteen. A count,
    // not a clock, decides, so that a material does the same on every machine.
    static constexpr std::uint64_t InstructionLimit = 10'000'000;
    // A few instructions can still take long (comparing or looking up long strings costs their
    // length without allocating), so a clock, started when the chunk starts, stops a chunk that
    // outlasts this, whatever its count. It is read after every instruction, so that a chunk ends
    // well within a second after the limit.
    static constexpr std::uint64_t TimeLimitMilliseconds = 5000;

    MaterialLuaState();
    MaterialLuaState(const MaterialLuaState&) = delete;
    MaterialLuaState& operator=(const MaterialLuaState&) = delete;
    // Closes the state, which gives back every byte it holds.
    ~MaterialLuaState();

    // Null when no state could be made.
    lua_State* State() const { return state; }
    // Runs the loaded chunk at the top of the stack as lua_pcall does, with every result, and starts
    // the clock as it starts.
    int Run();
    std::size_t BytesInUse() const { return bytesInUse; }
    // After the chunk has run, the program's own reading of what it returned must not fail outside
    // a protected call: it makes a few small values, and the state may grow past its caps for them.
    void LiftMemoryLimits();

private:
    static void* Allocate(void* owner, void* block, std::size_t oldSize, std::size_t newSize);
    static int Panic(lua_State* luaState);
    static void CountInstructions(lua_State* luaState, struct lua_Debug* event);

    lua_State* state = nullptr;
    std::size_t bytesInUse = 0;
    std::uint64_t bytesAllocated = 0;
    bool limited = true;
    std::uint64_t instructionsRun = 0;
    std::uint64_t startMilliseconds = 0;
};
