// The steps of the material file on a Lua state built here: which entries they fetch, and that each
// leaves the stack as it found it on every path.
#include "assets/material.h"
#include "tests/support/platform_test.h"
#include "tests/unit/material_test_support.h"

#include <lua.hpp>

#include <memory>
#include <vector>

namespace {

const HWND SomeOwner = reinterpret_cast<HWND>(0x5252);

// An __index metamethod that records every key asked for and answers key / 4.
int RecordingIndex(lua_State* luaState) {
    auto* const keys = static_cast<std::vector<lua_Number>*>(lua_touserdata(luaState, lua_upvalueindex(1)));
    const lua_Number key = lua_tonumber(luaState, 2);
    keys->push_back(key);
    lua_pushnumber(luaState, key / 4);
    return 1;
}

class MaterialLuaStepsTest : public PlatformTest {
protected:
    void SetUp() override {
        ASSERT_NE(luaState, nullptr);
        RecordMessageBoxes();
    }

    // Pushes the result of running source, a chunk that returns one value.
    void Push(const char* source) {
        ASSERT_EQ(luaL_loadstring(luaState.get(), source), LUA_OK);
        ASSERT_EQ(lua_pcall(luaState.get(), 0, 1, 0), LUA_OK);
    }

    Material material;
    const std::unique_ptr<lua_State, decltype(&lua_close)> luaState{luaL_newstate(), &lua_close};
};

// Entries go through lua_gettable, so metamethods are honoured, and only elements 1 to 3 are read.
TEST_F(MaterialLuaStepsTest, ColorModifierFetchesExactlyTheFirstThreeElements) {
    lua_State* const state = luaState.get();
    std::vector<lua_Number> keys;
    lua_newtable(state);  // constants
    lua_newtable(state);  // g_colorModifier, empty but for its metatable
    lua_newtable(state);
    lua_pushlightuserdata(state, &keys);
    lua_pushcclosure(state, RecordingIndex, 1);
    lua_setfield(state, -2, "__index");
    lua_setmetatable(state, -2);
    lua_setfield(state, -2, "g_colorModifier");

    EXPECT_TRUE(material.ReadColorModifier(state, SomeOwner));
    EXPECT_EQ(keys, (std::vector<lua_Number>{1, 2, 3}));
    EXPECT_EQ(material.colorModifier[0], 0.25f);
    EXPECT_EQ(material.colorModifier[1], 0.5f);
    EXPECT_EQ(material.colorModifier[2], 0.75f);
    EXPECT_EQ(lua_gettop(state), 1);
    EXPECT_TRUE(messageBoxes.empty());
}

TEST_F(MaterialLuaStepsTest, EveryStepLeavesTheStackAsFound) {
    lua_State* const state = luaState.get();
    const char* const tables[] = {
        "return {}",
        "return { shaders = 1, constants = 1 }",
        "return { shaders = { vertexShader = 1, fragmentShader = {} }, constants = { g_colorModifier = 2 } }",
        "return { shaders = { vertexShader = 'v' }, constants = { g_colorModifier = { 1, 'x' } } }",
        "return { shaders = {}, constants = { g_colorModifier = { 1, 2, 3 } } }",
    };
    // Only the stack is looked at here; the reports are the file tests' concern.
    StandardErrorCapture quiet;
    lua_pushstring(state, "below");
    for (const char* source : tables) {
        Push(source);
        material.ReadShadersTable(state);
        ASSERT_EQ(lua_gettop(state), 2) << source;
        material.ReadConstantsTable(state, SomeOwner);
        ASSERT_EQ(lua_gettop(state), 2) << source;
        // The inner steps, one level down, as their callers find their tables.
        for (const char* key : {"shaders", "constants"}) {
            lua_getfield(state, -1, key);
            if (lua_istable(state, -1)) {
                material.ReadShaderPaths(state);
                material.ReadColorModifier(state, SomeOwner);
            }
            lua_pop(state, 1);
            ASSERT_EQ(lua_gettop(state), 2) << source << " " << key;
        }
        EXPECT_TRUE(lua_istable(state, -1)) << source;
        lua_pop(state, 1);
    }
    EXPECT_STREQ(lua_tostring(state, -1), "below");
}

}  // namespace
