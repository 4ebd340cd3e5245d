// The shipped mesh files: made by the builder from their sources, a cube with a colour per face,
// a ground below it, and every face wound clockwise as seen from where it is to be seen.
#include "tests/support/file_contents.h"
#include "tools/mesh_builder/mesh_source.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <set>

namespace {

std::string SourcePath(const std::string& name) {
    const char* const sourceDirectory = std::getenv("GAME_SOURCE_DIR");
    return std::string(sourceDirectory != nullptr ? sourceDirectory : "..") + "/data/meshes/" + name + ".mesh.txt";
}

MeshSource ShippedSource(const std::string& name) {
    MeshSource mesh;
    std::string error;
    EXPECT_TRUE(ParseMeshSource(FileContents(SourcePath(name)), name, &mesh, &error)) << error;
    return mesh;
}

struct Vector {
    double x, y, z;
};

Vector Corner(const MeshSource& mesh, std::size_t index) {
    const MeshSourceVertex& vertex = mesh.vertices[mesh.indices[index]];
    return {vertex.x, vertex.y, vertex.z};
}

// (b - a) x (c - a): in left-handed coordinates it points towards a viewer who sees a, b, c
// clockwise.
Vector ClockwiseSide(const MeshSource& mesh, std::size_t triangle) {
    const Vector a = Corner(mesh, 3 * triangle);
    const Vector b = Corner(mesh, 3 * triangle + 1);
    const Vector c = Corner(mesh, 3 * triangle + 2);
    const Vector u{b.x - a.x, b.y - a.y, b.z - a.z};
    const Vector v{c.x - a.x, c.y - a.y, c.z - a.z};
    return {u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
}

TEST(MeshDataTest, ShippedFilesAreWhatTheBuilderMakesFromTheirSources) {
    for (const char* name : {"cube", "plane"}) {
        SCOPED_TRACE(name);
        const std::vector<std::uint8_t> built = EncodeMeshFile(ShippedSource(name));
        const std::string shipped = FileContents(std::string("data/") + name + ".mesh.bin");
        EXPECT_EQ(std::vector<std::uint8_t>(shipped.begin(), shipped.end()), built);
    }
}

TEST(MeshDataTest, CubeIsAUnitCubeWithAColourPerFaceSeenFromOutside) {
    const MeshSource cube = ShippedSource("cube");
    ASSERT_EQ(cube.indices.size(), 36u);
    std::set<std::uint32_t> faceColors;
    for (std::size_t triangle = 0; triangle < 12; ++triangle) {
        SCOPED_TRACE(triangle);
        const std::uint32_t color = cube.vertices[cube.indices[3 * triangle]].color;
        Vector centre{0, 0, 0};
        for (std::size_t corner = 0; corner < 3; ++corner) {
            const MeshSourceVertex& vertex = cube.vertices[cube.indices[3 * triangle + corner]];
            EXPECT_EQ(vertex.color, color) << "one colour per face";
            EXPECT_EQ(vertex.color >> 24, 0xFFu);
            for (const float coordinate : {vertex.x, vertex.y, vertex.z}) {
                EXPECT_EQ(std::fabs(coordinate), 0.5f);
            }
            centre = {centre.x + vertex.x, centre.y + vertex.y, centre.z + vertex.z};
        }
        const Vector side = ClockwiseSide(cube, triangle);
        EXPECT_GT(side.x * centre.x + side.y * centre.y + side.z * centre.z, 0.0) << "clockwise from outside";
        faceColors.insert(color);
    }
    EXPECT_EQ(faceColors.size(), 6u);
}

TEST(MeshDataTest, GroundIsBelowTheCubeSeenFromAboveInAColourOfItsOwn) {
    const MeshSource plane = ShippedSource("plane");
    const MeshSource cube = ShippedSource("cube");
    ASSERT_FALSE(plane.indices.empty());
    float smallestX = 0.0f;
    float largestX = 0.0f;
    for (const MeshSourceVertex& vertex : plane.vertices) {
        EXPECT_LT(vertex.y, -0.5f);
        EXPECT_EQ(vertex.y, plane.vertices[0].y) << "flat";
        smallestX = std::fmin(smallestX, vertex.x);
        largestX = std::fmax(largestX, vertex.x);
        for (const MeshSourceVertex& cubeVertex : cube.vertices) {
            EXPECT_NE(vertex.color, cubeVertex.color);
        }
    }
    EXPECT_LE(smallestX, -20.0f);
    EXPECT_GE(largestX, 20.0f);
    for (std::size_t triangle = 0; triangle < plane.indices.size() / 3; ++triangle) {
        EXPECT_GT(ClockwiseSide(plane, triangle).y, 0.0) << "triangle " << triangle << " is seen from above";
    }
}

}  // namespace
