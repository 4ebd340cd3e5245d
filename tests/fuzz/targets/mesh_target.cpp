// Mesh files through Mesh::Load on the fake device: either a drawable mesh whose buffers hold what
// the file holds, with no index past the last vertex, or exactly the box that the file calls for.
#include "tests/fuzz/fakes/platform_fakes.h"
#include "tests/fuzz/targets/target_support.h"
#include "tests/oracles/mesh_check.h"

namespace {

constexpr const char* MeshPath = "data/fuzz.mesh.bin";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fake::PutFile(MeshPath, data, size);
    const MeshOutcome expected = ExpectedMeshOutcome(std::vector<std::uint8_t>(data, data + size));
    RequireSoundRun(CheckMeshLoad(MeshPath, expected, fake::MessageBoxes()));
    return 0;
}
