#include "tests/campaign/material_case_kinds.h"

namespace {

// COUNT stands for a number of rounds: a few, many, or more than any bound lets run.
const std::vector<std::string> Loops = {
    "while true do end",
    "repeat local x = {} until false",
    "for i = 1, COUNT do local t = i end",
    "for i = COUNT, 1, -0.5 do end",
    "for k in function() return 1 end do end",
    "::again:: goto again",
    "local function f(n) return f(n + 1) end f(1)",
    "local function f(n) if n > 0 then return f(n - 1) end return 0 end f(COUNT)",
    "local function f() return 1 + f() end f()",
};
const std::vector<std::string> Allocations = {
    "local t = {} for i = 1, COUNT do t[i] = { i, i, i, i } end",
    "local t = {} while true do t = { t } end",
    "local s = 'x' while true do s = s .. s end",
    "local s = '' for i = 1, COUNT do s = s .. 'abc' end",
    "local t, i = {}, 0 while true do i = i + 1 t['k' .. i] = i end",
    "local t = {} for i = 1, COUNT do t[#t + 1] = 'v' .. i end",
};

std::string WithCount(std::string statement, Dice& dice) {
    const std::vector<std::string> counts = {std::to_string(dice.Below(1000)), std::to_string(dice.Below(2000000)),
                                             "1e9", "2^53", "1/0"};
    const std::size_t count = statement.find("COUNT");
    if (count != std::string::npos) {
        statement.replace(count, 5, dice.Pick(counts));
    }
    return statement;
}

}  // namespace

MaterialCase MakeRunawayMaterial(const MaterialSource& source, Dice& dice) {
    const bool loop = dice.OneIn(2);
    const std::string statement = WithCount(dice.Pick(loop ? Loops : Allocations), dice);
    return {statement + "\n" + source.text, source.name + ": " + statement + " ahead", loop ? "loops" : "allocations"};
}
