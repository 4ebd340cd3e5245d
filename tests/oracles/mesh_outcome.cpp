#include "tests/oracles/mesh_outcome.h"

#include "tests/oracles/mesh_layout.h"

#include <algorithm>

namespace {

MeshOutcome Refused(MeshOutcome outcome, const char* caption, const char* text) {
    outcome.caption = caption;
    outcome.text = text;
    return outcome;
}

// length bytes of the file from offset on, which it holds.
std::vector<std::uint8_t> BlockAt(const std::vector<std::uint8_t>& file, std::uint64_t offset, std::uint64_t length) {
    const auto first = file.begin() + static_cast<std::ptrdiff_t>(offset);
    return std::vector<std::uint8_t>(first, first + static_cast<std::ptrdiff_t>(length));
}

}  // namespace

// The header's counts are cut to what the file holds, so no buffer is longer than the bytes that
// fill it. Only a file of more than 4 GiB could then hold counts too large for Direct3D's 32-bit
// lengths; the campaign's files are far smaller, so those boxes are never expected here.
MeshOutcome ExpectedMeshOutcome(const std::vector<std::uint8_t>& file) {
    const MeshLayout layout = LayoutOf(file);
    MeshOutcome outcome;
    outcome.vertexCount = static_cast<std::uint32_t>(std::min<std::uint64_t>(layout.vertexCount, layout.verticesHeld));
    outcome.indexCount = static_cast<std::uint32_t>(std::min<std::uint64_t>(layout.indexCount, layout.indicesHeld));
    outcome.primitiveCount = outcome.indexCount / 3;

    if (outcome.vertexCount == 0) {  // the device refuses a buffer of no length
        return Refused(outcome, "No Vertex Buffer", "DirectX failed to create a vertex buffer");
    }
    if (outcome.primitiveCount == 0) {
        return Refused(outcome, "No Index Buffer", "DirectX failed to create an index buffer");
    }
    outcome.vertexBytes = BlockAt(file, MeshHeaderBytes, outcome.vertexCount * BytesPerVertex);
    outcome.indexBytes = BlockAt(file, layout.vertexBlockEnd, outcome.primitiveCount * BytesPerTriangle);
    for (std::size_t index = 0; index < outcome.indexBytes.size(); index += BytesPerIndex) {
        if (WordAt(outcome.indexBytes, index) >= outcome.vertexCount) {
            outcome.vertexBytes.clear();
            outcome.indexBytes.clear();
            return Refused(outcome, "No Index Buffer", "The mesh file has an index past its last vertex");
        }
    }
    return outcome;
}
