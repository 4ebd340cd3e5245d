// Reading mesh files: the header, the vertex block and the index block arrive unchanged in the
// buffers, and files that are short, missing, empty or inconsistent get no buffer longer than what
// they hold and never write past one.
#include "tests/support/file_contents.h"
#include "tests/unit/mesh_fake_device.h"

#include <cstring>

namespace {

// A triangle whose bytes include CR, LF and Ctrl-Z, which a text-mode read would change.
const std::vector<MeshVertex> Triangle = {
    {-1.0f, 0.0f, 0.0f, 0xFFFF0000u},
    {0.0f, 1.0f, 0.0f, 0x1A0D0A00u},
    {1.0f, 0.0f, 0.0f, 0xFF0000FFu},
};
const std::vector<std::uint32_t> TriangleIndices = {0, 1, 2};

std::vector<std::uint8_t> BytesOf(const void* data, std::size_t size) {
    const auto* const bytes = static_cast<const std::uint8_t*>(data);
    return std::vector<std::uint8_t>(bytes, bytes + size);
}

std::vector<std::uint8_t> VertexBytes(const std::vector<MeshVertex>& vertices) {
    return BytesOf(vertices.data(), vertices.size() * sizeof(MeshVertex));
}

std::vector<std::uint8_t> IndexBytes(const std::vector<std::uint32_t>& indices) {
    return BytesOf(indices.data(), indices.size() * sizeof(std::uint32_t));
}

using MeshFileTest = MeshTest;

TEST_F(MeshFileTest, ThreeVertexFileOf68BytesGivesOneTriangle) {
    const std::vector<std::uint8_t> bytes = MeshFileBytes(3, 3, Triangle, TriangleIndices);
    ASSERT_EQ(bytes.size(), 68u);
    Mesh mesh;
    mesh.position = D3DXVECTOR3(1.0f, 2.0f, 3.0f);

    EXPECT_TRUE(mesh.Load(WriteMeshFile(bytes)));

    EXPECT_EQ(mesh.vertexCount, 3u);
    EXPECT_EQ(mesh.indexCount, 3u);
    EXPECT_EQ(mesh.primitiveCount, 1u);
    EXPECT_EQ(mesh.position, D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    EXPECT_EQ(vertexMemory.Contents(), VertexBytes(Triangle));
    EXPECT_EQ(indexMemory.Contents(), IndexBytes(TriangleIndices));
    EXPECT_TRUE(messageBoxes.empty());
    EXPECT_FALSE(mesh.file.IsOpen());
}

TEST_F(MeshFileTest, ColourBytesBlueGreenRedAlphaAreOpaqueRed) {
    std::vector<std::uint8_t> bytes = MeshFileBytes(3, 3, Triangle, TriangleIndices);
    const std::uint8_t red[] = {0x00, 0x00, 0xFF, 0xFF};
    std::memcpy(bytes.data() + 8 + 12, red, sizeof red);
    Mesh mesh;

    mesh.Load(WriteMeshFile(bytes));

    MeshVertex first{};
    std::memcpy(&first, vertexMemory.bytes.data(), sizeof first);
    EXPECT_EQ(first.color, 0xFFFF0000u);
}

TEST_F(MeshFileTest, BytesAfterTheIndexBlockAreNeverRead) {
    std::vector<std::uint8_t> bytes = MeshFileBytes(3, 3, Triangle, TriangleIndices);
    bytes.insert(bytes.end(), {7, 7, 7, 7, 7, 7, 7, 7});
    Mesh mesh;

    mesh.Load(WriteMeshFile(bytes));

    const std::vector<std::string> reads = {"ReadFile(4)", "ReadFile(4)", "ReadFile(48)", "ReadFile(12)"};
    std::vector<std::string> actualReads;
    for (const std::string& call : calls) {
        if (call.rfind("ReadFile", 0) == 0) {
            actualReads.push_back(call);
        }
    }
    EXPECT_EQ(actualReads, reads);
    EXPECT_EQ(indexMemory.Contents(), IndexBytes(TriangleIndices));
    EXPECT_TRUE(messageBoxes.empty());
}

TEST_F(MeshFileTest, FileIsOpenedSharedAndClosedWithTheMesh) {
    const std::string path = WriteMeshFile(MeshFileBytes(3, 3, Triangle, TriangleIndices));
    failingOperation = "CreateVertexBuffer";
    {
        Mesh mesh;
        mesh.Load(path);
        ASSERT_TRUE(mesh.file.IsOpen());  // a failure before the index block leaves it open

        // Others may read, write and delete it meanwhile.
        const HANDLE other = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(other, INVALID_HANDLE_VALUE);
        if (other != INVALID_HANDLE_VALUE) {
            CloseHandle(other);
        }
    }
    const HANDLE exclusive =
        CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(exclusive, INVALID_HANDLE_VALUE) << "the destroyed mesh still holds its file";
    if (exclusive != INVALID_HANDLE_VALUE) {
        CloseHandle(exclusive);
    }
}

// A file that holds no whole vertex gets zero counts whatever its header announces, so nothing
// longer than the file is ever asked for; the only box is the device's refusal of a vertex buffer
// of no length. A file whose size cannot be had counts as empty.
TEST_F(MeshFileTest, FileHoldingNoWholeVertexGetsZeroCountsAndAsksForNoBuffer) {
    struct Case {
        const char* name;
        std::string path;
        const char* failingOperation;
    };
    const Case cases[] = {
        {"missing", MissingFilePath(), ""},
        {"empty", WriteMeshFile({}), ""},
        {"header cut short", WriteMeshFile({2, 0, 0, 0, 3, 0}), ""},
        {"8 bytes announcing 64 Mi vertices", WriteMeshFile(MeshFileBytes(64u << 20, 3, {}, {})), ""},
        {"size unknown", WriteMeshFile(MeshFileBytes(3, 3, Triangle, TriangleIndices)), "GetFileSizeEx"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        failingOperation = test.failingOperation;
        messageBoxes.clear();
        vertexBufferCreation.reset();
        indexBufferCreation.reset();
        Mesh mesh;

        EXPECT_FALSE(mesh.Load(test.path));

        EXPECT_EQ(mesh.vertexCount, 0u);
        EXPECT_EQ(mesh.indexCount, 0u);
        EXPECT_EQ(mesh.primitiveCount, 0u);
        ASSERT_TRUE(vertexBufferCreation.has_value());
        EXPECT_EQ(vertexBufferCreation->length, 0u);
        EXPECT_FALSE(indexBufferCreation.has_value());
        ASSERT_EQ(messageBoxes.size(), 1u);
        EXPECT_EQ(messageBoxes[0].text, "DirectX failed to create a vertex buffer");
    }
}

// A file that shrinks after its size was taken: what the reads no longer find is zero, vertices at
// the origin and indices of vertex 0, which draw nothing, instead of whatever the buffer memory held.
TEST_F(MeshFileTest, FileShrunkWhileReadLeavesZerosWhereItsBytesEnded) {
    const std::vector<std::uint8_t> bytes = MeshFileBytes(3, 3, Triangle, TriangleIndices);
    for (const std::size_t kept : {8u + 24u, 8u + 48u + 6u}) {  // inside a vertex, inside an index
        SCOPED_TRACE(kept);
        const std::string path = WriteMeshFile(bytes);
        platform::GetFileSizeEx = [&](HANDLE file, LARGE_INTEGER* size) {
            const BOOL known = platform::real::GetFileSizeEx(file, size);
            EXPECT_TRUE(WriteFileContents(path, bytes.data(), kept));
            return known;
        };
        Mesh mesh;

        mesh.Load(path);

        EXPECT_EQ(mesh.primitiveCount, 1u);
        std::vector<std::uint8_t> expected(bytes.begin() + 8, bytes.begin() + static_cast<std::ptrdiff_t>(kept));
        expected.resize(48 + 12, 0);
        std::vector<std::uint8_t> filled = vertexMemory.Contents();
        const std::vector<std::uint8_t> indices = indexMemory.Contents();
        filled.insert(filled.end(), indices.begin(), indices.end());
        EXPECT_EQ(filled, expected);
        EXPECT_TRUE(vertexMemory.GuardIntact());
        EXPECT_TRUE(indexMemory.GuardIntact());
        EXPECT_TRUE(messageBoxes.empty());
    }
}

TEST_F(MeshFileTest, IndicesOfAnUnfinishedTriangleAreNotRead) {
    for (const std::uint32_t indexCount : {4u, 5u}) {
        SCOPED_TRACE(indexCount);
        calls.clear();
        std::vector<std::uint32_t> indices = {0, 1, 2, 2, 1};
        indices.resize(indexCount);
        Mesh mesh;

        mesh.Load(WriteMeshFile(MeshFileBytes(3, indexCount, Triangle, indices)));

        EXPECT_EQ(mesh.primitiveCount, 1u);
        EXPECT_EQ(indexBufferCreation->length, 12u);
        EXPECT_TRUE(Called("ReadFile(12)"));
        EXPECT_EQ(indexMemory.Contents(), IndexBytes(TriangleIndices));
        EXPECT_TRUE(indexMemory.GuardIntact());
        EXPECT_TRUE(messageBoxes.empty());
    }
}

// A header that announces more vertices than the file holds puts the index block past the file's
// end: the vertices it holds are read, and nothing after them is taken for indices.
TEST_F(MeshFileTest, NoIndicesFollowVerticesThatTheFileLacks) {
    Mesh mesh;

    mesh.Load(WriteMeshFile(MeshFileBytes(4, 3, Triangle, TriangleIndices)));

    EXPECT_EQ(mesh.vertexCount, 3u);
    EXPECT_EQ(mesh.indexCount, 0u);
    ASSERT_EQ(messageBoxes.size(), 1u);
    EXPECT_EQ(messageBoxes[0].text, "DirectX failed to create an index buffer");
}

// 16 x 0x10000001 wraps to 16 bytes in 32 bits: such a count gets no buffer at all, even from a
// file long enough to hold it.
TEST_F(MeshFileTest, VertexCountBeyondA32BitBufferIsRejected) {
    reportedFileSize = LONGLONG{1} << 40;
    Mesh mesh;

    EXPECT_FALSE(mesh.Load(WriteMeshFile(MeshFileBytes(0x10000001u, 3, {Triangle[0]}, TriangleIndices))));

    EXPECT_FALSE(vertexBufferCreation.has_value());
    EXPECT_FALSE(indexBufferCreation.has_value());
    ASSERT_EQ(messageBoxes.size(), 1u);
    EXPECT_EQ(messageBoxes[0].caption, "No Vertex Buffer");
    EXPECT_EQ(messageBoxes[0].text, "The mesh file has more vertices than a vertex buffer can hold");
    EXPECT_EQ(messageBoxes[0].flags, static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(mesh.vertexBuffer, nullptr);
}

// 12 x (0x55555556 / 3) wraps to a buffer 8 bytes shorter than the 4 x 0x55555556 bytes of the
// index block.
TEST_F(MeshFileTest, IndexCountBeyondA32BitBufferIsRejected) {
    reportedFileSize = LONGLONG{1} << 40;
    Mesh mesh;

    EXPECT_FALSE(mesh.Load(WriteMeshFile(MeshFileBytes(3, 0x55555556u, Triangle, TriangleIndices))));

    EXPECT_NE(mesh.vertexBuffer, nullptr);
    EXPECT_FALSE(indexBufferCreation.has_value());
    ASSERT_EQ(messageBoxes.size(), 1u);
    EXPECT_EQ(messageBoxes[0].caption, "No Index Buffer");
    EXPECT_EQ(messageBoxes[0].text, "The mesh file has more indices than an index buffer can hold");
    EXPECT_EQ(mesh.indexBuffer, nullptr);
}

// The largest index count whose buffer still fits in 32 bits asks for the whole of it.
TEST_F(MeshFileTest, LargestIndexCountAsksForItsWholeBuffer) {
    reportedFileSize = LONGLONG{1} << 40;
    Mesh mesh;

    mesh.Load(WriteMeshFile(MeshFileBytes(3, 0x40000000u, Triangle, TriangleIndices)));

    ASSERT_TRUE(indexBufferCreation.has_value());
    EXPECT_EQ(indexBufferCreation->length, 0x40000000u / 3 * 12);
}

TEST_F(MeshFileTest, IndexPastTheLastVertexRejectsTheMesh) {
    Mesh mesh;

    EXPECT_FALSE(mesh.Load(WriteMeshFile(MeshFileBytes(3, 3, Triangle, {0, 1, 3}))));

    ASSERT_EQ(messageBoxes.size(), 1u);
    EXPECT_EQ(messageBoxes[0].owner, FakeWindow());
    EXPECT_EQ(messageBoxes[0].caption, "No Index Buffer");
    EXPECT_EQ(messageBoxes[0].text, "The mesh file has an index past its last vertex");
    EXPECT_EQ(messageBoxes[0].flags, static_cast<UINT>(MB_ICONERROR));
    // The frame skips a mesh without buffers; the declaration stays bound for the other mesh.
    EXPECT_EQ(mesh.vertexBuffer, nullptr);
    EXPECT_EQ(mesh.indexBuffer, nullptr);
    EXPECT_TRUE(Called("Release(vertex buffer)"));
    EXPECT_TRUE(Called("Release(index buffer)"));
    EXPECT_EQ(mesh.vertexDeclaration, FakeDeclaration());
    EXPECT_FALSE(Called("SetVertexDeclaration(null)"));
    EXPECT_FALSE(mesh.file.IsOpen());
}

}  // namespace

namespace {

// More indices than the reader reads at once, so that they reach the buffer in several reads.
std::vector<std::uint32_t> ManyIndices() {
    std::vector<std::uint32_t> indices(3 * 6000);
    for (std::size_t i = 0; i < indices.size(); ++i) {
        indices[i] = static_cast<std::uint32_t>(i % 3);
    }
    return indices;
}

// Cut inside its index block, a file keeps the whole triangles it holds: the index and a half
// after them are not read.
TEST_F(MeshFileTest, LongIndexBlockArrivesWholeAndCutShortKeepsItsWholeTriangles) {
    const std::vector<std::uint32_t> indices = ManyIndices();
    std::vector<std::uint8_t> bytes = MeshFileBytes(3, static_cast<std::uint32_t>(indices.size()), Triangle, indices);
    Mesh whole;
    whole.Load(WriteMeshFile(bytes));
    EXPECT_EQ(indexMemory.Contents(), IndexBytes(indices));

    bytes.resize(bytes.size() - 18);  // the last four indices and a half are missing
    Mesh cut;
    cut.Load(WriteMeshFile(bytes));

    EXPECT_EQ(cut.indexCount, indices.size() - 5);
    EXPECT_EQ(cut.primitiveCount, indices.size() / 3 - 2);
    EXPECT_EQ(indexMemory.Contents(), IndexBytes(std::vector<std::uint32_t>(indices.begin(), indices.end() - 6)));
    EXPECT_TRUE(indexMemory.GuardIntact());
    EXPECT_TRUE(messageBoxes.empty());
}

// The buffer's memory is write-only: an index is checked before it gets there, never read back.
TEST_F(MeshFileTest, IndexPastTheLastVertexNeverReachesTheBuffer) {
    std::vector<std::uint32_t> indices = ManyIndices();
    const std::size_t bad = indices.size() - 10;
    indices[bad] = 3;
    Mesh mesh;

    mesh.Load(WriteMeshFile(MeshFileBytes(3, static_cast<std::uint32_t>(indices.size()), Triangle, indices)));

    ASSERT_EQ(messageBoxes.size(), 1u);
    EXPECT_EQ(messageBoxes[0].text, "The mesh file has an index past its last vertex");
    EXPECT_EQ(mesh.indexBuffer, nullptr);
    const std::vector<std::uint8_t> badBytes(indexMemory.bytes.begin() + static_cast<std::ptrdiff_t>(bad * 4),
                                             indexMemory.bytes.begin() + static_cast<std::ptrdiff_t>(bad * 4 + 4));
    EXPECT_EQ(badBytes, std::vector<std::uint8_t>(4, FakeBufferMemory::FreshByte));
}

// Indices are checked many at a time: one at or past the last vertex is found in any place, whatever
// its high bit.
TEST(MeshIndexCheckTest, FindsAnIndexPastTheLastVertexInAnyPlace) {
    constexpr std::uint32_t VertexCount = 1000;
    std::vector<std::uint32_t> indices(200, VertexCount - 1);
    EXPECT_TRUE(IndicesBelow(indices.data(), indices.size(), VertexCount));
    for (std::size_t place = 0; place < indices.size(); ++place) {
        for (const std::uint32_t past : {VertexCount, 0x80000000u, 0xFFFFFFFFu}) {
            indices[place] = past;
            EXPECT_FALSE(IndicesBelow(indices.data(), indices.size(), VertexCount)) << place << ": " << past;
        }
        indices[place] = VertexCount - 1;
    }
}

}  // namespace
