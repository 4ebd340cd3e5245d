// Material files made to reach what the mutations of text and of compiled chunks rarely reach:
// precompiled chunks written instruction by instruction, and texts as large as a material may be.
#include "tests/campaign/material_case_kinds.h"

#include "assets/material_chunk.h"
#include "tests/support/crafted_chunks.h"
#include "tests/support/lua_chunk.h"

#include <lua.hpp>

#include <algorithm>

extern "C" {
#include "lopcodes.h"
}

namespace {

using Code = std::vector<std::uint32_t>;

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
        case 0: {
            const unsigned table = dice.Between(3, 6);
            return {TableAboveAConcatenation(table, table + dice.Between(1, 3), dice.Between(17, 20),
                                             dice.Between(17, 21)),
                    "a table above a concatenation", "crafted precompiled"};
        }
        case 1: {
            const std::uint32_t length = dice.OneIn(2) ? dice.Below(100) : dice.Between(1000, 7900);
            return {LookUpChain(length, dice.OneIn(2)), "a chain of " + std::to_string(length) + " lookups",
                    "crafted precompiled"};
        }
        default: return {RandomStraightLine(dice), "random straight-line code", "crafted precompiled"};
    }
}

MaterialCase MakeLargeTextMaterial(const MaterialSource& source, Dice& dice) {
    if (dice.OneIn(3)) {
        return {SlowToParse(dice), "a text slow to parse", "texts at the size limit"};
    }
    return {Padded(source.text, dice), source.name + " padded to the size limit", "texts at the size limit"};
}
