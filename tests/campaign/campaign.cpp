// The bad-input campaign: COUNT mutated mesh files through Mesh::Load on the real Direct3D 9 device,
// COUNT mutated material files through Material::ReadAssetFile and COUNT mutated compiled shader
// files through the material's shader creations on the device and real D3DX, each checked against
// what its bytes call for. The last line is the tally; a failure is printed first with its seed
// and case number, and the same seed makes the same cases again.
//   robustness.exe [SEED] [COUNT]     (SEED from the clock when left out, COUNT 2000)
#include "tests/campaign/case_guard.h"
#include "tests/campaign/material_cases.h"
#include "tests/campaign/mesh_cases.h"
#include "tests/campaign/shader_cases.h"
#include "tests/campaign/shader_check.h"
#include "tests/oracles/material_check.h"
#include "tests/oracles/mesh_check.h"
#include "tests/support/file_contents.h"
#include "tests/support/material_test_support.h"
#include "tests/support/platform_test.h"

#include "assets/material_lua_state.h"

#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>

namespace {

constexpr unsigned CaseTimeLimitSeconds = 60;

std::uint32_t campaignSeed = 0;
std::uint32_t campaignCount = 2000;
bool campaignFailed = false;

// With GoogleTest's own printer gone, what the fixture's assertions say still has to show.
class FailurePrinter : public ::testing::EmptyTestEventListener {
public:
    void OnTestPartResult(const ::testing::TestPartResult& result) override {
        if (result.failed()) {
            std::printf("%s(%d): %s\n", result.file_name() != nullptr ? result.file_name() : "", result.line_number(),
                        result.summary());
        }
    }
};

// The most memory the process has had in use so far.
std::size_t PeakMemory() {
    PROCESS_MEMORY_COUNTERS counters{};
    return GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters) != 0 ? counters.PeakWorkingSetSize
                                                                                       : 0;
}

std::string WriteCase(const std::string& path, const void* bytes, std::size_t size) {
    return WriteFileContents(path, bytes, size) ? std::string() : "cannot write " + path + "; ";
}

class Campaign : public PlatformTest {
protected:
    // Makes and checks campaignCount cases of one kind; check gives what went wrong in a case.
    template <typename Make, typename Check>
    void RunCases(CaseGuard& guard, InputKind kind, Make make, Check check) {
        for (std::uint32_t number = 0; number < campaignCount; ++number) {
            guard.Begin(kind, number);
            Dice dice(campaignSeed, kind, number);
            const auto bad = make(dice);
            guard.Describe(bad.description);
            const int before = FailedParts();
            std::string problem = check(bad);
            if (FailedParts() != before) {
                problem += "a step of the test support failed; ";
            }
            guard.End(bad.sort, bad.description, problem);
        }
    }

    static int FailedParts() {
        return ::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count();
    }
};

TEST_F(Campaign, BadInputs) {
    const std::vector<MeshSource> meshSources = MeshSources();
    const std::vector<MaterialSource> materialSources = MaterialSources();
    for (const MeshSource& source : meshSources) {
        ASSERT_TRUE(source.name.find(".mesh.bin") == std::string::npos || !source.bytes.empty()) << source.name;
    }
    ASSERT_FALSE(materialSources.front().text.empty()) << "no data/material.material";
    const std::vector<ShaderSource> shaderSources = ShaderSources();
    for (const ShaderSource& source : shaderSources) {
        ASSERT_FALSE(source.bytes.empty()) << "no data/" << source.name;
    }
    ASSERT_NO_FATAL_FAILURE(StartRealDevice());
    RecordMessageBoxes();
    TemporaryFolder folder;
    const std::string meshPath = folder.Write("bad.mesh.bin", "");
    const std::string materialPath = folder.Write("data/material.material", "");
    // The shaders as the material names them, from the working directory.
    const std::string vertexShaderPath = "data/vertex.shader";
    const std::string fragmentShaderPath = "data/fragment.shader";
    folder.Write(vertexShaderPath, "");
    folder.Write(fragmentShaderPath, "");
    const WorkingDirectoryChange change(folder.Path());

    CaseGuard guard(campaignSeed, CaseTimeLimitSeconds);
    RunCases(
        guard, InputKind::Mesh, [&](Dice& dice) { return MakeMeshCase(meshSources, dice); },
        [&](const MeshCase& bad) {
            const std::string unwritten = WriteCase(meshPath, bad.bytes.data(), bad.bytes.size());
            return unwritten.empty() ? CheckMeshLoad(meshPath, ExpectedMeshOutcome(bad.bytes), messageBoxes)
                                     : unwritten;
        });
    // A material's state holds at most its cap; the process may hold that twice over (the check
    // runs each chunk too) and the heap's slack, and no more.
    const std::size_t memoryCeiling = PeakMemory() + 3 * MaterialLuaState::MemoryLimit;
    RunCases(
        guard, InputKind::Material, [&](Dice& dice) { return MakeMaterialCase(materialSources, dice); },
        [&](const MaterialCase& bad) {
            const std::string unwritten = WriteCase(materialPath, bad.text.data(), bad.text.size());
            std::string problem =
                unwritten.empty() ? CheckMaterialRead(ExpectedMaterialOutcome(), messageBoxes) : unwritten;
            if (PeakMemory() > memoryCeiling) {
                problem += "the process's memory peaked at " + std::to_string(PeakMemory() >> 20) + " MiB; ";
            }
            return problem;
        });
    RunCases(
        guard, InputKind::Shader, [&](Dice& dice) { return MakeShaderCase(shaderSources, dice); },
        [&](const ShaderCase& bad) {
            const std::string& path = bad.kind == ShaderKind::Pixel ? fragmentShaderPath : vertexShaderPath;
            const std::string unwritten = WriteCase(path, bad.bytes.data(), bad.bytes.size());
            return unwritten.empty() ? CheckShaderCreation(bad, path, messageBoxes) : unwritten;
        });
    campaignFailed = guard.Failures() != 0;
    std::printf("%s\n", guard.Tally().c_str());
}

bool ReadArguments(int argc, char** argv) {
    if (argc > 3) {
        return false;
    }
    char* end = nullptr;
    if (argc > 1) {
        campaignSeed = static_cast<std::uint32_t>(std::strtoul(argv[1], &end, 10));
        if (*end != '\0') {
            return false;
        }
    } else {
        campaignSeed = static_cast<std::uint32_t>(std::chrono::system_clock::now().time_since_epoch().count());
    }
    if (argc > 2) {
        campaignCount = static_cast<std::uint32_t>(std::strtoul(argv[2], &end, 10));
        if (*end != '\0') {
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!ReadArguments(argc, argv)) {
        std::fprintf(stderr, "usage: robustness [SEED] [COUNT]\n");
        return 2;
    }
    std::printf("seed %u: %u bad meshes, %u bad materials and %u bad shaders\n", campaignSeed, campaignCount,
                campaignCount, campaignCount);
    std::fflush(stdout);
    ::testing::TestEventListeners& listeners = ::testing::UnitTest::GetInstance()->listeners();
    delete listeners.Release(listeners.default_result_printer());
    listeners.Append(new FailurePrinter);
    const int status = RUN_ALL_TESTS();
    return status != 0 || campaignFailed ? 1 : 0;
}
