#include "tools/shader_compiler/uniform_initialisers.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace {

struct Token {
    std::string text;
    std::size_t begin = 0;  // offsets in the source
    std::size_t line = 0;
};

struct FloatType {
    const char* name;
    int rows;
    int columns;
};

constexpr FloatType FloatTypes[] = {
    {"float", 1, 1}, {"float2", 1, 2}, {"float3", 1, 3}, {"float4", 1, 4}, {"float4x4", 4, 4},
};

const FloatType* FindFloatType(const std::string& word) {
    for (const FloatType& type : FloatTypes) {
        if (word == type.name) {
            return &type;
        }
    }
    return nullptr;
}

bool IsIdentifierStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) != 0 || c == '_';
}

bool IsIdentifierPart(char c) {
    return IsIdentifierStart(c) || std::isdigit(static_cast<unsigned char>(c)) != 0;
}

bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// The source with comments and preprocessor lines turned into spaces, line ends kept, so that
// only code is left at the same offsets.
std::string CodeOnly(const std::string& source) {
    std::string code = source;
    std::size_t i = 0;
    bool lineStart = true;
    while (i < code.size()) {
        std::size_t end = i;
        if (code.compare(i, 2, "//") == 0 || (lineStart && code[i] == '#')) {
            end = code.find('\n', i);
        } else if (code.compare(i, 2, "/*") == 0) {
            end = code.find("*/", i + 2);
            end = end == std::string::npos ? end : end + 2;
        }
        if (end == i) {
            lineStart = code[i] == '\n' || (lineStart && std::isspace(static_cast<unsigned char>(code[i])) != 0);
            ++i;
            continue;
        }
        end = end == std::string::npos ? code.size() : end;
        for (; i < end; ++i) {
            code[i] = code[i] == '\n' ? '\n' : ' ';
        }
    }
    return code;
}

// Identifiers, numbers (with a sign only inside an exponent) and single punctuation characters.
std::vector<Token> Tokens(const std::string& code) {
    std::vector<Token> tokens;
    std::size_t line = 1;
    std::size_t i = 0;
    while (i < code.size()) {
        const char c = code[i];
        if (std::isspace(static_cast<unsigned char>(c)) != 0) {
            line += c == '\n' ? 1 : 0;
            ++i;
            continue;
        }
        std::size_t end = i + 1;
        if (IsIdentifierStart(c)) {
            while (end < code.size() && IsIdentifierPart(code[end])) {
                ++end;
            }
        } else if (IsDigit(c) || (c == '.' && i + 1 < code.size() && IsDigit(code[i + 1]))) {
            while (end < code.size() &&
                   (IsIdentifierPart(code[end]) || code[end] == '.' ||
                    ((code[end] == '+' || code[end] == '-') && (code[end - 1] == 'e' || code[end - 1] == 'E')))) {
                ++end;
            }
        }
        tokens.push_back({code.substr(i, end - i), i, line});
        i = end;
    }
    return tokens;
}

// A decimal number as HLSL writes one: digits with an optional point, exponent and f suffix.
bool ParseNumber(const std::string& text, bool negative, float* value) {
    std::string digits = text;
    if (!digits.empty() && (digits.back() == 'f' || digits.back() == 'F')) {
        digits.pop_back();
    }
    const std::size_t mantissaEnd = digits.find_first_of("eE");
    const std::string mantissa = digits.substr(0, mantissaEnd);
    if (mantissa.find_first_not_of("0123456789.") != std::string::npos ||
        mantissa.find_first_of("0123456789") == std::string::npos || mantissa.find('.') != mantissa.rfind('.')) {
        return false;
    }
    if (mantissaEnd != std::string::npos) {
        std::size_t exponent = mantissaEnd + 1;
        exponent += exponent < digits.size() && (digits[exponent] == '+' || digits[exponent] == '-') ? 1 : 0;
        if (exponent == digits.size() || digits.find_first_not_of("0123456789", exponent) != std::string::npos) {
            return false;
        }
    }
    errno = 0;
    const float parsed = std::strtof(digits.c_str(), nullptr);
    if (errno == ERANGE || !std::isfinite(parsed)) {
        return false;
    }
    *value = negative ? -parsed : parsed;
    return true;
}

class InitialiserParser {
public:
    InitialiserParser(const std::vector<Token>& sourceTokens, const std::string& name, std::string* errorText)
        : tokens(sourceTokens), sourceName(name), error(errorText) {}

    // Reads the initialiser that starts after the '=' at tokens[next]; on success next is the ';'.
    bool Parse(UniformInitialiser& constant, std::size_t& next) {
        const bool braced = At(next) == "{";
        next += braced ? 1 : 0;
        for (;;) {
            float value = 0.0f;
            if (!ParseValue(constant, next, &value)) {
                return false;
            }
            constant.values.push_back(value);
            if (!braced || At(next) != ",") {
                break;
            }
            ++next;
        }
        if (braced && !Expect(constant, next, "}", "',' or '}' should follow a number")) {
            return false;
        }
        if (!Expect(constant, next, ";", "';' should end the declaration")) {
            return false;
        }
        --next;
        const std::size_t expected = static_cast<std::size_t>(constant.rows * constant.columns);
        if (!braced && expected > 1) {
            return Fail(constant.line, constant.name + " takes its " + std::to_string(expected) + " numbers in braces");
        }
        if (constant.values.size() != expected) {
            return Fail(constant.line, constant.name + " takes " + std::to_string(expected) + " numbers (instead of " +
                                           std::to_string(constant.values.size()) + ")");
        }
        return true;
    }

private:
    const std::string& At(std::size_t index) const {
        static const std::string end;
        return index < tokens.size() ? tokens[index].text : end;
    }

    bool ParseValue(const UniformInitialiser& constant, std::size_t& next, float* value) {
        const bool negative = At(next) == "-";
        next += negative || At(next) == "+" ? 1 : 0;
        if (next >= tokens.size()) {
            return Fail(constant.line, "the source ends inside the initialiser of " + constant.name);
        }
        if (!ParseNumber(tokens[next].text, negative, value)) {
            return Fail(tokens[next].line,
                        "'" + tokens[next].text + "' is not a finite number, in the initialiser of " + constant.name);
        }
        ++next;
        return true;
    }

    bool Expect(const UniformInitialiser& constant, std::size_t& next, const char* text, const std::string& what) {
        if (next >= tokens.size()) {
            return Fail(constant.line, "the source ends inside the initialiser of " + constant.name);
        }
        if (tokens[next].text != text) {
            return Fail(tokens[next].line, "'" + tokens[next].text + "' where " + what + ", in the initialiser of " +
                                               constant.name);
        }
        ++next;
        return true;
    }

    bool Fail(std::size_t line, const std::string& what) {
        *error = sourceName + "(" + std::to_string(line) + "): error: " + what;
        return false;
    }

    const std::vector<Token>& tokens;
    const std::string& sourceName;
    std::string* error;
};

}  // namespace

bool FindUniformInitialisers(const std::string& source, const std::string& sourceName, InitialisedSource* result,
                             std::string* error) {
    result->initialisers.clear();
    result->withoutInitialisers = source;
    const std::vector<Token> tokens = Tokens(CodeOnly(source));
    InitialiserParser parser(tokens, sourceName, error);
    int depth = 0;
    bool statementStart = true;
    for (std::size_t next = 0; next < tokens.size(); ++next) {
        if (depth == 0 && statementStart) {
            std::size_t typeIndex = next + (tokens[next].text == "uniform" ? 1 : 0);
            const FloatType* const type = typeIndex < tokens.size() ? FindFloatType(tokens[typeIndex].text) : nullptr;
            if (type != nullptr && typeIndex + 2 < tokens.size() && IsIdentifierStart(tokens[typeIndex + 1].text[0]) &&
                tokens[typeIndex + 2].text == "=") {
                UniformInitialiser constant;
                constant.name = tokens[typeIndex + 1].text;
                constant.rows = type->rows;
                constant.columns = type->columns;
                constant.line = tokens[next].line;
                next = typeIndex + 3;
                if (!parser.Parse(constant, next)) {
                    return false;
                }
                // From the '=' up to the ';' (which stays), keeping the line ends.
                for (std::size_t i = tokens[typeIndex + 2].begin; i < tokens[next].begin; ++i) {
                    char& c = result->withoutInitialisers[i];
                    c = c == '\n' ? '\n' : ' ';
                }
                result->initialisers.push_back(constant);
            }
        }
        const std::string& text = tokens[next].text;
        depth += text == "{" || text == "(" || text == "[" ? 1 : 0;
        depth -= (text == "}" || text == ")" || text == "]") && depth > 0 ? 1 : 0;
        statementStart = depth == 0 && (text == ";" || text == "}");
    }
    return true;
}
