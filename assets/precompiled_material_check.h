// The check that a precompiled material must pass before Lua loads it. Lua trusts precompiled
// code as if its own compiler had made it: its loader checks little more than the header and that
// the file is not cut short, and its virtual machine and error messages take every operand as
// valid, so a damaged or crafted chunk could read and write outside Lua's memory. A material needs
// no more than straight-line code that builds and returns data, and only code of that shape, with
// every operand inside what it names, is let through.
#pragma once

#include <cstddef>
#include <string>

// Looks at the bytes that Lua's loader will read (the chunk from its signature on). True when Lua
// may be given them: they make a function of the shape above, or Lua's loader refuses them itself
// (another header, a chunk cut short, a negative count) before anything unsafe. False, with the
// reason in fault, for anything else.
bool CheckPrecompiledMaterial(const unsigned char* bytes, std::size_t size, std::string& fault);
