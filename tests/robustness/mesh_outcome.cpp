#include "tests/robustness/mesh_outcome.h"

#include "tests/robustness/mesh_layout.h"

#include <algorithm>

namespace {

MeshOutcome Refused(MeshOutcome outcome, const char* caption, const char* text) {
    outcome.caption = caption;
    outcome.text = text;
    return outcome;
}

// length bytes of the file from offset on, zero where the file ends first.
std::vector<std::uint8_t> BlockAt(const std::vector<std::uint8_t>& file, std::uint64_t offset, std::uint64_t length) {
    std::vector<std::uint8_t> block(static_cast<std::size_t>(length), 0);
    if (offset < file.size()) {
        const std::uint64_t available = std::min<std::uint64_t>(length, file.size() - offset);
        std::copy_n(file.begin() + static_cast<std::ptrdiff_t>(offset), available, block.begin());
    }
    return block;
}

}  // namespace

MeshOutcome ExpectedMeshOutcome(const std::vector<std::uint8_t>& file) {
    const MeshLayout layout = LayoutOf(file);
    MeshOutcome outcome;
    outcome.vertexCount = layout.vertexCount;
    outcome.indexCount = layout.indexCount;
    outcome.primitiveCount = layout.indexCount / 3;

    if (layout.vertexBufferLength > LargestBufferLength) {
        return Refused(outcome, "No Vertex Buffer", "The mesh file has more vertices than a vertex buffer can hold");
    }
    if (layout.vertexBufferLength == 0) {  // the device refuses a buffer of no length
        return Refused(outcome, "No Vertex Buffer", "DirectX failed to create a vertex buffer");
    }
    if (layout.indexBufferLength > LargestBufferLength) {
        return Refused(outcome, "No Index Buffer", "The mesh file has more indices than an index buffer can hold");
    }
    if (layout.indexBufferLength == 0) {
        return Refused(outcome, "No Index Buffer", "DirectX failed to create an index buffer");
    }
    outcome.vertexBytes = BlockAt(file, MeshHeaderBytes, layout.vertexBufferLength);
    outcome.indexBytes = BlockAt(file, layout.vertexBlockEnd, layout.indexBufferLength);
    for (std::size_t index = 0; index < outcome.indexBytes.size(); index += BytesPerIndex) {
        if (WordAt(outcome.indexBytes, index) >= layout.vertexCount) {
            outcome.vertexBytes.clear();
            outcome.indexBytes.clear();
            return Refused(outcome, "No Index Buffer", "The mesh file has an index past its last vertex");
        }
    }
    return outcome;
}
