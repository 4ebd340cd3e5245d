#include "tests/support/lua_chunk.h"

#include <lua.hpp>

extern "C" {
#include "lopcodes.h"
}

#include <cstring>

namespace {

void Append(std::string& chunk, const void* bytes, std::size_t size) {
    chunk.append(static_cast<const char*>(bytes), size);
}

void AppendInt(std::string& chunk, int value) {
    Append(chunk, &value, sizeof value);
}

void AppendString(std::string& chunk, const std::string& text) {
    const std::size_t size = text.empty() ? 0 : text.size() + 1;
    Append(chunk, &size, sizeof size);
    Append(chunk, text.c_str(), size);
}

}  // namespace

std::vector<std::uint32_t> ChunkParts::DefaultCode() {
    return {CREATE_ABC(OP_NEWTABLE, 0, 0, 0), CREATE_ABC(OP_RETURN, 0, 2, 0)};
}

std::string StringConstant(const std::string& text) {
    std::string constant(1, static_cast<char>(LUA_TSTRING));
    AppendString(constant, text);
    return constant;
}

std::string NumberConstant(double value) {
    std::string constant(1, static_cast<char>(LUA_TNUMBER));
    const lua_Number number = value;
    Append(constant, &number, sizeof number);
    return constant;
}

std::string Chunk(const ChunkParts& parts) {
    std::string chunk("\x1bLua\x52\x00\x01", 7);
    chunk += {static_cast<char>(sizeof(int)), static_cast<char>(sizeof(std::size_t)),
              static_cast<char>(sizeof(Instruction)), static_cast<char>(sizeof(lua_Number)), 0};
    chunk += "\x19\x93\r\n\x1a\n";
    AppendInt(chunk, 0);
    AppendInt(chunk, 0);
    chunk += {static_cast<char>(parts.parameters), 1, static_cast<char>(parts.stackSize)};
    AppendInt(chunk, static_cast<int>(parts.code.size()));
    Append(chunk, parts.code.data(), parts.code.size() * sizeof(Instruction));
    AppendInt(chunk, parts.constantCount);
    chunk += parts.constants;
    AppendInt(chunk, parts.nestedFunctions);
    AppendInt(chunk, parts.upvalues);
    for (int upvalue = 0; upvalue < parts.upvalues; ++upvalue) {
        chunk += {1, 0};
    }
    AppendString(chunk, "@mat.lua");
    const int lines = parts.lines < 0 ? static_cast<int>(parts.code.size()) : parts.lines;
    AppendInt(chunk, lines);
    for (int line = 0; line < lines; ++line) {
        AppendInt(chunk, 1);
    }
    AppendInt(chunk, static_cast<int>(parts.localNames.size()));
    for (const std::string& name : parts.localNames) {
        AppendString(chunk, name);
        AppendInt(chunk, 0);
        AppendInt(chunk, 1);
    }
    AppendInt(chunk, parts.upvalueNames);
    for (int name = 0; name < parts.upvalueNames; ++name) {
        AppendString(chunk, "_ENV");
    }
    return chunk;
}

ChunkParts WithCode(std::vector<std::uint32_t> code, unsigned stackSize) {
    ChunkParts parts;
    code.push_back(CREATE_ABC(OP_RETURN, 0, 1, 0));
    parts.code = code;
    parts.stackSize = stackSize;
    return parts;
}

ChunkParts WithOneConstant(std::vector<std::uint32_t> code, const std::string& constant) {
    ChunkParts parts = WithCode(std::move(code));
    parts.constants = constant;
    parts.constantCount = 1;
    return parts;
}
