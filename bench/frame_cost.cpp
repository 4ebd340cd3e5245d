// Measures what the program's frame and mesh loading cost with the program's own device:
//   - the frame with the shipped data: the program's Renderer::DrawFrame against a baseline that
//     does only what the picture needs, and clear and Present alone;
//   - Mesh::Load of generated meshes of 1,000, 100,000 and 1,000,000 triangles against the bare
//     read of the same bytes into buffers of the same size, and against that read with one pass of
//     the index check;
//   - the frame again with a 100,000-triangle mesh in place of the cube.
// Frames are measured by throughput over short rounds (see bench/rounds.h); the ratio of a pass is
// the program's round time over the baseline's of the same pass, and the median of those ratios is
// printed with its quartiles. The last line is the shipped-data ratio.
//
//   frame_cost [PASSES]     (run from the folder that holds data/; default 100 passes)
#include "application/main_window.h"
#include "assets/material.h"
#include "assets/mesh.h"
#include "bench/frame_variants.h"
#include "bench/mesh_load_cost.h"
#include "bench/rounds.h"
#include "graphics/renderer.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int FramesPerRound = 30;
// A frame of the large mesh costs a software rasteriser some fifty times the shipped scene's: fewer
// and shorter rounds keep the run short.
constexpr std::uint32_t LargeFrameTriangles = 100000;
constexpr int LargeFramesPerRound = 6;

struct LoadSize {
    std::uint32_t triangles;
    int loads;
};
constexpr LoadSize LoadSizes[] = {{1000, 200}, {100000, 40}, {1000000, 16}};

bool SceneIsComplete() {
    return s_material.vertexShader != nullptr && s_material.fragmentShader != nullptr &&
           s_material.vertexShaderConstantTable != nullptr && s_material.fragmentShaderConstantTable != nullptr &&
           s_cubeMesh.vertexBuffer != nullptr && s_cubeMesh.indexBuffer != nullptr &&
           s_planeMesh.vertexBuffer != nullptr && s_planeMesh.indexBuffer != nullptr;
}

std::string TemporaryMeshPath(std::uint32_t triangles) {
    char folder[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathA(sizeof folder, folder);
    const std::string base = length > 0 && length < sizeof folder ? std::string(folder, length) : std::string(".\\");
    return base + "frame_cost_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(triangles) +
           ".mesh.bin";
}

bool MeasureLoads() {
    for (const LoadSize& size : LoadSizes) {
        const std::string path = TemporaryMeshPath(size.triangles);
        LoadCost cost{};
        const bool measured = WriteGridMeshFile(path, size.triangles) && MeasureLoadCost(path, size.loads, cost);
        DeleteFileA(path.c_str());
        if (!measured) {
            std::fprintf(stderr, "The mesh of %u triangles could not be measured\n", size.triangles);
            return false;
        }
        std::printf("mesh load ratio (program/bare read) at %u triangles: %.3f  (medians %.1f us / %.1f us; "
                    "read and one pass over the indices %.1f us, program/that %.3f)\n",
                    size.triangles, cost.programSeconds / cost.bareSeconds, cost.programSeconds * 1e6,
                    cost.bareSeconds * 1e6, cost.readAndPassSeconds * 1e6,
                    cost.programSeconds / cost.readAndPassSeconds);
    }
    return true;
}

// The cube is replaced by a large grid, and the program's frame measured against the baseline again.
bool MeasureLargeMeshFrames(const DeviceIdleWait& waitForDevice, int passes) {
    const std::string path = TemporaryMeshPath(LargeFrameTriangles);
    const bool written = WriteGridMeshFile(path, LargeFrameTriangles);
    s_cubeMesh.ReleaseDirect3DObjects();
    s_cubeMesh.Load(path);
    DeleteFileA(path.c_str());
    if (!written || !SceneIsComplete() || s_cubeMesh.primitiveCount != LargeFrameTriangles) {
        std::fprintf(stderr, "The mesh of %u triangles did not load\n", LargeFrameTriangles);
        return false;
    }
    FrameVariant program = {"program DrawFrame", Renderer::DrawFrame, BindNothing, {}, {}};
    FrameVariant baseline = {"baseline draws", BaselineFrame, BindBaselineState, {}, {}};
    RunRounds(waitForDevice, {&program, &baseline}, passes, LargeFramesPerRound);
    const RatioSpread ratio = PairedRatios(program, baseline);
    std::printf("frame time ratio (program/baseline) at %u triangles: %.3f  (interquartile %.3f - %.3f; "
                "%.1f us / %.1f us per frame)\n",
                LargeFrameTriangles, ratio.median, ratio.lowerQuartile, ratio.upperQuartile,
                Percentile(program.roundSeconds, 0.5) * 1e6, Percentile(baseline.roundSeconds, 0.5) * 1e6);
    return true;
}

int Measure(int passes) {
    if (!SceneIsComplete()) {
        std::fprintf(stderr, "The shipped data did not load completely; run from the folder that holds data/\n");
        return 1;
    }
    const DeviceIdleWait waitForDevice(Renderer::device);
    if (!waitForDevice.Usable()) {
        std::fprintf(stderr, "The device gives no event query to wait for its work with\n");
        return 1;
    }
    FrameVariant program = {"program DrawFrame", Renderer::DrawFrame, BindNothing, {}, {}};
    FrameVariant baseline = {"baseline draws", BaselineFrame, BindBaselineState, {}, {}};
    FrameVariant bare = {"clear and Present", ClearAndPresent, BindNothing, {}, {}};
    RunRounds(waitForDevice, {&program, &baseline, &bare}, passes, FramesPerRound);
    for (const FrameVariant* variant : {&program, &baseline, &bare}) {
        PrintFrameTimes(*variant);
    }
    const RatioSpread shipped = PairedRatios(program, baseline);

    if (!MeasureLoads() || !MeasureLargeMeshFrames(waitForDevice, std::max(10, passes / 4))) {
        return 1;
    }
    std::printf("paired round ratio (program/baseline): median %.3f, interquartile %.3f - %.3f over %d passes\n",
                shipped.median, shipped.lowerQuartile, shipped.upperQuartile, passes);
    std::printf("frame time ratio (program/baseline): %.3f\n", shipped.median);
    return 0;
}

}  // namespace

int main(int argumentCount, char** arguments) {
    const int passes = argumentCount > 1 ? std::max(10, std::atoi(arguments[1])) : 100;
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    if (RegisterMainWindowClass(instance) == 0) {
        return 1;
    }
    s_mainWindow = CreateMainWindow(instance, SW_SHOWNORMAL);
    if (s_mainWindow == nullptr || !Renderer::Startup(s_mainWindow)) {
        return 1;
    }
    const int status = Measure(passes);
    Renderer::Shutdown();
    DestroyMainWindow();
    UnregisterMainWindowClass(instance);
    return status;
}
