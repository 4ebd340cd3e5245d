// Every failing Direct3D step of a mesh shows exactly one box, owned by the renderer's window, and
// leaves what was made before it in the mesh, but for an index buffer that could not be filled, which
// goes with the vertex buffer so that the frame leaves the mesh out; Load returns false.
#include "tests/unit/mesh_fake_device.h"

namespace {

const std::vector<MeshVertex> Triangle = {
    {-1.0f, 0.0f, 0.0f, 0xFFFF0000u},
    {0.0f, 1.0f, 0.0f, 0xFF00FF00u},
    {1.0f, 0.0f, 0.0f, 0xFF0000FFu},
};

struct Failure {
    const char* operation;
    bool nullResult;  // the call reports success but gives no object or pointer
    const char* caption;
    const char* text;
    // What the mesh holds afterwards.
    bool declaration;
    bool vertexBuffer;
    bool indexBuffer;
    bool fileOpen;
};

void PrintTo(const Failure& failure, std::ostream* out) {
    *out << failure.operation << (failure.nullResult ? " (null result)" : "");
}

const Failure Failures[] = {
    {"GetCreationParameters", false, "No Vertex Buffer", "DirectX failed to get device creation parameters", false,
     false, false, true},
    {"CreateVertexDeclaration", false, "No Vertex Declaration",
     "DirectX failed to create a Direct3D9 vertex declaration", false, false, false, true},
    {"SetVertexDeclaration", false, "No Vertex Declaration", "DirectX failed to set the vertex declaration", true,
     false, false, true},
    {"CreateVertexBuffer", false, "No Vertex Buffer", "DirectX failed to create a vertex buffer", true, false, false,
     true},
    {"LockVertexBuffer", false, "No Vertex Buffer", "DirectX failed to lock the vertex buffer", true, true, false,
     true},
    {"UnlockVertexBuffer", false, "No Vertex Buffer", "DirectX failed to unlock the vertex buffer", true, true, false,
     true},
    {"CreateIndexBuffer", false, "No Index Buffer", "DirectX failed to create an index buffer", true, true, false,
     true},
    {"LockIndexBuffer", false, "No Index Buffer", "DirectX failed to lock the index buffer", true, false, false, true},
    {"UnlockIndexBuffer", false, "No Index Buffer", "DirectX failed to unlock the index buffer", true, false, false,
     false},
    {"CreateVertexDeclaration", true, "No Vertex Declaration",
     "DirectX failed to create a Direct3D9 vertex declaration", false, false, false, true},
    {"CreateVertexBuffer", true, "No Vertex Buffer", "DirectX failed to create a vertex buffer", true, false, false,
     true},
    {"LockVertexBuffer", true, "No Vertex Buffer", "DirectX failed to lock the vertex buffer", true, true, false,
     true},
    {"CreateIndexBuffer", true, "No Index Buffer", "DirectX failed to create an index buffer", true, true, false,
     true},
    {"LockIndexBuffer", true, "No Index Buffer", "DirectX failed to lock the index buffer", true, false, false, true},
};

class MeshFailureTest : public MeshTest, public ::testing::WithParamInterface<Failure> {};

TEST_P(MeshFailureTest, ShowsOneBoxAndKeepsWhatWasMadeBefore) {
    const Failure& failure = GetParam();
    (failure.nullResult ? nullResultOperation : failingOperation) = failure.operation;
    Mesh mesh;

    EXPECT_FALSE(mesh.Load(WriteMeshFile(MeshFileBytes(3, 3, Triangle, {0, 1, 2}))));

    ASSERT_EQ(messageBoxes.size(), 1u);
    EXPECT_EQ(messageBoxes[0].owner, FakeWindow());
    EXPECT_TRUE(messageBoxes[0].hasCaption);
    EXPECT_EQ(messageBoxes[0].caption, failure.caption);
    EXPECT_EQ(messageBoxes[0].text, failure.text);
    EXPECT_EQ(messageBoxes[0].flags, 0x10u);
    EXPECT_EQ(mesh.vertexDeclaration != nullptr, failure.declaration);
    EXPECT_EQ(mesh.vertexBuffer != nullptr, failure.vertexBuffer);
    EXPECT_EQ(mesh.indexBuffer != nullptr, failure.indexBuffer);
    EXPECT_EQ(mesh.file.IsOpen(), failure.fileOpen);
    EXPECT_FALSE(Called("Release(declaration)"));
    const bool indexBufferMade = std::string(failure.operation).find("IndexBuffer") != std::string::npos &&
                                 std::string(failure.operation) != "CreateIndexBuffer";
    EXPECT_EQ(Called("Release(vertex buffer)"), indexBufferMade);
    EXPECT_EQ(Called("Release(index buffer)"), indexBufferMade);
    EXPECT_EQ(mesh.vertexCount, 3u);
    EXPECT_EQ(mesh.primitiveCount, 1u);
}

INSTANTIATE_TEST_SUITE_P(EveryStep, MeshFailureTest, ::testing::ValuesIn(Failures));

TEST_F(MeshTest, MissingCreationParametersLeaveNoObjectsAndTheNextMeshStillLoads) {
    const std::string path = WriteMeshFile(MeshFileBytes(3, 3, Triangle, {0, 1, 2}));
    failingOperation = "GetCreationParameters";
    Mesh cube;
    cube.Load(path);
    failingOperation.clear();
    Mesh plane;

    plane.Load(path);

    ASSERT_EQ(messageBoxes.size(), 1u);
    EXPECT_EQ(cube.vertexDeclaration, nullptr);
    EXPECT_EQ(cube.vertexBuffer, nullptr);
    EXPECT_EQ(cube.indexBuffer, nullptr);
    EXPECT_NE(plane.vertexDeclaration, nullptr);
    EXPECT_NE(plane.vertexBuffer, nullptr);
    EXPECT_NE(plane.indexBuffer, nullptr);
}

}  // namespace
