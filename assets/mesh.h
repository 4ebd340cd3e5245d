// A drawable mesh: its vertex declaration, vertex buffer and index buffer on the device, filled
// straight from a mesh file, the fixed parameters it is drawn with, and its place in the world.
#pragma once

#include "platform/direct3d.h"

#include <cstdint>
#include <string>

// The vertex record of mesh files and vertex buffers: a position and a colour, 16 bytes.
struct MeshVertex {
    float x;
    float y;
    float z;
    D3DCOLOR color;  // 0xAARRGGBB, stored little-endian: blue, green, red, alpha
};
static_assert(sizeof(MeshVertex) == 16, "mesh files store 16-byte vertices");

// The vertex declaration that describes MeshVertex: position and colour, usage index 0, stream 0.
extern const D3DVERTEXELEMENT9 MeshVertexElements[3];

// A mesh file open for reading, in the manner of an input file stream: closed until Open, closed
// again by Close or by its destruction. Bytes arrive unchanged, and other openers may read, write
// or delete the file while it is open.
class MeshFile {
public:
    MeshFile() = default;
    MeshFile(const MeshFile&) = delete;
    MeshFile& operator=(const MeshFile&) = delete;
    ~MeshFile();

    // Closes any file open before; afterwards IsOpen tells whether path could be opened.
    void Open(const std::string& path);
    bool IsOpen() const;
    // One read of up to size bytes into destination; how many arrived (none when closed, at the
    // end of the file or after a failure).
    DWORD Read(void* destination, DWORD size);
    // The file's length in bytes as the open handle reports it; 0 when closed or when the length
    // cannot be had.
    std::uint64_t Size() const;
    void Close();

private:
    HANDLE handle = INVALID_HANDLE_VALUE;
};

class Mesh {
public:
    Mesh() = default;
    Mesh(const Mesh&) = delete;
    Mesh& operator=(const Mesh&) = delete;
    ~Mesh();

    // Reads the mesh file at path and makes the Direct3D objects on Renderer::device; failures are
    // shown in boxes owned by Renderer::window. True when both buffers were made and filled from the
    // file.
    bool Load(std::string path);
    // Releases the buffers, which live in the device's own memory: a device reset needs them gone.
    void ReleaseBuffers();
    // After a device reset, which unbinds everything: makes the buffers again from the same file if
    // the last load made them both (with the same boxes if that fails), else binds the declaration
    // again.
    void Restore();
    // Releases the buffers and the declaration (unbinding it first); the destructor does the same
    // for whatever is left.
    void ReleaseDirect3DObjects();

    IDirect3DVertexBuffer9* vertexBuffer = nullptr;
    IDirect3DIndexBuffer9* indexBuffer = nullptr;
    IDirect3DVertexDeclaration9* vertexDeclaration = nullptr;
    IDirect3DDevice9* device = nullptr;  // the renderer's device; no reference of its own
    HWND window = nullptr;               // owner of this mesh's message boxes
    std::uint32_t streamIndex = 0;
    std::uint32_t streamOffset = 0;
    std::uint32_t vertexStride = sizeof(MeshVertex);
    D3DPRIMITIVETYPE primitiveType = D3DPT_TRIANGLELIST;
    std::int32_t firstVertexIndex = 0;
    std::uint32_t startIndex = 0;
    // The header's counts, cut to the whole vertices and indices that the file holds.
    std::uint32_t vertexCount = 0;
    std::uint32_t indexCount = 0;
    std::uint32_t primitiveCount = 0;
    MeshFile file;
    D3DXVECTOR3 position{0.0f, 0.0f, 0.0f};

private:
    // Reads the file from its start and makes on the device what the mesh lacks; true when both
    // buffers were made.
    bool ReadFileIntoBuffers();
    // The steps of ReadFileIntoBuffers, in this order: each makes, fills and unlocks its buffer from
    // where the file was left.
    bool CreateVertexBuffer(DWORD usage);
    bool CreateIndexBuffer(DWORD usage);
    void ReportFailure(const char* text, const char* caption) const;

    std::string filePath;
    bool complete = false;  // the last load made both buffers
};

extern Mesh s_cubeMesh;
extern Mesh s_planeMesh;
