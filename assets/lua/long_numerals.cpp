// Lua reads a decimal numeral with strtod, in the lexer and wherever a string becomes a number. The
// C runtime's strtod takes time that grows with the square of the numeral's digits (MinGW-w64's:
// some 32 s for a million), and a material can build a string of millions of digits and make it a
// number in one instruction, where no hook runs, or as a colour after its chunk has run. A double
// is decided by its first 768 significant digits and by whether any digit after them is not zero,
// since a point halfway between two doubles has at most 767. So a long numeral goes to strtod as
// those digits, a last 1 when a later digit is not zero, and an exponent that keeps its value: the
// same double, in time that grows with the numeral's length. Lua's lobject.c calls this instead of
// strtod (cmake/lua_mends.cmake).
#include "assets/lua/long_numerals.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// Numerals up to this long go to strtod as they stand; longer ones are shortened.
constexpr std::ptrdiff_t LongestAsItStands = 1000;
constexpr int KeptDigits = 800;
// Far past where any numeral of KeptDigits digits overflows or reaches zero.
constexpr std::int64_t ExtremeExponent = 100000;
// Far past any count of digits that a string can hold, so that an exponent held at it still
// overflows or reaches zero after the digits' own power of ten is added.
constexpr std::int64_t ExtremeWrittenExponent = std::int64_t{1} << 56;

bool IsDigit(char character) { return character >= '0' && character <= '9'; }

std::int64_t Clamped(std::int64_t exponent, std::int64_t extreme) {
    return exponent > extreme ? extreme : exponent < -extreme ? -extreme : exponent;
}

// The numeral's significant digits as ".DIGITS", with a final sticky digit, and the power of ten
// that the point stands for.
struct Shortened {
    char digits[KeptDigits + 2] = {};
    int count = 0;
    std::int64_t scale = 0;

    void Take(char digit, bool beforePoint) {
        if (count == 0 && digit == '0') {
            scale -= beforePoint ? 0 : 1;  // a zero before the first significant digit
            return;
        }
        scale += beforePoint ? 1 : 0;
        if (count < KeptDigits) {
            digits[count++] = digit;
        } else if (digit != '0') {
            digits[KeptDigits] = '1';
        }
    }
};

}  // namespace

extern "C" double game_str2number(const char* text, char** end) {
    const char* at = text;
    while (*at == ' ' || (*at >= '\t' && *at <= '\r')) {
        ++at;
    }
    const char* const numeral = at;
    const bool negative = *at == '-';
    at += *at == '-' || *at == '+' ? 1 : 0;
    Shortened shortened;
    bool anyDigit = false;
    for (; IsDigit(*at); ++at, anyDigit = true) {
        shortened.Take(*at, true);
    }
    if (*at == '.') {
        for (++at; IsDigit(*at); ++at, anyDigit = true) {
            shortened.Take(*at, false);
        }
    }
    // An exponent counts only with a digit; the string ends at its NUL, which no test here passes.
    std::int64_t exponent = 0;
    const char* const exponentDigits =
        anyDigit && (*at == 'e' || *at == 'E') ? at + (at[1] == '-' || at[1] == '+' ? 2 : 1) : at;
    if (IsDigit(*exponentDigits)) {
        const bool negativeExponent = at[1] == '-';
        for (at = exponentDigits; IsDigit(*at); ++at) {
            exponent = Clamped(exponent * 10 + (*at - '0'), ExtremeWrittenExponent);
        }
        exponent = negativeExponent ? -exponent : exponent;
    }
    if (!anyDigit || at - numeral <= LongestAsItStands) {
        return std::strtod(text, end);
    }
    char written[KeptDigits + 64];
    std::snprintf(written, sizeof written, "%s0.%s%se%d", negative ? "-" : "", shortened.count == 0 ? "0" : "",
                  shortened.digits, static_cast<int>(Clamped(shortened.scale + exponent, ExtremeExponent)));
    if (end != nullptr) {
        *end = const_cast<char*>(at);
    }
    return std::strtod(written, nullptr);
}
