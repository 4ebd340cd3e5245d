#include "tests/oracles/material_outcome.h"

#include "assets/material_chunk.h"
#include "tests/oracles/bounded_lua_state.h"

#include <lua.hpp>

#include <cstdint>
#include <cstring>
#include <fstream>

namespace {

constexpr const char* MaterialPath = "data/material.material";
// What Lua says of a binary chunk loaded in text mode, having read no more than its first byte.
constexpr const char* BinaryChunkInTextMode = "attempt to load a binary chunk (mode is 't')";
constexpr const char* RefusalStart = "data/material.material: refused precompiled chunk: ";

std::string TypeName(lua_State* luaState, int index) {
    return lua_typename(luaState, lua_type(luaState, index));
}

std::string NotATable(const char* key, lua_State* luaState) {
    return std::string("The value at \"") + key + "\" must be a table (instead of a " + TypeName(luaState, -1) + ")\n";
}

// A string as far as its first NUL, or a number in Lua's own text form; none for anything else.
std::optional<std::string> PathAt(lua_State* luaState, const char* key) {
    lua_getfield(luaState, -1, key);
    std::optional<std::string> path;
    const int type = lua_type(luaState, -1);
    if (type == LUA_TSTRING || type == LUA_TNUMBER) {
        path = std::string(lua_tostring(luaState, -1));  // converts the copy on the stack, not the entry
    }
    lua_pop(luaState, 1);
    return path;
}

// The colour modifier table is at the top of the stack, if there is one.
void ReadColour(lua_State* luaState, MaterialOutcome& outcome) {
    bool complete = lua_type(luaState, -1) == LUA_TTABLE;
    for (int element = 1; complete && element <= 3; ++element) {
        lua_rawgeti(luaState, -1, element);
        complete = lua_isnumber(luaState, -1) != 0;
        if (complete) {
            outcome.colorModifier[element - 1] = static_cast<float>(lua_tonumber(luaState, -1));
        }
        lua_pop(luaState, 1);
    }
    if (!complete) {
        outcome.warningBox = true;
        outcome.colorModifier[0] = -1.0f;
    }
    outcome.complete = complete;
}

// The chunk's results are on the stack.
void WalkResults(lua_State* luaState, MaterialOutcome& outcome) {
    const int count = lua_gettop(luaState);
    if (count != 1) {
        outcome.errors = "Asset files must return a single table (instead of " + std::to_string(count) +
                                  " values)\n";
        return;
    }
    if (lua_type(luaState, 1) != LUA_TTABLE) {
        outcome.errors = "Asset files must return a table (instead of a " + TypeName(luaState, 1) + ")\n";
        return;
    }
    lua_getfield(luaState, 1, "shaders");
    if (lua_type(luaState, -1) != LUA_TTABLE) {
        outcome.errors = NotATable("shaders", luaState);
        return;
    }
    outcome.vertexShaderPath = PathAt(luaState, "vertexShader");
    outcome.fragmentShaderPath = PathAt(luaState, "fragmentShader");
    lua_getfield(luaState, 1, "constants");
    if (lua_type(luaState, -1) != LUA_TTABLE) {
        outcome.errors = NotATable("constants", luaState);
        return;
    }
    lua_getfield(luaState, -1, "g_colorModifier");
    ReadColour(luaState, outcome);
}

// A Lua error text as the program writes it. Lua places a position as "NAME:LINE: MESSAGE", where
// NAME may hold colons itself: the position is the first ":digits:" on the message's first line,
// and it becomes "NAME(LINE): error: MESSAGE". A message without one stays as it is.
std::string LuaErrorAsWritten(const std::string& message) {
    const std::string firstLine = message.substr(0, message.find('\n'));
    for (std::size_t colon = firstLine.find(':'); colon != std::string::npos; colon = firstLine.find(':', colon + 1)) {
        const std::size_t digitsEnd = firstLine.find_first_not_of("0123456789", colon + 1);
        if (digitsEnd != colon + 1 && digitsEnd != std::string::npos && firstLine[digitsEnd] == ':') {
            const std::size_t text = message.compare(digitsEnd + 1, 1, " ") == 0 ? digitsEnd + 2 : digitsEnd + 1;
            return message.substr(0, colon) + "(" + message.substr(colon + 1, digitsEnd - colon - 1) +
                   "): error: " + message.substr(text);
        }
    }
    return message;
}

// The file's size, when it can be opened; Lua's loader tells of one that cannot.
std::optional<std::uint64_t> FileSize() {
    std::ifstream file(MaterialPath, std::ios::binary | std::ios::ate);
    if (!file) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(static_cast<std::streamoff>(file.tellg()));
}

// A chunk's registers lie in the stack slots above it, which a fresh state holds as nil. Crafted code
// can read a register that it never set: luaL_loadfilex leaves there what it pushed to name the
// chunk, and that goes.
void ClearSlotsAboveTheChunk(lua_State* luaState) {
    const int chunk = lua_gettop(luaState);
    if (lua_checkstack(luaState, LUA_MINSTACK)) {
        lua_settop(luaState, chunk + LUA_MINSTACK);
        lua_settop(luaState, chunk);
    }
}

// The outcome of the chunk that luaL_loadfilex reads in mode: "t" for text alone, where a
// precompiled chunk is only recognised; null for either kind.
MaterialOutcome Expected(const char* mode) {
    MaterialOutcome outcome;
    const std::optional<std::uint64_t> size = FileSize();
    if (size.value_or(0) > MaterialFileByteLimit) {
        outcome.errors = std::string(MaterialPath) + ": the file holds " + std::to_string(*size) +
                         " bytes, more than the " + std::to_string(MaterialFileByteLimit) +
                         " that a material may hold\n";
        return outcome;
    }
    BoundedLuaState bounded;
    lua_State* const luaState = bounded.State();
    if (luaState == nullptr) {
        outcome.errors = "Failed to create a new Lua state\n";
        return outcome;
    }
    int status = luaL_loadfilex(luaState, MaterialPath, mode);
    if (status == LUA_ERRSYNTAX && std::strcmp(lua_tostring(luaState, -1), BinaryChunkInTextMode) == 0) {
        outcome.precompiled = true;
        return outcome;
    }
    if (status == LUA_OK) {
        ClearSlotsAboveTheChunk(luaState);
        status = bounded.Run();
    }
    if (status == LUA_OK) {
        WalkResults(luaState, outcome);
    } else {
        const char* const message = lua_tostring(luaState, -1);
        outcome.errors = LuaErrorAsWritten(message != nullptr ? message : "");
    }
    return outcome;
}

}  // namespace

MaterialOutcome ExpectedMaterialOutcome() {
    return Expected("t");
}

MaterialOutcome ExpectedPrecompiledOutcome(const std::string& written) {
    const std::size_t reasonStart = std::strlen(RefusalStart);
    if (written.compare(0, reasonStart, RefusalStart) == 0 && written.size() > reasonStart + 1 &&
        written.find('\n') == written.size() - 1) {
        MaterialOutcome refused;
        refused.errors = written;
        return refused;
    }
    return Expected(nullptr);
}
