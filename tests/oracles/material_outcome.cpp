#include "tests/oracles/material_outcome.h"

#include "assets/material_chunk.h"
#include "assets/material_lua_state.h"

#include <lua.hpp>

#include <cctype>

namespace {

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
        lua_pushvalue(luaState, -1);  // converts the copy, not the entry
        path = std::string(lua_tostring(luaState, -1));
        lua_pop(luaState, 1);
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

}  // namespace

std::string LuaErrorAsWritten(const std::string& message) {
    const std::size_t colon = message.find(':');
    std::size_t end = colon == std::string::npos ? 0 : colon + 1;
    while (end < message.size() && std::isdigit(static_cast<unsigned char>(message[end])) != 0) {
        ++end;
    }
    if (colon == std::string::npos || end == colon + 1 || end >= message.size() || message[end] != ':') {
        return message;
    }
    const std::size_t text = message.compare(end, 2, ": ") == 0 ? end + 2 : end + 1;
    return message.substr(0, colon) + "(" + message.substr(colon + 1, end - colon - 1) + "): error: " +
           message.substr(text);
}

// The chunk runs as the program runs it: loaded (a precompiled one checked first) and run in a state
// with the program's bounds, which alone end some chunks. What it returns is walked here.
MaterialOutcome ExpectedMaterialOutcome() {
    MaterialOutcome outcome;
    MaterialLuaState bounded;
    lua_State* const luaState = bounded.State();
    if (luaState == nullptr) {
        outcome.errors = "Failed to create a new Lua state\n";
        return outcome;
    }
    std::string refusal;
    int status = LoadMaterialChunk(luaState, "data/material.material", refusal);
    if (status == ChunkRefused) {
        outcome.errors = "data/material.material: " + refusal + "\n";
        return outcome;
    }
    if (status == LUA_OK) {
        status = bounded.Run();
    }
    if (status == LUA_OK) {
        bounded.LiftMemoryLimits();
        WalkResults(luaState, outcome);
    } else {
        const char* const message = lua_tostring(luaState, -1);
        outcome.errors = LuaErrorAsWritten(message != nullptr ? message : "");
    }
    return outcome;
}
