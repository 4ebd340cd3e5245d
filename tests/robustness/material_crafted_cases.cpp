// Material files made to reach what the mutations of text and of compiled chunks rarely reach:
// precompiled chunks written instruction by instruction, and texts as large as a material may be.
#include "tests/robustness/material_case_kinds.h"

#include "assets/material_chunk.h"
#include "tests/support/lua_chunk.h"

#include <lua.hpp>

#include <algorithm>

extern "C" {
#include "lopcodes.h"
}

namespace {

using Code = std::vector<std::uint32_t>;

// A string of size bytes built in register target by doubling a one-byte constant, with the
// register after it as scratch: enough of them and a later allocation fails at the memory limit.
void BuildLongString(Code& code, unsigned target, std::uint32_t doublings) {
    code.push_back(CREATE_ABx(OP_LOADK, target, 0));
    for (std::uint32_t doubling = 0; doubling < doublings; ++doubling) {
        code.push_back(CREATE_ABC(OP_MOVE, target + 1, target, 0));
        code.push_back(CREATE_ABC(OP_CONCAT, target, target, target + 1));
    }
}

// A table made in a register above a concatenation's operands and below its result, filled with a
// long string that only it holds, then the concatenation of long strings, then a list stored into
// that register: the collection that a failed allocation inside the concatenation runs may free the
// table while the register still points at it.
std::string TableAboveAConcatenation(Dice& dice) {
    const unsigned table = dice.Between(3, 6);
    const unsigned result = table + dice.Between(1, 3);
    Code code;
    BuildLongString(code, 0, dice.Between(17, 20));
    code.push_back(CREATE_ABC(OP_NEWTABLE, table, 1, 0));
    BuildLongString(code, table + 1, dice.Between(17, 21));
    code.push_back(CREATE_ABC(OP_SETLIST, table, 1, 1));
    code.push_back(CREATE_ABx(OP_LOADK, table + 1, 0));
    code.push_back(CREATE_ABC(OP_MOVE, 1, 0, 0));
    code.push_back(CREATE_ABC(OP_CONCAT, result, 0, 1));
    code.push_back(CREATE_ABC(OP_SETLIST, table, 1, 1));
    ChunkParts parts = WithOneConstant(code, StringConstant(std::string(dice.Between(1, 64), 'x')));
    parts.stackSize = result + 2;
    return Chunk(parts);
}

// A key looked up with the result of the last lookup, over and over, then arithmetic on the result:
// naming the variable in the error follows the chain back through every instruction.
std::string LookUpChain(Dice& dice) {
    Code code = {CREATE_ABC(OP_NEWTABLE, 0, 0, 0), CREATE_ABx(OP_LOADK, 1, 0)};
    const std::uint32_t length = dice.OneIn(2) ? dice.Below(100) : dice.Between(1000, 7900);
    code.insert(code.end(), length, CREATE_ABC(OP_GETTABLE, 1, 0, 1));
    code.push_back(CREATE_ABC(OP_ADD, 1, 1, RKASK(0)));
    ChunkParts parts = WithOneConstant(code, NumberConstant(1));
    parts.lines = dice.OneIn(2) ? 0 : -1;  // stripped or not
    return Chunk(parts);
}

// Straight-line code of the kinds a material's compiler makes, on any registers and constants of
// the function: tables, lists, lookups, stores, arithmetic, concatenations and moves.
std::string RandomStraightLine(Dice& dice) {
    const unsigned registers = dice.Between(2, 12);
    auto anyRegister = [&] { return dice.Below(registers); };
    auto operand = [&] { return dice.OneIn(3) ? RKASK(dice.Below(2)) : anyRegister(); };
    Code code;
    for (std::uint32_t count = dice.Between(1, 60); count > 0; --count) {
        const unsigned a = anyRegister();
        switch (dice.Below(8)) {
            case 0: code.push_back(CREATE_ABC(OP_NEWTABLE, a, dice.Below(4), dice.Below(4))); break;
            case 1: code.push_back(CREATE_ABC(OP_SETLIST, a, dice.Between(1, registers - a), 1)); break;
            case 2: code.push_back(CREATE_ABC(OP_GETTABLE, a, anyRegister(), operand())); break;
            case 3: code.push_back(CREATE_ABC(OP_SETTABLE, a, operand(), operand())); break;
            case 4: code.push_back(CREATE_ABC(OP_ADD + dice.Below(7), a, operand(), operand())); break;
            case 5: {
                const unsigned b = anyRegister();
                code.push_back(CREATE_ABC(OP_CONCAT, a, b, b + dice.Below(registers - b)));
                break;
            }
            case 6: code.push_back(CREATE_ABx(OP_LOADK, a, dice.Below(2))); break;
            default: code.push_back(CREATE_ABC(OP_MOVE, a, anyRegister(), 0)); break;
        }
    }
    ChunkParts parts = WithCode(code, registers);
    parts.constants = StringConstant("a") + NumberConstant(dice.Below(10));
    parts.constantCount = 2;
    return Chunk(parts);
}

// The source made as large as a material may be, or one byte larger, by a comment at its end.
std::string Padded(const std::string& text, Dice& dice) {
    const std::size_t size = MaterialFileByteLimit + (dice.OneIn(4) ? 1 : 0) - dice.Below(3);
    std::string padded = text + "\n--";
    padded.resize(std::max(size, padded.size()), '-');
    return padded;
}

// The texts whose parse costs most at the size limit: chains of operators, whose jump lists grow,
// and global names looked up through nested functions full of locals.
std::string SlowToParse(Dice& dice) {
    std::string text;
    if (dice.OneIn(2)) {
        text = "local a = 1 return a";
        const std::string link = dice.Pick(std::vector<std::string>{" and a", " or a", " and not a", "==a"});
        while (text.size() + link.size() <= MaterialFileByteLimit) {
            text += link;
        }
        return text;
    }
    std::string level = "return function(a";
    for (std::uint32_t local = dice.Between(50, 199); local > 1; --local) {
        level += ",a";
    }
    level += ") ";
    std::size_t levels = dice.Between(20, 90);
    levels = std::min(levels, (MaterialFileByteLimit - 100) / (level.size() + 4));
    for (std::size_t nesting = 0; nesting < levels; ++nesting) {
        text += level;
    }
    text += "return x";
    while (text.size() + 2 + levels * 4 <= MaterialFileByteLimit) {
        text += "+x";
    }
    for (std::size_t nesting = 0; nesting < levels; ++nesting) {
        text += " end";
    }
    return text;
}

}  // namespace

MaterialCase MakeCraftedPrecompiledMaterial(Dice& dice) {
    switch (dice.Below(4)) {
        case 0: return {TableAboveAConcatenation(dice), "a table above a concatenation", "crafted precompiled"};
        case 1: return {LookUpChain(dice), "a chain of lookups", "crafted precompiled"};
        default: return {RandomStraightLine(dice), "random straight-line code", "crafted precompiled"};
    }
}

MaterialCase MakeLargeTextMaterial(const MaterialSource& source, Dice& dice) {
    if (dice.OneIn(3)) {
        return {SlowToParse(dice), "a text slow to parse", "texts at the size limit"};
    }
    return {Padded(source.text, dice), source.name + " padded to the size limit", "texts at the size limit"};
}
