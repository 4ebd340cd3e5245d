// Lua source text as a list of tokens, for mutations that work on tokens rather than bytes.
#pragma once

#include <string>
#include <vector>

struct LuaToken {
    std::string text;
    bool onNewLine = false;  // a line break came before it in the source
};

// Splits Lua source into names, numbers, strings (short and long), and operators; comments and
// white space go. An unfinished string or long bracket runs to the end of the text as one token.
std::vector<LuaToken> SplitLuaTokens(const std::string& source);
// The tokens separated by a space, or by a line break where the source had one.
std::string JoinLuaTokens(const std::vector<LuaToken>& tokens);
// Names, literals and strings: the tokens that a value may stand in for.
bool IsLuaValue(const LuaToken& token);
