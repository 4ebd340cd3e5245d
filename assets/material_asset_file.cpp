// The material asset file: a Lua chunk run without libraries, in a state whose memory and running
// time are bounded, whose one returned table names the shader files and gives the colour modifier.
#include "assets/material.h"

#include "assets/material_chunk.h"
#include "assets/material_lua_state.h"
#include "graphics/renderer.h"
#include "platform/win32.h"

#include <lua.hpp>

#include <cctype>
#include <limits>
#include <iostream>
#include <string>

namespace {

constexpr const char* AssetFilePath = "data/material.material";
constexpr int ColorModifierElementCount = 3;

// Lua places a position as "chunk:line: message"; this program writes it as
// "chunk(line): error: message". The chunk is whatever name the code was compiled under (a
// precompiled file keeps the name of its source), and may hold colons itself: the position is the
// first ":digits:" on the message's first line. Only that leading position is rewritten; a message
// without one is left as it is.
std::string WithPositionRewritten(const std::string& message) {
    const std::size_t firstLineEnd = message.find('\n');
    for (std::size_t colon = message.find(':'); colon < firstLineEnd; colon = message.find(':', colon + 1)) {
        std::size_t lineEnd = colon + 1;
        while (lineEnd < message.size() && std::isdigit(static_cast<unsigned char>(message[lineEnd])) != 0) {
            ++lineEnd;
        }
        if (lineEnd == colon + 1 || lineEnd >= message.size() || message[lineEnd] != ':') {
            continue;
        }
        std::size_t textStart = lineEnd + 1;
        if (textStart < message.size() && message[textStart] == ' ') {
            ++textStart;
        }
        return message.substr(0, colon) + "(" + message.substr(colon + 1, lineEnd - colon - 1) +
               "): error: " + message.substr(textStart);
    }
    return message;
}

// Lua's error texts are written as they come, with no line end of their own.
void WriteLuaError(lua_State* luaState) {
    const char* const message = lua_tostring(luaState, -1);
    if (message != nullptr) {
        std::cerr << WithPositionRewritten(message);
    }
}

// Pushes the entry of the table at the top of the stack under key; the caller pops it.
void FetchField(lua_State* luaState, const char* key) {
    lua_pushstring(luaState, key);
    lua_gettable(luaState, -2);
}

// Fetches the entry key of the table at the top of the stack and, when it is a table, has
// readEntries read it (from the top of the stack); otherwise says what was found instead and fails.
template <typename ReadEntries>
bool ReadTableEntry(lua_State* luaState, const char* key, ReadEntries readEntries) {
    FetchField(luaState, key);
    bool succeeded = false;
    if (lua_istable(luaState, -1)) {
        succeeded = readEntries();
    } else {
        std::cerr << "The value at \"" << key << "\" must be a table (instead of a " << luaL_typename(luaState, -1)
                  << ")\n";
    }
    lua_pop(luaState, 1);
    return succeeded;
}

// The nearest float. A number that rounds beyond the float range (half a step past the largest
// float) becomes an infinity of its sign, as an IEEE conversion gives, instead of the undefined
// result of converting it in C++.
float ToFloat(double number) {
    constexpr double Overflow = static_cast<double>(std::numeric_limits<float>::max()) + 0x1p103;
    if (number >= Overflow || number <= -Overflow) {
        return number > 0.0 ? std::numeric_limits<float>::infinity() : -std::numeric_limits<float>::infinity();
    }
    return static_cast<float>(number);
}

// Strings and numbers (in Lua's text form) become the path; anything else leaves it alone.
void ReadPath(lua_State* luaState, const char* key, std::string& path) {
    FetchField(luaState, key);
    if (lua_isstring(luaState, -1) != 0) {
        const char* const text = lua_tostring(luaState, -1);
        if (text != nullptr) {
            path = text;
        }
    }
    lua_pop(luaState, 1);
}

// The steps of ReadAssetFile; each finds its parent table at the top of the Lua stack and leaves
// the stack as it found it.

bool ReadShaderPaths(lua_State* luaState, Material& material) {
    ReadPath(luaState, "vertexShader", material.vertexShaderPath);
    ReadPath(luaState, "fragmentShader", material.fragmentShaderPath);
    return true;
}

bool ReadShadersTable(lua_State* luaState, Material& material) {
    return ReadTableEntry(luaState, "shaders", [luaState, &material] { return ReadShaderPaths(luaState, material); });
}

bool ReadColorModifier(lua_State* luaState, Material& material, HWND owner) {
    FetchField(luaState, "g_colorModifier");
    bool complete = lua_istable(luaState, -1);
    for (int element = 1; complete && element <= ColorModifierElementCount; ++element) {
        lua_pushnumber(luaState, element);
        lua_gettable(luaState, -2);
        complete = lua_isnumber(luaState, -1) != 0;
        if (complete) {
            material.colorModifier[element - 1] = ToFloat(lua_tonumber(luaState, -1));
        }
        lua_pop(luaState, 1);
    }
    if (!complete) {
        platform::MessageBoxA(owner, "g_colorModifier does not exist. Using default values.", "No ColorModifier",
                              MB_OK | MB_ICONWARNING);
        material.colorModifier[0] = Material::UseShaderDefaults;
    }
    lua_pop(luaState, 1);
    return complete;
}

bool ReadConstantsTable(lua_State* luaState, Material& material, HWND owner) {
    return ReadTableEntry(luaState, "constants",
                          [luaState, &material, owner] { return ReadColorModifier(luaState, material, owner); });
}

}  // namespace

bool Material::ReadAssetFile() {
    // The state is closed, on every path, when it goes.
    MaterialLuaState bounded;
    lua_State* const luaState = bounded.State();
    if (luaState == nullptr) {
        std::cerr << "Failed to create a new Lua state\n";
        return false;
    }

    std::string refusal;
    int status = LoadMaterialChunk(luaState, AssetFilePath, refusal);
    if (status == ChunkRefused) {
        std::cerr << AssetFilePath << ": " << refusal << '\n';
        return false;
    }
    if (status == LUA_OK) {
        status = bounded.Run();
    }
    if (status != LUA_OK) {
        WriteLuaError(luaState);
        lua_pop(luaState, 1);
        return false;
    }
    bounded.LiftMemoryLimits();

    const int valueCount = lua_gettop(luaState);
    if (valueCount != 1) {
        std::cerr << "Asset files must return a single table (instead of " << valueCount << " values)\n";
        lua_pop(luaState, valueCount);
        return false;
    }
    if (!lua_istable(luaState, -1)) {
        std::cerr << "Asset files must return a table (instead of a " << luaL_typename(luaState, -1) << ")\n";
        lua_pop(luaState, 1);
        return false;
    }

    // Without the shader paths the constants are not looked at.
    const bool succeeded =
        ReadShadersTable(luaState, *this) && ReadConstantsTable(luaState, *this, Renderer::window);

    lua_pop(luaState, 1);
    return succeeded;
}
