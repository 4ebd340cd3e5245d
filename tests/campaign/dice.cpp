#include "tests/campaign/dice.h"

namespace {

std::mt19937 SeededEngine(std::uint32_t seed, InputKind kind, std::uint32_t caseNumber) {
    std::seed_seq sequence{seed, static_cast<std::uint32_t>(kind), caseNumber};
    return std::mt19937(sequence);
}

}  // namespace

Dice::Dice(std::uint32_t seed, InputKind kind, std::uint32_t caseNumber)
    : engine(SeededEngine(seed, kind, caseNumber)) {}

std::uint32_t Dice::Word() {
    return static_cast<std::uint32_t>(engine());
}

std::uint32_t Dice::Below(std::uint32_t count) {
    return static_cast<std::uint32_t>((std::uint64_t{Word()} * count) >> 32);
}

std::uint32_t Dice::Between(std::uint32_t low, std::uint32_t high) {
    return low + static_cast<std::uint32_t>((std::uint64_t{Word()} * (std::uint64_t{high} - low + 1)) >> 32);
}

bool Dice::OneIn(std::uint32_t count) {
    return Below(count) == 0;
}
