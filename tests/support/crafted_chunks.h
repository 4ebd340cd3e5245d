// Precompiled chunks crafted to break Lua's virtual machine where its own compiler's code never
// would, for the campaign (with random sizes) and the end-to-end tests (with the worst ones).
#pragma once

#include <cstdint>
#include <string>

// A table made in register table (above 2) and filled with a string of 2^tableStringDoublings bytes
// that only it holds, then the concatenation into register result (above table) of two strings of
// 2^stringDoublings bytes in registers 0 and 1, then a list stored into the table's register. When
// the concatenation's allocation fails at the memory limit, the garbage collection that Lua runs
// before it tries again sees no register above the operands, and frees the table under the
// register that still points at it.
std::string TableAboveAConcatenation(unsigned table, unsigned result, std::uint32_t stringDoublings,
                                     std::uint32_t tableStringDoublings);
// A key looked up length times with the result of the last lookup, then arithmetic on the result:
// to name the variable in its error, Lua follows the chain back one C call per lookup, scanning
// the code from its start at each. Stripped, the chunk has no line information.
std::string LookUpChain(std::uint32_t length, bool stripped);
