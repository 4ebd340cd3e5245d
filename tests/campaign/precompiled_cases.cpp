#include "tests/campaign/material_case_kinds.h"

#include "tests/oracles/mesh_layout.h"
#include "tests/support/material_test_support.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Where the main function's fields lie in a chunk of this build's format: the header, two line
// numbers and three bytes, then the code's count and its words, then the constants' count.
constexpr std::size_t HeaderSize = 18;
constexpr std::size_t CodeCountOffset = HeaderSize + 4 + 4 + 3;
constexpr std::size_t CodeOffset = CodeCountOffset + 4;

std::size_t CodeSize(const Bytes& chunk) {
    return WordAt(chunk, CodeCountOffset);
}

// A place past the header, or none in a chunk that ends before it.
std::size_t PastHeader(const Bytes& chunk, Dice& dice) {
    return chunk.size() > HeaderSize ? HeaderSize + dice.Below(static_cast<std::uint32_t>(chunk.size() - HeaderSize))
                                     : chunk.size();
}

std::string ChangeBytes(Bytes& chunk, Dice& dice) {
    std::string description = "bytes changed at";
    for (std::uint32_t change = dice.Between(1, 3); change > 0 && chunk.size() > HeaderSize; --change) {
        const std::size_t at = PastHeader(chunk, dice);
        chunk[at] = static_cast<std::uint8_t>(dice.Word());
        description += " " + std::to_string(at);
    }
    return description;
}

std::string Cut(Bytes& chunk, Dice& dice) {
    chunk.resize(dice.Below(static_cast<std::uint32_t>(chunk.size())));
    return "cut to " + std::to_string(chunk.size()) + " bytes";
}

// The code's or the constants' count, or any word past the header, set to an extreme; now and
// then an eight-byte string size. A place past the chunk's end (after a count already set to an
// extreme) is none: the chunk does not grow to it.
std::string ExtremeCount(Bytes& chunk, Dice& dice) {
    const std::vector<std::uint32_t> extremes = {0u, 1u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 0x10000u};
    std::vector<std::size_t> places = {CodeCountOffset, PastHeader(chunk, dice)};
    const std::uint64_t constantCountOffset = CodeOffset + std::uint64_t{4} * CodeSize(chunk);
    if (constantCountOffset + 8 <= chunk.size()) {
        places.push_back(static_cast<std::size_t>(constantCountOffset));
    }
    const std::size_t at = dice.Pick(places);
    const std::uint32_t value = dice.Pick(extremes);
    SetWordAt(chunk, at, value);
    if (dice.OneIn(4)) {
        SetWordAt(chunk, at + 4, value);
    }
    return "word at " + std::to_string(at) + " set to " + std::to_string(value);
}

// One field of an instruction (opcode, A, B or C) given a random value.
std::string ChangeInstruction(Bytes& chunk, Dice& dice) {
    const std::size_t codeSize = CodeSize(chunk);
    if (codeSize == 0 || CodeOffset + 4 * codeSize > chunk.size()) {
        return "no instruction to change";
    }
    const std::size_t at = CodeOffset + 4 * dice.Below(static_cast<std::uint32_t>(codeSize));
    const std::vector<std::uint32_t> fields = {0x3Fu, 0xFFu << 6, 0x1FFu << 14, 0x1FFu << 23};
    const std::uint32_t field = dice.Pick(fields);
    SetWordAt(chunk, at, (WordAt(chunk, at) & ~field) | (dice.Word() & field));
    return "instruction at " + std::to_string(at) + " changed";
}

}  // namespace

MaterialCase MakeDamagedPrecompiledMaterial(const MaterialSource& source, Dice& dice) {
    const std::string compiled = Precompiled(source.text, ("@" + source.name).c_str());
    Bytes chunk(compiled.begin(), compiled.end());
    using Damage = std::string (*)(Bytes&, Dice&);
    const std::vector<Damage> damages = {ChangeBytes, ChangeBytes, Cut, ExtremeCount, ChangeInstruction,
                                         ChangeInstruction};
    std::string description = source.name + " precompiled:";
    const std::uint32_t count = dice.OneIn(3) ? dice.Between(2, 3) : 1;
    for (std::uint32_t damage = 0; damage < count; ++damage) {
        description += (damage == 0 ? " " : "; ") + dice.Pick(damages)(chunk, dice);
    }
    return {std::string(chunk.begin(), chunk.end()), description, "damaged precompiled"};
}
