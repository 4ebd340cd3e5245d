#include "tests/oracles/mesh_layout.h"

std::uint32_t WordAt(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    std::uint32_t word = 0;
    for (std::size_t byte = 0; byte < 4 && offset + byte < bytes.size(); ++byte) {
        word |= std::uint32_t{bytes[offset + byte]} << (8 * byte);
    }
    return word;
}

void SetWordAt(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value) {
    if (bytes.size() < offset + 4) {
        bytes.resize(offset + 4, 0);
    }
    for (std::size_t byte = 0; byte < 4; ++byte) {
        bytes[offset + byte] = static_cast<std::uint8_t>(value >> (8 * byte));
    }
}

MeshLayout LayoutOf(const std::vector<std::uint8_t>& bytes) {
    const std::uint64_t size = bytes.size();
    const auto bytesFrom = [size](std::uint64_t offset) { return size > offset ? size - offset : 0; };
    MeshLayout layout{};
    layout.vertexCount = WordAt(bytes, 0);
    layout.indexCount = WordAt(bytes, 4);
    layout.vertexBlockEnd = MeshHeaderBytes + layout.vertexCount * BytesPerVertex;
    layout.indexBlockEnd = layout.vertexBlockEnd + layout.indexCount * BytesPerIndex;
    layout.verticesHeld = bytesFrom(MeshHeaderBytes) / BytesPerVertex;
    layout.indicesHeld = bytesFrom(layout.vertexBlockEnd) / BytesPerIndex;
    return layout;
}
