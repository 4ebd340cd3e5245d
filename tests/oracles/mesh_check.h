// One mesh case on the real device: Mesh::Load of the file, then what it made and showed against
// what the file's bytes call for.
#pragma once

#include "tests/oracles/mesh_outcome.h"
#include "tests/support/message_box_call.h"

#include <string>
#include <vector>

// Loads the mesh file at path on Renderer::device, with boxes recorded into boxes, compares the
// outcome and releases what the mesh made. Empty when all agrees, else what differed.
std::string CheckMeshLoad(const std::string& path, const MeshOutcome& expected, std::vector<MessageBoxCall>& boxes);
