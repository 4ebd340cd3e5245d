// The random choices of one case of the bad-input campaign. Each case has an engine of its own,
// seeded from the campaign's seed, the kind of input and the case number, so that a case comes out
// the same on every run and on its own. Only the engine's raw output is used: its sequence is fixed
// by the C++ standard, unlike the results of the library's distributions.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

enum class InputKind : std::uint32_t { Mesh = 0, Material = 1, Shader = 2 };

class Dice {
public:
    Dice(std::uint32_t seed, InputKind kind, std::uint32_t caseNumber);

    std::uint32_t Word();
    // A number from 0 to count - 1; count must not be 0.
    std::uint32_t Below(std::uint32_t count);
    // A number from low to high, both included.
    std::uint32_t Between(std::uint32_t low, std::uint32_t high);
    bool OneIn(std::uint32_t count);

    template <typename Item>
    const Item& Pick(const std::vector<Item>& items) {
        return items[Below(static_cast<std::uint32_t>(items.size()))];
    }

private:
    std::mt19937 engine;
};
