// The mesh's Direct3D objects: the order of the calls, the buffers' usage and lengths, the draw
// parameters, and their release.
#include "tests/unit/mesh_fake_device.h"

#include "graphics/renderer.h"

namespace {

using MeshBuffersTest = MeshTest;

TEST_F(MeshBuffersTest, HeaderIsReadFirstAndEachBlockGoesStraightIntoItsLockedBuffer) {
    Mesh mesh;

    mesh.Load(WriteMeshFile(MeshFileBytes(4, 6, Square, SquareIndices)));

    const std::vector<std::string> expected = {
        "ReadFile(4)",
        "ReadFile(4)",
        "GetFileSizeEx",
        "GetCreationParameters(device)",
        "CreateVertexDeclaration(MeshVertexElements)",
        "SetVertexDeclaration(declaration)",
        "CreateVertexBuffer(64)",
        "LockVertexBuffer(0, 0, 0)",
        "ReadFile(64)",
        "UnlockVertexBuffer",
        "CreateIndexBuffer(24)",
        "LockIndexBuffer(0, 0, 0)",
        "ReadFile(24)",
        "CloseHandle",  // the file is closed before the index buffer is unlocked
        "UnlockIndexBuffer",
    };
    EXPECT_EQ(calls, expected);
}

TEST_F(MeshBuffersTest, FourVerticesAndSixIndicesGiveTwoTrianglesInBuffersOf64And24Bytes) {
    Mesh mesh;

    mesh.Load(WriteMeshFile(MeshFileBytes(4, 6, Square, SquareIndices)));

    ASSERT_TRUE(vertexBufferCreation.has_value());
    EXPECT_EQ(vertexBufferCreation->length, 64u);
    EXPECT_EQ(vertexBufferCreation->fvfOrFormat, 0u);
    EXPECT_EQ(vertexBufferCreation->pool, D3DPOOL_DEFAULT);
    ASSERT_TRUE(indexBufferCreation.has_value());
    EXPECT_EQ(indexBufferCreation->length, 24u);
    EXPECT_EQ(indexBufferCreation->fvfOrFormat, static_cast<DWORD>(D3DFMT_INDEX32));
    EXPECT_EQ(indexBufferCreation->pool, D3DPOOL_DEFAULT);

    EXPECT_EQ(mesh.device, FakeDevice());
    EXPECT_EQ(mesh.window, FakeWindow());
    EXPECT_EQ(mesh.vertexDeclaration, FakeDeclaration());
    EXPECT_EQ(mesh.vertexBuffer, FakeVertexBuffer());
    EXPECT_EQ(mesh.indexBuffer, FakeIndexBuffer());
    EXPECT_EQ(mesh.vertexCount, 4u);
    EXPECT_EQ(mesh.primitiveCount, 2u);
    EXPECT_EQ(mesh.primitiveType, D3DPT_TRIANGLELIST);
    EXPECT_EQ(mesh.vertexStride, 16u);
    EXPECT_TRUE(vertexMemory.GuardIntact());
    EXPECT_TRUE(indexMemory.GuardIntact());
    EXPECT_TRUE(messageBoxes.empty());
}

TEST_F(MeshBuffersTest, SoftwareVertexProcessingAloneAddsSoftwareProcessingUsage) {
    struct Case {
        DWORD behaviorFlags;
        DWORD usage;
    };
    const Case cases[] = {
        {D3DCREATE_SOFTWARE_VERTEXPROCESSING, 0x18},
        {D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_MULTITHREADED | D3DCREATE_FPU_PRESERVE, 0x18},
        {D3DCREATE_HARDWARE_VERTEXPROCESSING, 0x8},
        {D3DCREATE_MIXED_VERTEXPROCESSING, 0x8},
        {D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_HARDWARE_VERTEXPROCESSING, 0x8},
        {D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_MIXED_VERTEXPROCESSING, 0x8},
        {D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_PUREDEVICE, 0x8},
    };
    const std::string path = WriteMeshFile(MeshFileBytes(4, 6, Square, SquareIndices));
    for (const Case& test : cases) {
        SCOPED_TRACE(test.behaviorFlags);
        behaviorFlags = test.behaviorFlags;
        Mesh mesh;

        mesh.Load(path);

        ASSERT_TRUE(vertexBufferCreation.has_value());
        ASSERT_TRUE(indexBufferCreation.has_value());
        EXPECT_EQ(vertexBufferCreation->usage, test.usage);
        EXPECT_EQ(indexBufferCreation->usage, test.usage);
    }
}

TEST_F(MeshBuffersTest, DestructionReleasesBuffersThenUnbindsAndReleasesTheDeclaration) {
    {
        Mesh mesh;
        mesh.Load(WriteMeshFile(MeshFileBytes(4, 6, Square, SquareIndices)));
        calls.clear();
    }
    const std::vector<std::string> expected = {"Release(vertex buffer)", "Release(index buffer)",
                                               "SetVertexDeclaration(null)", "Release(declaration)"};
    EXPECT_EQ(calls, expected);
}

TEST_F(MeshBuffersTest, ObjectsReleasedBeforeDestructionAreNotReleasedAgain) {
    {
        Mesh mesh;
        mesh.Load(WriteMeshFile(MeshFileBytes(4, 6, Square, SquareIndices)));
        mesh.ReleaseDirect3DObjects();
        EXPECT_EQ(mesh.vertexBuffer, nullptr);
        EXPECT_EQ(mesh.indexBuffer, nullptr);
        EXPECT_EQ(mesh.vertexDeclaration, nullptr);
        calls.clear();
    }
    EXPECT_TRUE(calls.empty());
}

TEST_F(MeshBuffersTest, MeshWithoutADeclarationIsDestroyedWithoutTouchingTheDevice) {
    failingOperation = "GetCreationParameters";
    {
        Mesh mesh;
        mesh.Load(WriteMeshFile(MeshFileBytes(4, 6, Square, SquareIndices)));
        calls.clear();
    }
    // Only the file, still open after the failure, is closed.
    EXPECT_EQ(calls, std::vector<std::string>{"CloseHandle"});
}

TEST_F(MeshBuffersTest, MeshLoadedWithoutADeviceMakesNothing) {
    Renderer::device = nullptr;
    Mesh mesh;

    EXPECT_FALSE(mesh.Load(WriteMeshFile(MeshFileBytes(4, 6, Square, SquareIndices))));

    ASSERT_EQ(messageBoxes.size(), 1u);
    EXPECT_EQ(messageBoxes[0].text, "DirectX failed to get device creation parameters");
    EXPECT_FALSE(Called("GetCreationParameters(null)"));
    EXPECT_EQ(mesh.vertexDeclaration, nullptr);
}

}  // namespace
