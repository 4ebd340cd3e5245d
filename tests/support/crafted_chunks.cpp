#include "tests/support/crafted_chunks.h"

#include "tests/support/lua_chunk.h"

#include <lua.hpp>

extern "C" {
#include "lopcodes.h"
}

namespace {

using Code = std::vector<std::uint32_t>;

// A string built in register target by doubling constant 0 (one byte), with the register after it
// as scratch.
void BuildLongString(Code& code, unsigned target, std::uint32_t doublings) {
    code.push_back(CREATE_ABx(OP_LOADK, target, 0));
    for (std::uint32_t doubling = 0; doubling < doublings; ++doubling) {
        code.push_back(CREATE_ABC(OP_MOVE, target + 1, target, 0));
        code.push_back(CREATE_ABC(OP_CONCAT, target, target, target + 1));
    }
}

}  // namespace

std::string TableAboveAConcatenation(unsigned table, unsigned result, std::uint32_t stringDoublings,
                                     std::uint32_t tableStringDoublings) {
    Code code;
    BuildLongString(code, 0, stringDoublings);
    code.push_back(CREATE_ABC(OP_NEWTABLE, table, 1, 0));
    BuildLongString(code, table + 1, tableStringDoublings);
    code.push_back(CREATE_ABC(OP_SETLIST, table, 1, 1));
    code.push_back(CREATE_ABx(OP_LOADK, table + 1, 0));
    code.push_back(CREATE_ABC(OP_MOVE, 1, 0, 0));
    code.push_back(CREATE_ABC(OP_CONCAT, result, 0, 1));
    code.push_back(CREATE_ABC(OP_SETLIST, table, 1, 1));
    ChunkParts parts = WithOneConstant(code, StringConstant("x"));
    parts.stackSize = result + 2;
    return Chunk(parts);
}

std::string LookUpChain(std::uint32_t length, bool stripped) {
    Code code = {CREATE_ABC(OP_NEWTABLE, 0, 0, 0), CREATE_ABx(OP_LOADK, 1, 0)};
    code.insert(code.end(), length, CREATE_ABC(OP_GETTABLE, 1, 0, 1));
    code.push_back(CREATE_ABC(OP_ADD, 1, 1, RKASK(0)));
    ChunkParts parts = WithOneConstant(code, NumberConstant(1));
    parts.lines = stripped ? 0 : -1;
    return Chunk(parts);
}
