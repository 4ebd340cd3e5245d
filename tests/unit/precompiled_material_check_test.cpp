// The precompiled chunk check: small chunks made by hand, each breaking one rule, are refused with
// their reason; chunks of a material's shape, and chunks that Lua's loader refuses by itself, pass.
// The instructions are made with Lua's own encoding macros.
#include "assets/precompiled_material_check.h"
#include "tests/support/lua_chunk.h"

#include <gtest/gtest.h>
#include <lua.hpp>

extern "C" {
#include "lopcodes.h"
}

#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

namespace {

struct Case {
    const char* rule;
    std::string chunk;
    const char* fault;  // empty when the chunk may be given to Lua
};

std::vector<Case> Cases() {
    ChunkParts nested;
    nested.nestedFunctions = 1;
    ChunkParts twoUpvalues;
    twoUpvalues.upvalues = 2;
    twoUpvalues.upvalueNames = 2;
    ChunkParts moreParametersThanRegisters;
    moreParametersThanRegisters.parameters = 3;
    ChunkParts shortLines;
    shortLines.lines = 1;
    ChunkParts namelessLocal;
    namelessLocal.localNames = {"t", ""};
    ChunkParts extraUpvalueName;
    extraUpvalueName.upvalueNames = 2;
    ChunkParts tooManyLocals;
    tooManyLocals.localNames.assign(2049, "x");
    ChunkParts noReturn;
    noReturn.code.pop_back();
    std::string cut = Chunk(ChunkParts());
    cut.pop_back();
    std::string negativeCount = Chunk(ChunkParts());
    negativeCount.replace(18, 4, "\xff\xff\xff\xff");
    const std::string number = NumberConstant(0);

    const char* const outside = "names a register, constant or upvalue that its function does not have";
    const char* const noTable = "stores into a register that holds no table of its own making";
    return {
        {"a material's shape", Chunk(ChunkParts()), ""},
        {"a list of constants stored into a new table",
         Chunk(WithOneConstant({CREATE_ABC(OP_NEWTABLE, 0, 1, 0), CREATE_ABx(OP_LOADK, 1, 0),
                                CREATE_ABC(OP_SETLIST, 0, 1, 1)},
                               number)),
         ""},
        {"a chunk cut short, which Lua refuses", cut, ""},
        {"a negative count, which Lua refuses", negativeCount, ""},
        {"another header, which Lua refuses", "\x1bLua\x51" + Chunk(ChunkParts()).substr(5), ""},
        {"a nested function", Chunk(nested), "it holds nested functions"},
        {"two upvalues", Chunk(twoUpvalues), "its function has more than one upvalue"},
        {"more parameters than registers", Chunk(moreParametersThanRegisters),
         "its function has more parameters than registers"},
        {"line information shorter than the code", Chunk(shortLines), "its line information does not match its code"},
        {"a local without a name", Chunk(namelessLocal), "local 1 has no name"},
        {"a name for an upvalue that is not there", Chunk(extraUpvalueName),
         "it names more upvalues than its function has"},
        {"a string constant without bytes", Chunk(WithOneConstant({}, StringConstant(""))),
         "constant 0 is a string without bytes"},
        {"a constant of another kind", Chunk(WithOneConstant({}, std::string(1, LUA_TTABLE))),
         "constant 0 is of no kind a material holds"},
        {"code that does not end with a return", Chunk(noReturn),
         "its code does not end with a return of a fixed number of values"},
        {"a register past the stack", Chunk(WithCode({CREATE_ABC(OP_MOVE, 0, 2, 0)})),
         "instruction 1 (MOVE) names a register, constant or upvalue that its function does not have"},
        {"a constant past the constants", Chunk(WithOneConstant({CREATE_ABx(OP_LOADK, 0, 1)}, number)),
         "instruction 1 (LOADK) names a register, constant or upvalue that its function does not have"},
        {"a constant operand past the constants",
         Chunk(WithOneConstant({CREATE_ABC(OP_ADD, 0, RKASK(1), 0)}, number)), outside},
        {"a new table past the stack", Chunk(WithCode({CREATE_ABC(OP_NEWTABLE, 2, 0, 0)})), outside},
        {"an upvalue past the upvalues", Chunk(WithCode({CREATE_ABC(OP_GETUPVAL, 0, 1, 0)})), outside},
        {"nils past the stack", Chunk(WithCode({CREATE_ABC(OP_LOADNIL, 1, 1, 0)})), outside},
        {"a return past the stack", Chunk(WithCode({CREATE_ABC(OP_RETURN, 1, 3, 0)})), outside},
        {"a return of an open count", Chunk(WithCode({CREATE_ABC(OP_RETURN, 0, 0, 0)})),
         "instruction 1 (RETURN) returns a number of values that only a call could set"},
        {"a jump", Chunk(WithCode({CREATE_ABx(OP_JMP, 0, MAXARG_sBx)})),
         "instruction 1 (JMP) is a test or a jump, which a material does not need"},
        {"a loop", Chunk(WithCode({CREATE_ABx(OP_FORPREP, 0, MAXARG_sBx)})), "is a test or a jump"},
        {"a boolean that skips an instruction", Chunk(WithCode({CREATE_ABC(OP_LOADBOOL, 0, 1, 1)})),
         "skips the next instruction"},
        {"a call", Chunk(WithCode({CREATE_ABC(OP_CALL, 0, 1, 1)})), "is a call"},
        {"a closure", Chunk(WithCode({CREATE_ABx(OP_CLOSURE, 0, 0)})), "makes a function"},
        {"extra arguments", Chunk(WithCode({CREATE_ABC(OP_VARARG, 0, 2, 0)})), "reads extra arguments"},
        {"an opcode past the last", Chunk(WithCode({CREATE_ABC(NUM_OPCODES + 1, 0, 0, 0)})),
         "instruction 1 (opcode 41) is no instruction a material needs"},
        {"an extra argument on its own", Chunk(WithCode({CREATE_Ax(OP_EXTRAARG, 0)})), "is no instruction"},
        {"a constant load without its extra argument", Chunk(WithCode({CREATE_ABC(OP_LOADKX, 0, 0, 0)})),
         "lacks its extra argument"},
        {"a table larger than memory", Chunk(WithCode({CREATE_ABC(OP_NEWTABLE, 0, 0x1FF, 0)})),
         "asks for a table larger than a material can hold"},
        {"a concatenation of one value", Chunk(WithCode({CREATE_ABC(OP_CONCAT, 0, 1, 1)})),
         "concatenates outside its function's registers"},
        {"a list stored into a register never given a table", Chunk(WithCode({CREATE_ABC(OP_SETLIST, 0, 1, 1)})),
         noTable},
        {"a list stored after the table was overwritten",
         Chunk(WithCode({CREATE_ABC(OP_NEWTABLE, 0, 0, 0), CREATE_ABC(OP_NOT, 0, 1, 0),
                         CREATE_ABC(OP_SETLIST, 0, 1, 1)})),
         noTable},
        {"a list stored into a register that a later table's collection may clear",
         Chunk(WithCode({CREATE_ABC(OP_NEWTABLE, 1, 0, 0), CREATE_ABC(OP_NEWTABLE, 0, 0, 0),
                         CREATE_ABC(OP_SETLIST, 1, 1, 1)},
                        3)),
         noTable},
        {"a list stored into a register above a concatenation's operands",
         Chunk(WithCode({CREATE_ABC(OP_NEWTABLE, 2, 0, 0), CREATE_ABC(OP_CONCAT, 3, 0, 1),
                         CREATE_ABC(OP_SETLIST, 2, 1, 1)},
                        4)),
         noTable},
        {"code as long as a material's may be", Chunk(WithCode(std::vector<Instruction>(2047))), ""},
        {"code longer than a material's may be", Chunk(WithCode(std::vector<Instruction>(2048))),
         "its code has more than 2048 instructions"},
        {"more locals than a material may name", Chunk(tooManyLocals), "it names more than 2048 locals"},
        {"a list of an open count",
         Chunk(WithCode({CREATE_ABC(OP_NEWTABLE, 0, 0, 0), CREATE_ABC(OP_SETLIST, 0, 0, 1)})),
         "stores a number of values that only a call could set"},
    };
}

void PrintTo(const Case& tried, std::ostream* out) {
    *out << tried.rule;
}

class PrecompiledMaterialCheckTest : public ::testing::TestWithParam<Case> {};

TEST_P(PrecompiledMaterialCheckTest, RefusesWhatBreaksARuleAndOnlyThat) {
    const Case& tried = GetParam();
    std::string fault;
    const bool given = CheckPrecompiledMaterial(reinterpret_cast<const unsigned char*>(tried.chunk.data()),
                                                tried.chunk.size(), fault);
    EXPECT_EQ(given, *tried.fault == '\0') << tried.rule << ": " << fault;
    EXPECT_NE(fault.find(tried.fault), std::string::npos) << tried.rule << ": \"" << fault << "\"";
    EXPECT_EQ(fault.empty(), given) << tried.rule;
}

INSTANTIATE_TEST_SUITE_P(OneChunkARule, PrecompiledMaterialCheckTest, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<Case>& each) { return "Rule" + std::to_string(each.index); });

}  // namespace
