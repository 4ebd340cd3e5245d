#include "tests/oracles/mesh_check.h"

#include "assets/mesh.h"
#include "graphics/renderer.h"
#include "tests/oracles/mesh_layout.h"
#include "tests/oracles/read_back.h"

#include <sstream>

namespace {

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
    const std::optional<BufferContents> vertices = ReadBack(mesh.vertexBuffer);
    const std::optional<BufferContents> indices = ReadBack(mesh.indexBuffer);
    if (!vertices || !indices) {
        problems << "buffers that cannot be read back; ";
        return;
    }
    if (vertices->bytes.size() != std::uint64_t{mesh.vertexCount} * BytesPerVertex ||
        indices->bytes.size() != std::uint64_t{mesh.primitiveCount} * BytesPerTriangle ||
        indices->format != D3DFMT_INDEX32) {
        problems << "buffers of " << vertices->bytes.size() << " and " << indices->bytes.size() << " bytes for "
                 << mesh.vertexCount << " vertices and " << mesh.primitiveCount << " triangles; ";
        return;
    }
    const std::vector<std::uint8_t>& indexBytes = indices->bytes;
    for (std::size_t index = 0; index < indexBytes.size(); index += BytesPerIndex) {
        if (WordAt(indexBytes, index) >= mesh.vertexCount) {
            problems << "index " << index / BytesPerIndex << " is " << WordAt(indexBytes, index) << " of "
                     << mesh.vertexCount << " vertices; ";
            break;
        }
    }
    if (vertices->bytes != expected.vertexBytes) {
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
