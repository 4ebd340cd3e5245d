// Where the header, the vertex block and the index block of a mesh file lie, by its header's
// counts, and how much of each block the file holds, with every length in 64 bits so that no count
// can wrap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr std::uint64_t MeshHeaderBytes = 8;
constexpr std::uint64_t BytesPerVertex = 16;
constexpr std::uint64_t BytesPerIndex = 4;
constexpr std::uint64_t BytesPerTriangle = 3 * BytesPerIndex;

// The little-endian word at offset, made of the bytes the file has there: a file cut short inside
// the word supplies its low bytes only, and the rest are zero.
std::uint32_t WordAt(const std::vector<std::uint8_t>& bytes, std::size_t offset);
// Stores the word at offset, growing the file with zeros to hold it.
void SetWordAt(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value);

struct MeshLayout {
    std::uint32_t vertexCount;
    std::uint32_t indexCount;
    std::uint64_t vertexBlockEnd;  // the header and vertexCount vertices
    std::uint64_t indexBlockEnd;   // and then indexCount indices
    // Whole vertices after the header and whole indices after the vertex block, as far as the file
    // goes: none when it ends first.
    std::uint64_t verticesHeld;
    std::uint64_t indicesHeld;
};

MeshLayout LayoutOf(const std::vector<std::uint8_t>& bytes);
