// The readable source of a mesh file, and the binary mesh file made from it.
//
// A source is a text of lines; '#' starts a comment that runs to the end of its line, and blank
// lines are ignored. Each other line is one of:
//
//   vertex X Y Z COLOR    a vertex at (X, Y, Z); COLOR is RRGGBB (opaque) or AARRGGBB in hexadecimal
//   triangle A B C        one triangle over three vertices
//   quad A B C D          two triangles, A B C and A C D
//
// Vertices are numbered from 0 in the order they are listed, and a triangle or quad may name any
// vertex of the source. Triangles and quads are listed clockwise as seen from the side that is to
// be seen.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct MeshSourceVertex {
    float x;
    float y;
    float z;
    std::uint32_t color;  // 0xAARRGGBB
};

struct MeshSource {
    std::vector<MeshSourceVertex> vertices;
    std::vector<std::uint32_t> indices;  // three per triangle
};

// Parses a source; sourceName names it in the error. On failure, false and *error is
// "SOURCE(LINE): error: WHAT", or "SOURCE: error: WHAT" for a fault of the whole source.
bool ParseMeshSource(const std::string& text, const std::string& sourceName, MeshSource* mesh, std::string* error);

// The mesh file's bytes: the vertex and index counts, the 16-byte vertices and the 32-bit indices,
// all little-endian.
std::vector<std::uint8_t> EncodeMeshFile(const MeshSource& mesh);
