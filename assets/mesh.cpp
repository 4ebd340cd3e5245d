// Mesh files read straight into Direct3D buffers, and the mesh's objects on the device.
#include "assets/mesh.h"

#include "graphics/renderer.h"
#include "platform/win32.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>
#include <utility>

const D3DVERTEXELEMENT9 MeshVertexElements[3] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_D3DCOLOR, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 0},
    D3DDECL_END(),
};

namespace {

constexpr DWORD VertexProcessingFlags =
    D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_MIXED_VERTEXPROCESSING;
constexpr std::uint64_t HeaderBytes = 2 * sizeof(std::uint32_t);
constexpr std::uint64_t BytesPerIndex = sizeof(std::uint32_t);
constexpr std::uint64_t BytesPerTriangle = 3 * BytesPerIndex;

// The header's count, cut to the whole records of recordBytes that the file holds from offset on:
// a header cannot make a buffer longer than the bytes that are there to fill it.
std::uint32_t CountHeld(std::uint32_t announced, std::uint64_t fileSize, std::uint64_t offset,
                        std::uint64_t recordBytes) {
    const std::uint64_t held = fileSize > offset ? (fileSize - offset) / recordBytes : 0;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(announced, held));
}

// Direct3D takes buffer lengths in 32 bits; counts whose bytes do not fit get no buffer at all,
// never one of a wrapped-around length.
std::optional<UINT> BufferLength(std::uint64_t bytes) {
    if (bytes > std::numeric_limits<UINT>::max()) {
        return std::nullopt;
    }
    return static_cast<UINT>(bytes);
}

// One read straight into the locked buffer, never past its end. Whatever the read did not deliver
// (the file may have shrunk since its size was taken) is zeroed, so it becomes degenerate triangles
// at vertex 0 instead of leftover memory.
void ReadIntoBuffer(MeshFile& file, void* data, UINT length) {
    const DWORD read = file.Read(data, length);
    std::memset(static_cast<unsigned char*>(data) + read, 0, length - read);
}

// The indices pass through a staging buffer on the stack, where they are checked, on their way into
// the locked buffer: its memory is write-only, and reading it back is undefined (and on real hardware
// often slow). Each read fills the 64 KiB of the staging buffer, which stays in the processor's cache,
// and its indices are checked and copied 4 KiB at a time, so that the copy finds them still in the
// first-level cache. Whatever the reads did not deliver is zeroed, as for the vertices. False at the
// first group that holds an index past the last vertex; neither it nor the rest of the buffer is then
// filled, since the mesh gives it up.
bool ReadIndicesBelow(MeshFile& file, void* data, UINT length, std::uint32_t vertexCount) {
    constexpr UINT IndexSize = sizeof(std::uint32_t);
    constexpr UINT IndicesPerRead = 16384;
    constexpr UINT IndicesPerCopy = 1024;
    std::uint32_t indices[IndicesPerRead];
    auto* destination = static_cast<unsigned char*>(data);
    UINT remaining = length;
    while (remaining > 0) {
        const UINT wanted = std::min(remaining, IndicesPerRead * IndexSize);
        const DWORD read = file.Read(indices, wanted);
        // An index cut short by the end of a shrunken file keeps the bytes it has and is zero above them.
        const UINT count = (read + IndexSize - 1) / IndexSize;
        std::memset(reinterpret_cast<unsigned char*>(indices) + read, 0, count * IndexSize - read);
        for (UINT first = 0; first < count; first += IndicesPerCopy) {
            const UINT group = std::min(IndicesPerCopy, count - first);
            if (!IndicesBelow(indices + first, group, vertexCount)) {
                return false;
            }
            std::memcpy(destination, indices + first, group * IndexSize);
            destination += group * IndexSize;
        }
        remaining -= count * IndexSize;
        if (read < wanted) {
            std::memset(destination, 0, remaining);
            break;
        }
    }
    return true;
}

}  // namespace

bool IndicesBelow(const std::uint32_t* indices, std::size_t count, std::uint32_t vertexCount) {
    // Runs of a fixed length, which compilers turn into vector compares without being asked to; the
    // few indices left over are checked one by one.
    constexpr std::size_t Run = 64;
    std::uint32_t past = 0;
    std::size_t i = 0;
    for (; i + Run <= count; i += Run) {
        for (std::size_t k = 0; k < Run; ++k) {
            past |= indices[i + k] >= vertexCount;
        }
    }
    for (; i < count; ++i) {
        past |= indices[i] >= vertexCount;
    }
    return past == 0;
}

MeshFile::~MeshFile() {
    Close();
}

void MeshFile::Open(const std::string& path) {
    Close();
    // Denies nothing to other openers, as the C runtime's _SH_DENYNO does, and lets them delete
    // or rename the file too.
    handle = platform::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == nullptr) {
        handle = INVALID_HANDLE_VALUE;
    }
}

bool MeshFile::IsOpen() const {
    return handle != INVALID_HANDLE_VALUE;
}

DWORD MeshFile::Read(void* destination, DWORD size) {
    DWORD count = 0;
    if (!IsOpen() || !platform::ReadFile(handle, destination, size, &count, nullptr)) {
        return 0;
    }
    return std::min(count, size);
}

std::uint64_t MeshFile::Size() const {
    LARGE_INTEGER size{};
    if (!IsOpen() || !platform::GetFileSizeEx(handle, &size) || size.QuadPart < 0) {
        return 0;
    }
    return static_cast<std::uint64_t>(size.QuadPart);
}

void MeshFile::Close() {
    if (IsOpen()) {
        platform::CloseHandle(handle);
        handle = INVALID_HANDLE_VALUE;
    }
}

Mesh::~Mesh() {
    ReleaseDirect3DObjects();
}

bool Mesh::Load(std::string path) {
    device = Renderer::device;
    window = Renderer::window;
    filePath = std::move(path);
    position = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    complete = ReadFileIntoBuffers();
    return complete;
}

void Mesh::Restore() {
    if (complete && (vertexBuffer == nullptr || indexBuffer == nullptr)) {
        ReleaseBuffers();
        complete = ReadFileIntoBuffers();
    } else if (vertexDeclaration != nullptr) {
        platform::SetVertexDeclaration(device, vertexDeclaration);
    }
}

bool Mesh::ReadFileIntoBuffers() {
    // The header is read before anything is made, and its counts are cut to what the file holds:
    // nothing when it is shorter than the header, whole vertices after the header, and whole
    // indices after the vertex block that the header announces.
    std::uint32_t announcedVertices = 0;
    std::uint32_t announcedIndices = 0;
    file.Open(filePath);
    file.Read(&announcedVertices, sizeof announcedVertices);
    file.Read(&announcedIndices, sizeof announcedIndices);
    const std::uint64_t fileSize = file.Size();
    vertexCount = CountHeld(announcedVertices, fileSize, HeaderBytes, sizeof(MeshVertex));
    const std::uint64_t announcedVertexBlockEnd = HeaderBytes + std::uint64_t{announcedVertices} * sizeof(MeshVertex);
    indexCount = CountHeld(announcedIndices, fileSize, announcedVertexBlockEnd, BytesPerIndex);
    primitiveCount = indexCount / 3;

    D3DDEVICE_CREATION_PARAMETERS parameters{};
    if (device == nullptr || FAILED(platform::GetCreationParameters(device, &parameters))) {
        ReportFailure("DirectX failed to get device creation parameters", "No Vertex Buffer");
        return false;
    }
    DWORD usage = D3DUSAGE_WRITEONLY;
    if ((parameters.BehaviorFlags & VertexProcessingFlags) == D3DCREATE_SOFTWARE_VERTEXPROCESSING) {
        usage |= D3DUSAGE_SOFTWAREPROCESSING;
    }
    return CreateVertexBuffer(usage) && CreateIndexBuffer(usage);
}

bool Mesh::CreateVertexBuffer(DWORD usage) {
    // A declaration outlives a device reset; only the first load makes it.
    if (vertexDeclaration == nullptr &&
        (FAILED(platform::CreateVertexDeclaration(device, MeshVertexElements, &vertexDeclaration)) ||
         vertexDeclaration == nullptr)) {
        ReportFailure("DirectX failed to create a Direct3D9 vertex declaration", "No Vertex Declaration");
        return false;
    }
    if (FAILED(platform::SetVertexDeclaration(device, vertexDeclaration))) {
        ReportFailure("DirectX failed to set the vertex declaration", "No Vertex Declaration");
        return false;
    }
    const std::optional<UINT> length = BufferLength(std::uint64_t{vertexCount} * sizeof(MeshVertex));
    if (!length) {
        ReportFailure("The mesh file has more vertices than a vertex buffer can hold", "No Vertex Buffer");
        return false;
    }
    if (FAILED(platform::CreateVertexBuffer(device, *length, usage, 0, D3DPOOL_DEFAULT, &vertexBuffer, nullptr)) ||
        vertexBuffer == nullptr) {
        ReportFailure("DirectX failed to create a vertex buffer", "No Vertex Buffer");
        return false;
    }
    void* data = nullptr;
    if (FAILED(platform::LockVertexBuffer(vertexBuffer, 0, 0, &data, 0)) || data == nullptr) {
        ReportFailure("DirectX failed to lock the vertex buffer", "No Vertex Buffer");
        return false;
    }
    ReadIntoBuffer(file, data, *length);
    if (FAILED(platform::UnlockVertexBuffer(vertexBuffer))) {
        ReportFailure("DirectX failed to unlock the vertex buffer", "No Vertex Buffer");
        return false;
    }
    return true;
}

bool Mesh::CreateIndexBuffer(DWORD usage) {
    // Sized for whole triangles: the one or two indices of an unfinished triangle are never read.
    const std::optional<UINT> length = BufferLength(std::uint64_t{primitiveCount} * BytesPerTriangle);
    if (!length) {
        ReportFailure("The mesh file has more indices than an index buffer can hold", "No Index Buffer");
        return false;
    }
    if (FAILED(platform::CreateIndexBuffer(device, *length, usage, D3DFMT_INDEX32, D3DPOOL_DEFAULT, &indexBuffer,
                                           nullptr)) ||
        indexBuffer == nullptr) {
        ReportFailure("DirectX failed to create an index buffer", "No Index Buffer");
        return false;
    }
    void* data = nullptr;
    const char* failure = nullptr;
    if (FAILED(platform::LockIndexBuffer(indexBuffer, 0, 0, &data, 0)) || data == nullptr) {
        failure = "DirectX failed to lock the index buffer";
    } else {
        const bool indicesValid = ReadIndicesBelow(file, data, *length, vertexCount);
        file.Close();
        if (FAILED(platform::UnlockIndexBuffer(indexBuffer))) {
            failure = "DirectX failed to unlock the index buffer";
        } else if (!indicesValid) {
            failure = "The mesh file has an index past its last vertex";
        }
    }
    if (failure != nullptr) {
        ReportFailure(failure, "No Index Buffer");
        // An index buffer that was not filled whole from checked indices may hold any index: without
        // buffers the frame skips the mesh instead of drawing from outside its vertices. The
        // declaration stays bound: the other mesh draws with it.
        ReleaseBuffers();
        return false;
    }
    return true;
}

void Mesh::ReleaseDirect3DObjects() {
    ReleaseBuffers();
    if (vertexDeclaration != nullptr) {
        // Unbound first, so that the device never keeps a declaration that is going away.
        platform::SetVertexDeclaration(device, nullptr);
        platform::ReleaseAndClear(vertexDeclaration);
    }
}

void Mesh::ReportFailure(const char* text, const char* caption) const {
    Renderer::ReportFailure(window, text, caption);
}

void Mesh::ReleaseBuffers() {
    platform::ReleaseAndClear(vertexBuffer);
    platform::ReleaseAndClear(indexBuffer);
}
