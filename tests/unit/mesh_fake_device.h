// What the mesh tests share: the mesh's Direct3D operations replaced by fakes that log their calls
// in order, hand out memory with a guard zone after it for each locked buffer, and fail (or give a
// null object) on request; mesh files written to %TEMP% and removed after the test.
#pragma once

#include "assets/mesh.h"
#include "tests/support/platform_test.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Mesh file bytes with any counts in the header, whatever the blocks hold.
std::vector<std::uint8_t> MeshFileBytes(std::uint32_t vertexCount, std::uint32_t indexCount,
                                        const std::vector<MeshVertex>& vertices,
                                        const std::vector<std::uint32_t>& indices);

// Four vertices and two triangles: a square of four colours.
extern const std::vector<MeshVertex> Square;
extern const std::vector<std::uint32_t> SquareIndices;

struct FakeBufferCreation {
    UINT length;
    DWORD usage;
    DWORD fvfOrFormat;
    D3DPOOL pool;
};

// Memory handed out by a fake Lock: the buffer's bytes, filled with FreshByte until written, and a
// guard zone of GuardByte after them.
struct FakeBufferMemory {
    static constexpr std::uint8_t FreshByte = 0xEE;
    static constexpr std::uint8_t GuardByte = 0xA5;
    std::vector<std::uint8_t> bytes;
    UINT length = 0;
    bool GuardIntact() const;
    std::vector<std::uint8_t> Contents() const;
};

class MeshTest : public PlatformTest {
protected:
    // Longer buffers are refused like a device out of memory, so that huge counts cost nothing.
    static constexpr UINT LargestFakeBuffer = 1u << 20;

    void SetUp() override;
    void TearDown() override;

    // A new file in %TEMP% holding bytes; removed after the test.
    std::string WriteMeshFile(const std::vector<std::uint8_t>& bytes);
    // A path in %TEMP% where no file is, and none that this test names again.
    std::string MissingFilePath();

    static IDirect3DDevice9* FakeDevice();
    static HWND FakeWindow();
    static IDirect3DVertexDeclaration9* FakeDeclaration();
    static IDirect3DVertexBuffer9* FakeVertexBuffer();
    static IDirect3DIndexBuffer9* FakeIndexBuffer();

    bool Called(const std::string& call) const;

    // Set by the test: the device's behaviour flags, the one operation that fails (by its name in
    // the log), the one that reports success but gives no object or pointer, and a file size to
    // report in place of the real one.
    DWORD behaviorFlags = D3DCREATE_HARDWARE_VERTEXPROCESSING;
    std::string failingOperation;
    std::string nullResultOperation;
    std::optional<LONGLONG> reportedFileSize;

    // What happened: every call by name (ReadFile with its size, SetVertexDeclaration and Release
    // with what they were given), the creations, and the locked memory.
    std::vector<std::string> calls;
    std::optional<FakeBufferCreation> vertexBufferCreation;
    std::optional<FakeBufferCreation> indexBufferCreation;
    FakeBufferMemory vertexMemory;
    FakeBufferMemory indexMemory;

private:
    HRESULT Lock(const std::string& name, FakeBufferMemory& memory, const std::optional<FakeBufferCreation>& creation,
                 UINT offset, UINT size, void** data, DWORD flags);
    std::vector<std::string> files;
    unsigned pathsMade = 0;
};
