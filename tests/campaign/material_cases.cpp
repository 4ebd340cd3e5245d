#include "tests/campaign/material_cases.h"

#include "tests/campaign/material_case_kinds.h"

#include "tests/campaign/lua_tokens.h"

namespace {

using Tokens = std::vector<LuaToken>;

const std::vector<std::string> Names = {"shaders", "constants", "vertexShader", "fragmentShader", "g_colorModifier",
                                        "x"};
const std::vector<std::string> StrayTokens = {
    "{", "}", "(", ")", "[", "]", "=", ",", ";", ".", "..", "...", "+", "-", "*", "/", "%", "^", "#", "==",
    "~=", "<", "<=", ">", ">=", ":", "and", "or", "not", "local", "return", "nil", "true", "false", "if",
    "then", "else", "end", "do", "break", "::a::", "shaders", "constants", "g_colorModifier", "x"};
const std::vector<std::string> Escapes = {"\\0", "\\n", "\\x41", "\\255", "\\z  ", "\\q", "\\300", "\\\""};
const std::vector<std::string> NumericStrings = {"'0x10'", "' 2 '", "'1e2'", "'5.'", "'-0.5'", "'nan'",
                                                 "'inf'",  "''",    "'1 2'", "'0x'", "'1e400'"};
const std::vector<std::string> Expressions = {"1/0",  "-1/0",   "0/0",       "-0.0",   "2^53",  "#'abc'",  "'a'..1",
                                              "1 .. 2", "not nil", "nil + 1", "x.y",    "({})[1]", "{} .. 'a'",
                                              "- {}", "#5",     "true < 1"};
const std::vector<std::string> Literals = {"true", "false", "nil", "...", "{}", "x", "shaders", "constants"};

std::uint32_t Position(const Tokens& tokens, Dice& dice) {
    return dice.Below(static_cast<std::uint32_t>(tokens.size() + 1));
}

bool Is(const Tokens& tokens, std::size_t token, const char* text) {
    return token < tokens.size() && tokens[token].text == text;
}

// A value where a value stands: after "=", ",", ";", "{", "(" or "return", and not a key before
// "=". Where there is none, any place.
std::uint32_t ValuePosition(const Tokens& tokens, Dice& dice) {
    std::vector<std::uint32_t> values;
    for (std::uint32_t token = 1; token < tokens.size(); ++token) {
        const std::string& before = tokens[token - 1].text;
        const bool slot = before == "=" || before == "," || before == ";" || before == "{" || before == "(" ||
                          before == "return";
        if (slot && IsLuaValue(tokens[token]) && !Is(tokens, token + 1, "=")) {
            values.push_back(token);
        }
    }
    return values.empty() ? Position(tokens, dice) : dice.Pick(values);
}

// Where the table constructor opened at token ends (past its closing brace), or the end of the text.
std::uint32_t ConstructorEnd(const Tokens& tokens, std::uint32_t token) {
    int depth = 0;
    for (; token < tokens.size(); ++token) {
        depth += Is(tokens, token, "{") ? 1 : Is(tokens, token, "}") ? -1 : 0;
        if (depth == 0) {
            return token + 1;
        }
    }
    return token;
}

std::string RandomString(Dice& dice) {
    const char quote = dice.OneIn(2) ? '"' : '\'';
    std::string text(1, quote);
    const std::uint32_t length = dice.Below(41);
    for (std::uint32_t character = 0; character < length; ++character) {
        if (dice.OneIn(8)) {
            text += dice.Pick(Escapes);
            continue;
        }
        const char printable = static_cast<char>(dice.Between(32, 126));
        // Now and then a quote or a backslash is left bare, which ends or breaks the string.
        if ((printable == quote || printable == '\\') && !dice.OneIn(10)) {
            text += '\\';
        }
        text += printable;
    }
    return text + quote;
}

std::string RandomNumber(Dice& dice) {
    const std::vector<std::string> forms = {
        std::to_string(dice.Below(1000000)),
        std::to_string(dice.Below(100)) + "." + std::to_string(dice.Below(1000)),
        "1e" + std::to_string(dice.Between(290, 320)),
        "1e-" + std::to_string(dice.Between(30, 330)),
        "0x" + std::to_string(dice.Word()),
        "0x1p" + std::to_string(dice.Below(1100)),
        "." + std::to_string(dice.Below(100)),
        std::to_string(dice.Below(10)) + ".",
        "1e", "0x", "1.2.3", "3..2", "0xg"};
    return (dice.OneIn(4) ? "-" : "") + dice.Pick(forms);
}

std::string RandomValue(Dice& dice, std::uint32_t depth);

std::string RandomTable(Dice& dice, std::uint32_t depth) {
    std::string table = "{";
    const std::uint32_t items = dice.Below(5);
    for (std::uint32_t item = 0; item < items; ++item) {
        if (dice.OneIn(3)) {
            table += " " + dice.Pick(Names) + " =";
        } else if (dice.OneIn(4)) {
            table += " [" + RandomValue(dice, 0) + "] =";
        }
        table += " " + RandomValue(dice, depth) + (dice.OneIn(3) ? ";" : ",");
    }
    return table + " }";
}

std::string RandomValue(Dice& dice, std::uint32_t depth) {
    switch (dice.Below(depth > 0 ? 6 : 5)) {
        case 0: return RandomString(dice);
        case 1: return RandomNumber(dice);
        case 2: return dice.Pick(NumericStrings);
        case 3: return dice.Pick(Expressions);
        case 4: return dice.Pick(Literals);
        default: return RandomTable(dice, depth - 1);
    }
}

std::string LongString(Dice& dice) {
    const std::uint32_t length = dice.Between(1000, 200000);
    std::string content(length, 'a');
    for (std::uint32_t character = 0; character < length; ++character) {
        content[character] = static_cast<char>('a' + character % 26);
    }
    return dice.OneIn(2) ? "\"" + content + "\"" : "[==[" + content + "]==]";
}

std::string DeeplyNested(const std::string& value, Dice& dice) {
    const std::uint32_t levels = dice.Between(1, 260);
    const bool tables = dice.OneIn(2);
    return std::string(levels, tables ? '{' : '(') + value + std::string(levels, tables ? '}' : ')');
}

std::string ReplaceValue(Tokens& tokens, Dice& dice, const std::string& text, const char* what) {
    const std::uint32_t value = ValuePosition(tokens, dice);
    if (value < tokens.size()) {
        tokens[value].text = text;
    } else {
        tokens.push_back({text, false});
    }
    return std::string(what) + " at token " + std::to_string(value);
}

// One to three tokens from a random place, as far as there are tokens.
std::uint32_t RunEnd(const Tokens& tokens, std::uint32_t at, Dice& dice) {
    return std::min<std::uint32_t>(at + dice.Between(1, 3), static_cast<std::uint32_t>(tokens.size()));
}

std::string DeleteTokens(Tokens& tokens, Dice& dice) {
    const std::uint32_t at = Position(tokens, dice);
    const std::uint32_t end = RunEnd(tokens, at, dice);
    tokens.erase(tokens.begin() + at, tokens.begin() + end);
    return "tokens " + std::to_string(at) + " to " + std::to_string(end) + " deleted";
}

std::string CopyTokens(Tokens& tokens, Dice& dice) {
    const std::uint32_t at = Position(tokens, dice);
    const std::uint32_t end = RunEnd(tokens, at, dice);
    const Tokens copy(tokens.begin() + at, tokens.begin() + end);
    const std::uint32_t to = dice.OneIn(2) ? end : Position(tokens, dice);
    tokens.insert(tokens.begin() + to, copy.begin(), copy.end());
    return "tokens " + std::to_string(at) + " to " + std::to_string(end) + " copied to " + std::to_string(to);
}

std::string SwapTokens(Tokens& tokens, Dice& dice) {
    if (tokens.size() < 2) {
        return "too few tokens to swap";
    }
    const std::uint32_t first = dice.Below(static_cast<std::uint32_t>(tokens.size()));
    const std::uint32_t second = dice.Below(static_cast<std::uint32_t>(tokens.size()));
    std::swap(tokens[first].text, tokens[second].text);
    return "tokens " + std::to_string(first) + " and " + std::to_string(second) + " swapped";
}

std::string StrayToken(Tokens& tokens, Dice& dice) {
    const std::uint32_t at = Position(tokens, dice);
    tokens.insert(tokens.begin() + at, {dice.Pick(StrayTokens), false});
    return "a stray token at " + std::to_string(at);
}

std::string RenameKey(Tokens& tokens, Dice& dice) {
    std::vector<std::uint32_t> keys;
    for (std::uint32_t token = 0; token + 1 < tokens.size(); ++token) {
        if (IsLuaValue(tokens[token]) && Is(tokens, token + 1, "=")) {
            keys.push_back(token);
        }
    }
    if (keys.empty()) {
        return "no key to rename";
    }
    const std::uint32_t key = dice.Pick(keys);
    tokens[key].text = dice.Pick(Names);
    return "key " + std::to_string(key) + " renamed " + tokens[key].text;
}

// A whole table constructor, such as the shaders table, gives way to a random value.
std::string ReplaceTable(Tokens& tokens, Dice& dice) {
    std::vector<std::uint32_t> tables;
    for (std::uint32_t token = 0; token < tokens.size(); ++token) {
        if (Is(tokens, token, "{")) {
            tables.push_back(token);
        }
    }
    if (tables.empty()) {
        return "no table to replace";
    }
    const std::uint32_t table = dice.Pick(tables);
    const std::uint32_t end = ConstructorEnd(tokens, table);
    tokens.erase(tokens.begin() + table + 1, tokens.begin() + end);
    tokens[table].text = RandomValue(dice, 1);
    return "the table at token " + std::to_string(table) + " replaced";
}

std::string RandomValueInstead(Tokens& tokens, Dice& dice) {
    return ReplaceValue(tokens, dice, RandomValue(dice, 0), "a random value");
}

std::string NestedTableInstead(Tokens& tokens, Dice& dice) {
    return ReplaceValue(tokens, dice, RandomTable(dice, dice.Between(1, 4)), "a nested table");
}

std::string LongStringInstead(Tokens& tokens, Dice& dice) {
    return ReplaceValue(tokens, dice, LongString(dice), "a long string");
}

std::string DeepNestingInstead(Tokens& tokens, Dice& dice) {
    return ReplaceValue(tokens, dice, DeeplyNested(RandomValue(dice, 0), dice), "deep nesting");
}

}  // namespace

MaterialCase MakeMaterialCase(const std::vector<MaterialSource>& sources, Dice& dice) {
    const MaterialSource& source = dice.Pick(sources);
    // Runaways and large texts take longest to check, precompiled chunks least.
    const std::uint32_t kind = dice.Below(20);
    if (kind < 2) {
        return MakeRunawayMaterial(source, dice);
    }
    if (kind < 6) {
        return MakeDamagedPrecompiledMaterial(source, dice);
    }
    if (kind < 8) {
        return MakeCraftedPrecompiledMaterial(dice);
    }
    if (kind < 9) {
        return MakeLargeTextMaterial(source, dice);
    }
    Tokens tokens = SplitLuaTokens(source.text);
    std::string description = source.name + ":";
    using Mutation = std::string (*)(Tokens&, Dice&);
    // Weighted towards mutations that keep the chunk runnable, so that most cases reach the walk
    // of the returned table rather than stopping at Lua's parser.
    const std::vector<Mutation> mutations = {DeleteTokens,       CopyTokens,         SwapTokens,        StrayToken,
                                             RenameKey,          RenameKey,          ReplaceTable,      ReplaceTable,
                                             RandomValueInstead, RandomValueInstead, RandomValueInstead,
                                             NestedTableInstead, NestedTableInstead, LongStringInstead,
                                             DeepNestingInstead};
    const std::uint32_t count = dice.OneIn(4) ? dice.Between(2, 3) : 1;
    for (std::uint32_t mutation = 0; mutation < count; ++mutation) {
        description += (mutation == 0 ? " " : "; ") + dice.Pick(mutations)(tokens, dice);
    }
    return {JoinLuaTokens(tokens), description, "mutated texts"};
}
