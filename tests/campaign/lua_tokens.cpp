#include "tests/campaign/lua_tokens.h"

#include <cctype>
#include <set>

namespace {

bool IsNameCharacter(char character) {
    return std::isalnum(static_cast<unsigned char>(character)) != 0 || character == '_';
}

// The level of a long bracket opening at position ("[[" is 0, "[==[" is 2), or -1 when there is none.
int LongBracketLevel(const std::string& source, std::size_t position) {
    if (source[position] != '[') {
        return -1;
    }
    std::size_t end = position + 1;
    while (end < source.size() && source[end] == '=') {
        ++end;
    }
    return end < source.size() && source[end] == '[' ? static_cast<int>(end - position - 1) : -1;
}

std::size_t LongBracketEnd(const std::string& source, std::size_t position, int level) {
    const std::string closing = "]" + std::string(static_cast<std::size_t>(level), '=') + "]";
    const std::size_t found = source.find(closing, position + static_cast<std::size_t>(level) + 2);
    return found == std::string::npos ? source.size() : found + closing.size();
}

std::size_t ShortStringEnd(const std::string& source, std::size_t position) {
    const char quote = source[position];
    std::size_t end = position + 1;
    while (end < source.size() && source[end] != quote && source[end] != '\n') {
        end += source[end] == '\\' ? 2 : 1;
    }
    return end < source.size() ? end + 1 : source.size();
}

std::size_t NumberEnd(const std::string& source, std::size_t position) {
    std::size_t end = position;
    while (end < source.size()) {
        const char character = source[end];
        const bool exponentSign = (character == '+' || character == '-') && end > position &&
                                  std::string("eEpP").find(source[end - 1]) != std::string::npos;
        if (!IsNameCharacter(character) && character != '.' && !exponentSign) {
            break;
        }
        ++end;
    }
    return end;
}

std::size_t OperatorEnd(const std::string& source, std::size_t position) {
    for (const char* longer : {"...", "..", "==", "~=", "<=", ">=", "::"}) {
        if (source.compare(position, std::string(longer).size(), longer) == 0) {
            return position + std::string(longer).size();
        }
    }
    return position + 1;
}

// Skips white space and comments from position; tells whether a line break was among them.
std::size_t SkipSpace(const std::string& source, std::size_t position, bool& newLine) {
    while (position < source.size()) {
        if (source.compare(position, 2, "--") == 0) {
            const int level = position + 2 < source.size() ? LongBracketLevel(source, position + 2) : -1;
            position = level >= 0 ? LongBracketEnd(source, position + 2, level) : source.find('\n', position);
            if (position == std::string::npos) {
                return source.size();
            }
        } else if (std::isspace(static_cast<unsigned char>(source[position])) != 0) {
            newLine = newLine || source[position] == '\n';
            ++position;
        } else {
            break;
        }
    }
    return position;
}

std::size_t TokenEnd(const std::string& source, std::size_t position) {
    const char character = source[position];
    const int level = LongBracketLevel(source, position);
    if (level >= 0) {
        return LongBracketEnd(source, position, level);
    }
    if (character == '"' || character == '\'') {
        return ShortStringEnd(source, position);
    }
    const bool fraction = character == '.' && position + 1 < source.size() &&
                          std::isdigit(static_cast<unsigned char>(source[position + 1])) != 0;
    if (std::isdigit(static_cast<unsigned char>(character)) != 0 || fraction) {
        return NumberEnd(source, position);
    }
    if (IsNameCharacter(character)) {
        std::size_t end = position;
        while (end < source.size() && IsNameCharacter(source[end])) {
            ++end;
        }
        return end;
    }
    return OperatorEnd(source, position);
}

}  // namespace

std::vector<LuaToken> SplitLuaTokens(const std::string& source) {
    std::vector<LuaToken> tokens;
    bool newLine = false;
    for (std::size_t position = SkipSpace(source, 0, newLine); position < source.size();
         position = SkipSpace(source, position, newLine)) {
        const std::size_t end = TokenEnd(source, position);
        tokens.push_back({source.substr(position, end - position), newLine});
        newLine = false;
        position = end;
    }
    return tokens;
}

std::string JoinLuaTokens(const std::vector<LuaToken>& tokens) {
    std::string source;
    for (const LuaToken& token : tokens) {
        if (!source.empty()) {
            source += token.onNewLine ? '\n' : ' ';
        }
        source += token.text;
    }
    return source + "\n";
}

bool IsLuaValue(const LuaToken& token) {
    static const std::set<std::string> keywords = {"and",   "break", "do",     "else", "elseif", "end",   "for",
                                                   "function", "goto", "if",  "in",   "local",  "not",   "or",
                                                   "repeat", "return", "then", "until", "while"};
    const std::string& text = token.text;
    if (text.empty()) {
        return false;
    }
    const bool longString = text.size() > 1 && text[0] == '[' && (text[1] == '[' || text[1] == '=');
    const bool number = std::isdigit(static_cast<unsigned char>(text[0])) != 0 ||
                        (text[0] == '.' && text.size() > 1 && text[1] != '.');
    return longString || number || text[0] == '"' || text[0] == '\'' ||
           (IsNameCharacter(text[0]) && keywords.count(text) == 0);
}
