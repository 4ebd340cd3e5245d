#include "tests/robustness/mesh_check.h"

#include "assets/mesh.h"
#include "graphics/renderer.h"
#include "tests/robustness/mesh_layout.h"

#include <sstream>

namespace {

// The buffer's bytes, read back through a read-only lock: Wine allows it, and only the check does it.
template <typename Buffer>
std::vector<std::uint8_t> ReadBack(Buffer* buffer, UINT length) {
    void* data = nullptr;
    if (FAILED(buffer->Lock(0, 0, &data, D3DLOCK_READONLY)) || data == nullptr) {
        return {};
    }
    const auto* const bytes = static_cast<const std::uint8_t*>(data);
    std::vector<std::uint8_t> contents(bytes, bytes + length);
    buffer->Unlock();
    return contents;
}

std::string BoxesSeen(const std::vector<MessageBoxCall>& boxes) {
    std::string seen = std::to_string(boxes.size()) + " boxes";
    for (const MessageBoxCall& box : boxes) {
        seen += " [" + box.caption + ": " + box.text + "]";
    }
    return seen;
}

void CheckCounts(const Mesh& mesh, const MeshOutcome& expected, std::ostringstream& problems) {
    if (mesh.vertexCount != expected.vertexCount || mesh.indexCount != expected.indexCount ||
        mesh.primitiveCount != expected.primitiveCount) {
        problems << "counts " << mesh.vertexCount << ", " << mesh.indexCount << ", " << mesh.primitiveCount
                 << " instead of " << expected.vertexCount << ", " << expected.indexCount << ", "
                 << expected.primitiveCount << "; ";
    }
}

void CheckRefused(const Mesh& mesh, const MeshOutcome& expected, const std::vector<MessageBoxCall>& boxes,
                  std::ostringstream& problems) {
    if (boxes.size() != 1 || boxes[0].caption != expected.caption || boxes[0].text != expected.text ||
        boxes[0].flags != MB_ICONERROR || boxes[0].owner != Renderer::window) {
        problems << BoxesSeen(boxes) << " instead of [" << expected.caption << ": " << expected.text << "]; ";
    }
    if (mesh.vertexBuffer != nullptr && mesh.indexBuffer != nullptr) {
        problems << "a drawable mesh despite the box; ";
    }
}

void CheckDrawable(const Mesh& mesh, const MeshOutcome& expected, const std::vector<MessageBoxCall>& boxes,
                   std::ostringstream& problems) {
    if (!boxes.empty()) {
        problems << BoxesSeen(boxes) << " instead of none; ";
    }
    if (mesh.vertexBuffer == nullptr || mesh.indexBuffer == nullptr) {
        problems << "no drawable mesh; ";
        return;
    }
    D3DVERTEXBUFFER_DESC vertices{};
    D3DINDEXBUFFER_DESC indices{};
    if (FAILED(mesh.vertexBuffer->GetDesc(&vertices)) || FAILED(mesh.indexBuffer->GetDesc(&indices))) {
        problems << "buffers without descriptions; ";
        return;
    }
    if (vertices.Size != std::uint64_t{mesh.vertexCount} * BytesPerVertex ||
        indices.Size != std::uint64_t{mesh.primitiveCount} * BytesPerTriangle || indices.Format != D3DFMT_INDEX32) {
        problems << "buffers of " << vertices.Size << " and " << indices.Size << " bytes for " << mesh.vertexCount
                 << " vertices and " << mesh.primitiveCount << " triangles; ";
        return;
    }
    const std::vector<std::uint8_t> indexBytes = ReadBack(mesh.indexBuffer, indices.Size);
    for (std::size_t index = 0; index < indexBytes.size(); index += BytesPerIndex) {
        if (WordAt(indexBytes, index) >= mesh.vertexCount) {
            problems << "index " << index / BytesPerIndex << " is " << WordAt(indexBytes, index) << " of "
                     << mesh.vertexCount << " vertices; ";
            break;
        }
    }
    if (ReadBack(mesh.vertexBuffer, vertices.Size) != expected.vertexBytes) {
        problems << "the vertex buffer differs from the file's vertex block; ";
    }
    if (indexBytes != expected.indexBytes) {
        problems << "the index buffer differs from the file's index block; ";
    }
}

}  // namespace

std::string CheckMeshLoad(const std::string& path, const MeshOutcome& expected, std::vector<MessageBoxCall>& boxes) {
    boxes.clear();
    Mesh mesh;
    mesh.Load(path);
    std::ostringstream problems;
    CheckCounts(mesh, expected, problems);
    if (expected.Drawable()) {
        CheckDrawable(mesh, expected, boxes, problems);
    } else {
        CheckRefused(mesh, expected, boxes, problems);
    }
    mesh.ReleaseDirect3DObjects();
    return problems.str();
}
