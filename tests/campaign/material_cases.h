// Bad material files for the campaign: the shipped material and a few Lua texts, mutated token by
// token (no such mutation brings in a loop, a function or a goto), put behind loops and
// allocations that only the material's bounds end, or precompiled and damaged.
#pragma once

#include "tests/campaign/dice.h"

#include <string>
#include <vector>

struct MaterialSource {
    std::string name;
    std::string text;
};

// The shipped material, read from data/ of the working directory (empty when it is missing), and
// texts with numbers as paths, strings as numbers, computed values and extra return values.
std::vector<MaterialSource> MaterialSources();

struct MaterialCase {
    std::string text;
    std::string description;  // the source and what was done to it
    std::string sort;         // for the tally: "mutated texts", "loops" and so on
};

// Mostly one to three mutations: tokens deleted, duplicated or swapped, values replaced by random
// strings, numbers and nested tables, very long strings, deep nesting, stray tokens; else a runaway
// or a damaged precompiled chunk.
MaterialCase MakeMaterialCase(const std::vector<MaterialSource>& sources, Dice& dice);
