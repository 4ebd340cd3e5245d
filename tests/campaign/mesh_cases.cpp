#include "tests/campaign/mesh_cases.h"

#include "tests/oracles/mesh_layout.h"
#include "tests/support/file_contents.h"

#include <algorithm>
#include <cstring>

namespace {

std::uint32_t FloatBits(float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// A file of the given counts whose vertices lie on a small fan and whose indices are as given.
std::vector<std::uint8_t> SmallMesh(std::uint32_t vertexCount, std::uint32_t indexCount,
                                    const std::vector<std::uint32_t>& indices) {
    std::vector<std::uint32_t> words = {vertexCount, indexCount};
    for (std::uint32_t vertex = 0; vertex < vertexCount; ++vertex) {
        const float angle = static_cast<float>(vertex);
        words.insert(words.end(), {FloatBits(angle), FloatBits(1.0f - angle), FloatBits(0.5f), 0xFF102030u + vertex});
    }
    words.insert(words.end(), indices.begin(), indices.end());
    std::vector<std::uint8_t> bytes;
    for (std::size_t word = 0; word < words.size(); ++word) {
        SetWordAt(bytes, 4 * word, words[word]);
    }
    return bytes;
}

std::string FlipBits(std::vector<std::uint8_t>& bytes, Dice& dice) {
    if (bytes.empty()) {
        return "no bit to flip";
    }
    const MeshLayout layout = LayoutOf(bytes);
    const std::uint32_t flips = dice.Between(1, 4);
    // The header and the indices decide the outcome; the vertices' bits only ride along.
    const std::uint32_t region = dice.Below(3);
    const std::uint64_t size = bytes.size();
    std::uint64_t first = 0;
    std::uint64_t end = size;
    if (region == 0) {
        end = std::min(size, MeshHeaderBytes);
    } else if (region == 1 && layout.vertexBlockEnd < size) {
        first = layout.vertexBlockEnd;
    }
    std::string description = std::to_string(flips) + " bit flips at";
    for (std::uint32_t flip = 0; flip < flips; ++flip) {
        const std::uint64_t byte = first + dice.Below(static_cast<std::uint32_t>(end - first));
        const std::uint32_t bit = dice.Below(8);
        bytes[byte] = static_cast<std::uint8_t>(bytes[byte] ^ (1u << bit));
        description += " " + std::to_string(byte) + "." + std::to_string(bit);
    }
    return description;
}

// A place strictly inside [first, end) of a block that the file holds at least partly, else 0.
std::uint64_t InsideBlock(std::uint64_t first, std::uint64_t end, std::uint64_t size, Dice& dice) {
    end = std::min(end, size);
    if (end <= first + 1) {
        return 0;
    }
    return first + 1 + dice.Below(static_cast<std::uint32_t>(end - first - 1));
}

std::string Truncate(std::vector<std::uint8_t>& bytes, Dice& dice) {
    const MeshLayout layout = LayoutOf(bytes);
    const std::uint64_t size = bytes.size();
    struct Place {
        const char* name;
        std::uint64_t length;
    };
    const std::vector<Place> places = {
        {"inside the header", dice.Below(static_cast<std::uint32_t>(MeshHeaderBytes))},
        {"at the end of the header", MeshHeaderBytes},
        {"inside the vertex block", InsideBlock(MeshHeaderBytes, layout.vertexBlockEnd, size, dice)},
        {"at the end of the vertex block", layout.vertexBlockEnd},
        {"inside the index block", InsideBlock(layout.vertexBlockEnd, layout.indexBlockEnd, size, dice)},
        {"inside the last triangle",
         layout.indexBlockEnd - std::min<std::uint64_t>(layout.indexBlockEnd, dice.Between(1, 11))},
        {"anywhere", dice.Below(static_cast<std::uint32_t>(size + 1))},
    };
    const Place& place = dice.Pick(places);
    const std::uint64_t length = std::min(place.length, size);
    bytes.resize(static_cast<std::size_t>(length));
    return "cut to " + std::to_string(length) + " bytes (" + place.name + ")";
}

std::string SetCount(std::vector<std::uint8_t>& bytes, Dice& dice) {
    const bool vertices = dice.OneIn(2);
    const std::size_t offset = vertices ? 0 : 4;
    const std::uint32_t current = WordAt(bytes, offset);
    const std::uint32_t near = current + dice.Between(1, 3) * (dice.OneIn(2) ? 1u : 0xFFFFFFFFu);
    const std::vector<std::uint32_t> values = {0u, 1u, 2u, 3u, near, near, WordAt(bytes, 4 - offset)};
    const std::uint32_t value = dice.Pick(values);
    SetWordAt(bytes, offset, value);
    return std::string(vertices ? "vertex" : "index") + " count set to " + std::to_string(value);
}

// Sets a count word above what the file holds, by a little or by anything up to 2^32 - 1. Writing
// the word grows a short file to 8 bytes at most, which holds no more than it did.
std::string OverstateCount(std::vector<std::uint8_t>& bytes, Dice& dice) {
    const bool vertices = dice.OneIn(2);
    const MeshLayout layout = LayoutOf(bytes);
    // The campaign's files hold far fewer than 2^32 - 1 of either.
    const auto held = static_cast<std::uint32_t>(vertices ? layout.verticesHeld : layout.indicesHeld);
    const std::vector<std::uint32_t> values = {held + dice.Between(1, 3), held + 1 + dice.Below(0xFFFFFFFFu - held),
                                               0x80000000u, 0xFFFFFFFFu};
    const std::uint32_t value = dice.Pick(values);
    SetWordAt(bytes, vertices ? 0 : 4, value);
    return std::string(vertices ? "vertex" : "index") + " count set to " + std::to_string(value) + " of " +
           std::to_string(held) + " held";
}

std::string PointPastLastVertex(std::vector<std::uint8_t>& bytes, Dice& dice) {
    const MeshLayout layout = LayoutOf(bytes);
    const std::uint64_t slots = std::min<std::uint64_t>(layout.indexCount, layout.indicesHeld);
    if (slots == 0) {
        return "no index to point past the last vertex";
    }
    const std::uint64_t slot = dice.Below(static_cast<std::uint32_t>(slots));
    const std::uint32_t vertexCount = layout.vertexCount;
    const std::vector<std::uint32_t> values = {vertexCount, vertexCount + 1, vertexCount + dice.Below(1000),
                                               0xFFFFFFFFu, 0x80000000u, vertexCount | dice.Word()};
    const std::uint32_t value = dice.Pick(values);
    SetWordAt(bytes, static_cast<std::size_t>(layout.vertexBlockEnd + slot * BytesPerIndex), value);
    return "index " + std::to_string(slot) + " set to " + std::to_string(value);
}

std::string RandomTail(std::vector<std::uint8_t>& bytes, Dice& dice) {
    const std::uint32_t from = dice.OneIn(2) ? static_cast<std::uint32_t>(bytes.size())
                                             : dice.Below(static_cast<std::uint32_t>(bytes.size() + 1));
    const std::uint32_t length = dice.Below(257);
    bytes.resize(from);
    for (std::uint32_t byte = 0; byte < length; ++byte) {
        bytes.push_back(static_cast<std::uint8_t>(dice.Word()));
    }
    return std::to_string(length) + " random bytes from " + std::to_string(from);
}

}  // namespace

std::vector<MeshSource> MeshSources() {
    std::vector<MeshSource> sources;
    for (const char* name : {"cube.mesh.bin", "plane.mesh.bin"}) {
        const std::string contents = FileContents(std::string("data/") + name);
        sources.push_back({name, std::vector<std::uint8_t>(contents.begin(), contents.end())});
    }
    sources.push_back({"triangle", SmallMesh(3, 3, {0, 1, 2})});
    sources.push_back({"square", SmallMesh(4, 6, {0, 1, 2, 0, 2, 3})});
    sources.push_back({"unfinished triangle", SmallMesh(3, 5, {0, 1, 2, 2, 1})});
    sources.push_back({"bare header", SmallMesh(0, 0, {})});
    sources.push_back({"empty file", {}});
    return sources;
}

MeshCase MakeMeshCase(const std::vector<MeshSource>& sources, Dice& dice) {
    using Mutation = std::string (*)(std::vector<std::uint8_t>&, Dice&);
    const std::vector<Mutation> mutations = {FlipBits, Truncate, SetCount, OverstateCount, PointPastLastVertex,
                                             RandomTail};
    const MeshSource& source = dice.Pick(sources);
    MeshCase made{source.bytes, source.name + ":", ""};
    const std::uint32_t count = dice.OneIn(3) ? dice.Between(2, 3) : 1;
    for (std::uint32_t step = 0; step < count; ++step) {
        const Mutation mutation = dice.Pick(mutations);
        if (mutation == OverstateCount) {
            made.sort = "overstated";
        }
        made.description += (step == 0 ? " " : "; ") + mutation(made.bytes, dice);
    }
    return made;
}
