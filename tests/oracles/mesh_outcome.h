// What Mesh::Load must make of a mesh file on the real device, worked out from the file's bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct MeshOutcome {
    // Both empty for a drawable mesh; else the one box that the load must show, with no drawable mesh.
    std::string caption;
    std::string text;
    // The header's counts, cut to what the file holds.
    std::uint32_t vertexCount = 0;
    std::uint32_t indexCount = 0;
    std::uint32_t primitiveCount = 0;
    // For a drawable mesh, what its buffers hold: the whole vertices and whole triangles of the file.
    std::vector<std::uint8_t> vertexBytes;
    std::vector<std::uint8_t> indexBytes;

    bool Drawable() const { return text.empty(); }
};

MeshOutcome ExpectedMeshOutcome(const std::vector<std::uint8_t>& file);
