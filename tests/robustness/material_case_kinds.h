// The kinds of bad material beyond mutated text, each made from one of the campaign's sources:
// chunks that loop or allocate without end (or for long), and damaged precompiled chunks.
#pragma once

#include "tests/robustness/material_cases.h"

// A loop, a recursion or an allocation put ahead of the source's text: some end after a while,
// most only when a bound of the material's Lua state stops them.
MaterialCase MakeRunawayMaterial(const MaterialSource& source, Dice& dice);
// The source precompiled as luac does it, then damaged: bytes changed, cut short, a count word set
// to an extreme, or an instruction's operands changed.
MaterialCase MakeDamagedPrecompiledMaterial(const MaterialSource& source, Dice& dice);
