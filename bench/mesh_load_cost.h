// What loading a mesh costs against the bare limit, and the large meshes it is measured with.
#pragma once

#include <cstdint>
#include <string>

// Writes a mesh file of `triangles` triangles (an even number): a flat grid of quads, two units
// square, facing a camera on the negative z side. False when it cannot be written.
bool WriteGridMeshFile(const std::string& path, std::uint32_t triangles);

struct LoadCost {
    double programSeconds;      // median of Mesh::Load
    double bareSeconds;         // median of the bare limit
    double readAndPassSeconds;  // median of the bare limit with one pass of the index check
};

// Alternates `loads` loads of the file by Mesh::Load on Renderer::device with as many of the bare
// limit: the same two buffer creations, each block read with one ReadFile straight into its locked
// buffer, no checks; and as many of the least that a load which checks its indices must do: the bare
// limit and one pass of the program's index check (IndicesBelow) over the same indices, held in
// ordinary memory. Buffers are released, and the device left to finish, outside the timing.
// False (and a message on standard error) when the file cannot be read or a load did not make both
// buffers.
bool MeasureLoadCost(const std::string& path, int loads, LoadCost& cost);
