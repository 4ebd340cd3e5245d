// Precompiled Lua 5.2 chunks made by hand, field by field as Lua's loader reads them, for the tests
// that hold crafted code against the program's check and Lua's virtual machine. Instructions are
// made with Lua's own encoding macros (lopcodes.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The parts of a chunk's one function. By default: a new table in register 0, returned.
struct ChunkParts {
    unsigned parameters = 0;
    unsigned stackSize = 2;
    std::vector<std::uint32_t> code = DefaultCode();
    std::string constants;  // written as they stand, after their count
    int constantCount = 0;
    int nestedFunctions = 0;
    int upvalues = 1;
    int lines = -1;  // as many as instructions
    std::vector<std::string> localNames;
    int upvalueNames = 1;

    static std::vector<std::uint32_t> DefaultCode();
};

// The chunk's bytes, from the signature on, in this build's format.
std::string Chunk(const ChunkParts& parts);
// The parts with the given code ahead of a final return of nothing.
ChunkParts WithCode(std::vector<std::uint32_t> code, unsigned stackSize = 2);
ChunkParts WithOneConstant(std::vector<std::uint32_t> code, const std::string& constant);
// A constant as the loader reads it.
std::string StringConstant(const std::string& text);
std::string NumberConstant(double value);
