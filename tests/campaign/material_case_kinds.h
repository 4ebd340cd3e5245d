// The kinds of bad material beyond mutated text: chunks that loop or allocate without end (or for
// long), damaged precompiled chunks, chunks written instruction by instruction, and texts as large
// as a material may be.
#pragma once

#include "tests/campaign/material_cases.h"

// A loop, a recursion or an allocation put ahead of the source's text: some end after a while,
// most only when a bound of the material's Lua state stops them.
MaterialCase MakeRunawayMaterial(const MaterialSource& source, Dice& dice);
// The source precompiled as luac does it, then damaged: bytes changed, cut short, a count word set
// to an extreme, or an instruction's operands changed.
MaterialCase MakeDamagedPrecompiledMaterial(const MaterialSource& source, Dice& dice);
// Straight-line code written instruction by instruction: tables that a concatenation's collection
// may free, long chains of lookups, random operands.
MaterialCase MakeCraftedPrecompiledMaterial(Dice& dice);
// The source padded to the size limit (or one byte past it), or texts that are slowest to parse there.
MaterialCase MakeLargeTextMaterial(const MaterialSource& source, Dice& dice);
