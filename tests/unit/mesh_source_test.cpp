// The mesh builder's reading of mesh sources and its writing of mesh files.
#include "tools/mesh_builder/mesh_source.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(MeshSourceTest, ReadsVerticesTrianglesAndQuadsAroundCommentsAndBlankLines) {
    const std::string text =
        "# a square and a triangle\r\n"
        "\n"
        "vertex -1 1 0 FF0000   # opaque red\n"
        "vertex 1 1 0 80102030\n"
        "\tvertex 1 -1 0.5 00ff00\n"
        "vertex -1 -1 -2.25e1 0000FF\n"
        "quad 0 1 2 3\n"
        "triangle 3 2 1";
    MeshSource mesh;
    std::string error;

    ASSERT_TRUE(ParseMeshSource(text, "square", &mesh, &error)) << error;

    ASSERT_EQ(mesh.vertices.size(), 4u);
    EXPECT_EQ(mesh.vertices[0].color, 0xFFFF0000u);
    EXPECT_EQ(mesh.vertices[1].color, 0x80102030u);
    EXPECT_EQ(mesh.vertices[2].color, 0xFF00FF00u);
    EXPECT_EQ(mesh.vertices[2].z, 0.5f);
    EXPECT_EQ(mesh.vertices[3].z, -22.5f);
    EXPECT_EQ(mesh.indices, (std::vector<std::uint32_t>{0, 1, 2, 0, 2, 3, 3, 2, 1}));
}

TEST(MeshSourceTest, FaultsNameTheSourceAndTheLine) {
    struct Case {
        const char* text;
        const char* error;
    };
    const Case cases[] = {
        {"vertex 0 0 0 FF0000\nvertx 0 0 0 FF0000\n",
         "m(2): error: unknown line kind 'vertx' (expected vertex, triangle or quad)"},
        {"vertex 0 0 FF0000\n", "m(1): error: 'vertex' takes X Y Z COLOR"},
        {"vertex 0 0 0 FF0000 1\n", "m(1): error: 'vertex' takes X Y Z COLOR"},
        {"\n\nvertex 0 0.5x 0 FF0000\n", "m(3): error: '0.5x' is not a finite number"},
        {"vertex 0 0 1e99 FF0000\n", "m(1): error: '1e99' is not a finite number"},
        {"vertex 0 0 nan FF0000\n", "m(1): error: 'nan' is not a finite number"},
        {"vertex 0 0 0 FF00\n", "m(1): error: 'FF00' is not a colour RRGGBB or AARRGGBB"},
        {"vertex 0 0 0 GG0000\n", "m(1): error: 'GG0000' is not a colour RRGGBB or AARRGGBB"},
        {"vertex 0 0 0 FF0000\ntriangle 0 0\n", "m(2): error: 'triangle' takes 3 vertex numbers"},
        {"vertex 0 0 0 FF0000\nquad 0 0 0\n", "m(2): error: 'quad' takes 4 vertex numbers"},
        {"vertex 0 0 0 FF0000\ntriangle 0 -1 0\n", "m(2): error: '-1' is not a vertex number"},
        {"vertex 0 0 0 FF0000\ntriangle 0 0 0\n\ntriangle 0 0 1\nvertex 1 0 0 FF0000\ntriangle 0 1 7\n",
         "m(6): error: vertex 7 does not exist (the source has 2 vertices)"},
        {"# nothing but vertices\nvertex 0 0 0 FF0000\n", "m: error: the source has no triangles"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.text);
        MeshSource mesh;
        std::string error;

        EXPECT_FALSE(ParseMeshSource(test.text, "m", &mesh, &error));

        EXPECT_EQ(error, test.error);
    }
}

TEST(MeshSourceTest, MeshFileHoldsCountsVerticesAndIndicesLittleEndian) {
    MeshSource mesh;
    mesh.vertices = {{1.0f, -2.0f, 0.5f, 0xFFFF0000u}, {0.0f, 0.0f, 0.0f, 0x11223344u}, {0.0f, 0.0f, 0.0f, 0}};
    mesh.indices = {0, 1, 2, 2, 1, 0x01020304u};

    const std::vector<std::uint8_t> bytes = EncodeMeshFile(mesh);

    ASSERT_EQ(bytes.size(), 8u + 3 * 16 + 6 * 4);
    const std::vector<std::uint8_t> header(bytes.begin(), bytes.begin() + 8);
    EXPECT_EQ(header, (std::vector<std::uint8_t>{3, 0, 0, 0, 6, 0, 0, 0}));
    const std::vector<std::uint8_t> firstVertex(bytes.begin() + 8, bytes.begin() + 24);
    EXPECT_EQ(firstVertex, (std::vector<std::uint8_t>{0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x00,
                                                      0x00, 0x3F, 0x00, 0x00, 0xFF, 0xFF}));
    const std::vector<std::uint8_t> secondColor(bytes.begin() + 36, bytes.begin() + 40);
    EXPECT_EQ(secondColor, (std::vector<std::uint8_t>{0x44, 0x33, 0x22, 0x11}));
    const std::vector<std::uint8_t> lastIndex(bytes.end() - 4, bytes.end());
    EXPECT_EQ(lastIndex, (std::vector<std::uint8_t>{0x04, 0x03, 0x02, 0x01}));
}

}  // namespace
