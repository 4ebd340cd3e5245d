// The meshes on the real Direct3D 9 device: the shipped ones load without a box into buffers as
// their files say, and a missing file meets the device's refusal of an empty buffer.
#include "assets/mesh.h"
#include "graphics/renderer.h"
#include "tests/support/file_contents.h"
#include "tests/support/platform_test.h"

#include <vector>

namespace {

std::vector<std::uint8_t> VertexBufferBytes(IDirect3DVertexBuffer9* buffer) {
    D3DVERTEXBUFFER_DESC description{};
    void* data = nullptr;
    if (FAILED(buffer->GetDesc(&description)) || FAILED(buffer->Lock(0, 0, &data, D3DLOCK_READONLY)) ||
        data == nullptr) {
        return {};
    }
    const auto* const bytes = static_cast<const std::uint8_t*>(data);
    std::vector<std::uint8_t> contents(bytes, bytes + description.Size);
    buffer->Unlock();
    return contents;
}

using MeshDeviceTest = PlatformTest;

TEST_F(MeshDeviceTest, ShippedMeshesLoadWithoutABoxIntoBuffersAsTheFilesSay) {
    ASSERT_NO_FATAL_FAILURE(StartRealDevice());
    RecordMessageBoxes();
    Mesh cube;
    Mesh plane;

    EXPECT_TRUE(cube.Load("data/cube.mesh.bin"));
    EXPECT_TRUE(plane.Load("data/plane.mesh.bin"));

    EXPECT_TRUE(messageBoxes.empty());
    for (const Mesh* mesh : {&cube, &plane}) {
        ASSERT_NE(mesh->vertexDeclaration, nullptr);
        ASSERT_NE(mesh->vertexBuffer, nullptr);
        ASSERT_NE(mesh->indexBuffer, nullptr);
        EXPECT_FALSE(mesh->file.IsOpen());
        D3DVERTEXBUFFER_DESC description{};
        ASSERT_TRUE(SUCCEEDED(mesh->vertexBuffer->GetDesc(&description)));
        EXPECT_EQ(description.Size, mesh->vertexCount * 16);
        EXPECT_EQ(description.Usage, static_cast<DWORD>(D3DUSAGE_WRITEONLY));
        EXPECT_EQ(description.Pool, D3DPOOL_DEFAULT);
    }
    const std::string cubeFile = FileContents("data/cube.mesh.bin");
    ASSERT_GE(cubeFile.size(), 8 + cube.vertexCount * 16u);
    EXPECT_EQ(VertexBufferBytes(cube.vertexBuffer),
              std::vector<std::uint8_t>(cubeFile.begin() + 8, cubeFile.begin() + 8 + cube.vertexCount * 16));
}

TEST_F(MeshDeviceTest, MissingFileOnTheRealDeviceShowsOnlyTheVertexBufferBox) {
    ASSERT_NO_FATAL_FAILURE(StartRealDevice());
    RecordMessageBoxes();
    Mesh mesh;

    EXPECT_FALSE(mesh.Load("data/no-such.mesh.bin"));

    EXPECT_EQ(mesh.vertexCount, 0u);
    EXPECT_EQ(mesh.primitiveCount, 0u);
    ASSERT_EQ(messageBoxes.size(), 1u);
    EXPECT_EQ(messageBoxes[0].owner, Renderer::window);
    EXPECT_EQ(messageBoxes[0].caption, "No Vertex Buffer");
    EXPECT_EQ(messageBoxes[0].text, "DirectX failed to create a vertex buffer");
    EXPECT_EQ(mesh.vertexBuffer, nullptr);
    EXPECT_EQ(mesh.indexBuffer, nullptr);
}

}  // namespace
