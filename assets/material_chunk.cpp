#include "assets/material_chunk.h"

#include "assets/material_lua_state.h"
#include "assets/precompiled_material_check.h"

#include <lua.hpp>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// What Lua's loader says of a precompiled chunk when only text may be loaded.
constexpr const char* PrecompiledChunkMessage = "attempt to load a binary chunk (mode is 't')";
constexpr unsigned char ByteOrderMark[] = {0xEF, 0xBB, 0xBF};

// The chunk as Lua's file loader hands it over: the file's bytes without a UTF-8 byte-order mark
// and without a first line that starts with '#'. A file larger than a material's memory could never
// be loaded, and is not read in full.
bool ReadPrecompiledChunk(const char* path, std::vector<unsigned char>& chunk, std::string& refusal) {
    std::FILE* const file = std::fopen(path, "rb");
    if (file == nullptr) {
        refusal = std::string("it cannot be read (") + std::strerror(errno) + ")";
        return false;
    }
    unsigned char piece[1 << 14];
    std::size_t count = 0;
    while (chunk.size() <= MaterialLuaState::MemoryLimit && (count = std::fread(piece, 1, sizeof piece, file)) > 0) {
        chunk.insert(chunk.end(), piece, piece + count);
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        refusal = "it cannot be read";
        return false;
    }
    if (chunk.size() > MaterialLuaState::MemoryLimit) {
        refusal = "it is larger than the memory a material may use";
        return false;
    }
    if (chunk.size() >= sizeof ByteOrderMark && std::memcmp(chunk.data(), ByteOrderMark, sizeof ByteOrderMark) == 0) {
        chunk.erase(chunk.begin(), chunk.begin() + sizeof ByteOrderMark);
    }
    if (!chunk.empty() && chunk.front() == '#') {
        const auto lineEnd = std::find(chunk.begin(), chunk.end(), '\n');
        chunk.erase(chunk.begin(), lineEnd == chunk.end() ? lineEnd : lineEnd + 1);
    }
    return true;
}

struct ChunkReading {
    const std::vector<unsigned char>& chunk;
    bool given = false;
};

const char* GiveChunk(lua_State*, void* data, std::size_t* size) {
    auto& reading = *static_cast<ChunkReading*>(data);
    *size = reading.given ? 0 : reading.chunk.size();
    reading.given = true;
    return reinterpret_cast<const char*>(reading.chunk.data());
}

}  // namespace

// Lua's file loader tells a precompiled chunk from text and reports what it cannot open or read;
// asked for text only, it says when it met a precompiled chunk, which is then read here once, so
// that Lua loads exactly the bytes that were checked.
int LoadMaterialChunk(lua_State* luaState, const char* path, std::string& refusal) {
    const int status = luaL_loadfilex(luaState, path, "t");
    const char* const message = status == LUA_ERRSYNTAX ? lua_tostring(luaState, -1) : nullptr;
    if (message == nullptr || std::strcmp(message, PrecompiledChunkMessage) != 0) {
        return status;
    }
    lua_pop(luaState, 1);
    std::vector<unsigned char> chunk;
    if (!ReadPrecompiledChunk(path, chunk, refusal) || !CheckPrecompiledMaterial(chunk.data(), chunk.size(), refusal)) {
        return ChunkRefused;
    }
    ChunkReading reading{chunk};
    const std::string chunkName = std::string("@") + path;
    return lua_load(luaState, GiveChunk, &reading, chunkName.c_str(), "b");
}
