#include "assets/lua/long_numerals.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

// Each numeral, longer than those that go to strtod as they stand, reads as strtod reads it: the
// same double, bit for bit, and the same end.
TEST(LongNumeralsTest, ReadAsTheRuntimesStrtodReadsThem) {
    // 1 + 2^-53, halfway between 1 and the next double: a zero after it keeps the tie (1), a 1 far
    // past the kept digits breaks it upwards.
    const std::string halfway = "1.00000000000000011102230246251565404236316680908203125";
    const std::string zeros(1500, '0');
    const std::string numerals[] = {
        halfway + zeros,
        halfway + zeros + "1",
        "-" + halfway + zeros + "1e-2x",
        "  0." + zeros + "123e1504 and more",
        "1" + zeros + "e",
        zeros + "." + zeros + "9e-400",  // far below the smallest double
        "9" + zeros + zeros + "e-3000",
        "1" + zeros + "e999999999999999999999",
    };
    for (const std::string& numeral : numerals) {
        char* expectedEnd = nullptr;
        char* end = nullptr;
        const double expected = std::strtod(numeral.c_str(), &expectedEnd);
        const double read = game_str2number(numeral.c_str(), &end);
        EXPECT_EQ(std::memcmp(&read, &expected, sizeof read), 0) << numeral.substr(0, 80) << ": " << read;
        EXPECT_EQ(end, expectedEnd) << numeral.substr(0, 80);
    }
    // Exponents and places of digits past any that a double reaches, which cancel out.
    const std::string manyZeros(200000, '0');
    for (const std::string& one : {"1" + manyZeros + "e-200000", "0." + manyZeros + "1e200001"}) {
        EXPECT_EQ(game_str2number(one.c_str(), nullptr), 1.0);
    }
}
