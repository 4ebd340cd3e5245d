// Lua's reading of a decimal numeral, in time that grows with its length (long_numerals.cpp).
#pragma once

// As strtod(text, end) for a decimal numeral, with the same double and the same end.
extern "C" double game_str2number(const char* text, char** end);
