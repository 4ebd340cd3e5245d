// The bad-input campaign's own parts: its cases come again from their seed alone and reach every
// outcome within bounded buffers and without loops, and its mesh check sees a wrong buffer on the
// real device.
#include "assets/material.h"
#include "graphics/renderer.h"
#include "tests/campaign/lua_tokens.h"
#include "tests/campaign/material_cases.h"
#include "tests/campaign/mesh_cases.h"
#include "tests/campaign/shader_cases.h"
#include "tests/oracles/material_outcome.h"
#include "tests/oracles/mesh_check.h"
#include "tests/oracles/mesh_layout.h"
#include "tests/oracles/mesh_outcome.h"
#include "tests/oracles/read_back.h"
#include "tests/support/material_test_support.h"
#include "tests/support/platform_test.h"

#include <algorithm>
#include <set>

namespace {

using RobustnessCases = PlatformTest;

std::vector<std::uint8_t> Words(const std::vector<std::uint32_t>& words) {
    std::vector<std::uint8_t> bytes;
    for (const std::uint32_t word : words) {
        for (int byte = 0; byte < 4; ++byte) {
            bytes.push_back(static_cast<std::uint8_t>(word >> (8 * byte)));
        }
    }
    return bytes;
}

TEST_F(RobustnessCases, ACaseComesAgainFromItsSeedAndNumberAlone) {
    const std::vector<MeshSource> meshes = MeshSources();
    const std::vector<MaterialSource> materials = MaterialSources();
    const auto mesh = [&](std::uint32_t seed, std::uint32_t number) {
        Dice dice(seed, InputKind::Mesh, number);
        return MakeMeshCase(meshes, dice).bytes;
    };
    const auto material = [&](std::uint32_t seed, std::uint32_t number) {
        Dice dice(seed, InputKind::Material, number);
        return MakeMaterialCase(materials, dice).text;
    };
    mesh(5, 16);  // what came before does not matter
    EXPECT_EQ(mesh(5, 17), mesh(5, 17));
    EXPECT_NE(mesh(5, 17), mesh(5, 18));
    EXPECT_NE(mesh(5, 17), mesh(6, 17));
    material(5, 16);
    EXPECT_EQ(material(5, 17), material(5, 17));
    EXPECT_NE(material(5, 17), material(5, 18));
    const std::vector<ShaderSource> shaders = ShaderSources();
    const auto shader = [&](std::uint32_t seed, std::uint32_t number) {
        Dice dice(seed, InputKind::Shader, number);
        return MakeShaderCase(shaders, dice).bytes;
    };
    shader(5, 16);
    EXPECT_EQ(shader(5, 17), shader(5, 17));
    EXPECT_NE(shader(5, 17), shader(5, 18));
}

// Over many cases every outcome that a small file can have comes up, cases whose header overstates
// the file are among them, no case asks for a buffer longer than its file supplies, no mutated text
// holds a loop (loops come only as runaways of their own), and the bounds of the material's state
// end the runaways.
TEST_F(RobustnessCases, CasesReachEveryOutcomeWithinTheirFilesAndWithoutLoops) {
    const std::vector<MeshSource> meshes = MeshSources();
    std::set<std::string> meshOutcomes;
    std::set<std::string> meshSorts;
    for (std::uint32_t number = 0; number < 1000; ++number) {
        Dice dice(1, InputKind::Mesh, number);
        const MeshCase bad = MakeMeshCase(meshes, dice);
        const MeshOutcome outcome = ExpectedMeshOutcome(bad.bytes);
        const std::uint64_t size = bad.bytes.size();
        const std::uint64_t vertexBlockEnd = LayoutOf(bad.bytes).vertexBlockEnd;
        EXPECT_LE(MeshHeaderBytes + outcome.vertexCount * BytesPerVertex, std::max(size, MeshHeaderBytes))
            << number << ": " << bad.description;
        EXPECT_LE(outcome.primitiveCount * BytesPerTriangle, size - std::min(size, vertexBlockEnd))
            << number << ": " << bad.description;
        meshOutcomes.insert(outcome.text);
        meshSorts.insert(bad.sort);
    }
    const std::set<std::string> everyMeshOutcome = {"",  // drawable
                                                    "DirectX failed to create a vertex buffer",
                                                    "DirectX failed to create an index buffer",
                                                    "The mesh file has an index past its last vertex"};
    EXPECT_EQ(meshOutcomes, everyMeshOutcome);
    EXPECT_EQ(meshSorts, (std::set<std::string>{"", "overstated"}));

    const std::vector<MaterialSource> materials = MaterialSources();
    RecordMessageBoxes();
    TemporaryFolder folder;
    const std::string path = folder.Write("data/material.material", "");
    const WorkingDirectoryChange change(folder.Path());
    std::set<std::string> materialOutcomes;
    std::set<std::string> materialSorts;
    int runawaysRun = 0;
    for (std::uint32_t number = 0; number < 1000; ++number) {
        Dice dice(1, InputKind::Material, number);
        const MaterialCase bad = MakeMaterialCase(materials, dice);
        materialSorts.insert(bad.sort);
        for (const LuaToken& token : bad.sort == "mutated texts" ? SplitLuaTokens(bad.text) : std::vector<LuaToken>()) {
            for (const char* loop : {"while", "for", "repeat", "goto", "function"}) {
                ASSERT_NE(token.text, loop) << number << ": " << bad.description;
            }
        }
        // A runaway runs until a bound ends it: a few of them show the bounds' outcomes.
        const bool runaway = bad.sort == "loops" || bad.sort == "allocations";
        if (runaway && ++runawaysRun > 20) {
            continue;
        }
        ASSERT_TRUE(WriteFileContents(path, bad.text.data(), bad.text.size()));
        MaterialOutcome outcome = ExpectedMaterialOutcome();
        const bool precompiled = outcome.precompiled;
        if (precompiled) {  // whether the reader refuses it, only the reader can say
            Material material;
            outcome = ExpectedPrecompiledOutcome(StandardErrorDuring([&] { material.ReadAssetFile(); }));
        }
        std::string errors = outcome.errors;
        for (const char* kind : {"ran too long", "refused precompiled chunk", "precompiled chunk"}) {
            if (errors.find(kind) != std::string::npos) {
                errors = kind;
                break;
            }
        }
        // A precompiled chunk's errors name the source it was compiled from, as its bytes give it.
        if (precompiled && errors.find("): error: ") != std::string::npos) {
            errors = "a precompiled chunk's own source";
        }
        materialOutcomes.insert(errors.substr(0, errors.find_first_of("(:")) + (outcome.warningBox ? " box" : "") +
                                (outcome.complete ? " complete" : ""));
    }
    const std::set<std::string> everyMaterialOutcome = {"data/material.material",
                                                        "a precompiled chunk's own source",
                                                        "ran too long",
                                                        "not enough memory",
                                                        "refused precompiled chunk",
                                                        "precompiled chunk",  // refused by Lua's loader
                                                        "Asset files must return a single table ",
                                                        "Asset files must return a table ",
                                                        "The value at \"shaders\" must be a table ",
                                                        "The value at \"constants\" must be a table ",
                                                        " box",
                                                        " complete"};
    EXPECT_EQ(materialOutcomes, everyMaterialOutcome);
    EXPECT_EQ(materialSorts,
              (std::set<std::string>{"mutated texts", "loops", "allocations", "damaged precompiled",
                                     "crafted precompiled", "texts at the size limit"}));
}

// Strings, long brackets and comments stay whole, so that mutations move whole tokens.
TEST_F(RobustnessCases, LuaTokensKeepStringsWholeAndDropComments) {
    const std::vector<LuaToken> tokens =
        SplitLuaTokens("x = 1e-5 -- note\n[==[a]]b]==] .. 'it\\'s' --[[ long\n comment ]] ...");
    std::vector<std::string> texts;
    for (const LuaToken& token : tokens) {
        texts.push_back(token.text);
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"x", "=", "1e-5", "[==[a]]b]==]", "..", "'it\\'s'", "..."}));
    EXPECT_TRUE(tokens[3].onNewLine);
    EXPECT_EQ(JoinLuaTokens(tokens), "x = 1e-5\n[==[a]]b]==] .. 'it\\'s' ...\n");
}

using RobustnessMeshCheck = PlatformTest;

TEST_F(RobustnessMeshCheck, SeesABufferLongerThanItsCountsOnTheRealDevice) {
    ASSERT_NO_FATAL_FAILURE(StartRealDevice());
    RecordMessageBoxes();
    TemporaryFolder folder;
    const std::vector<std::uint8_t> triangle = Words({3, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2});
    const std::string path = folder.Write("triangle.mesh.bin", std::string(triangle.begin(), triangle.end()));
    const MeshOutcome expected = ExpectedMeshOutcome(triangle);
    ASSERT_TRUE(expected.Drawable());
    EXPECT_EQ(CheckMeshLoad(path, expected, messageBoxes), "");

    platform::CreateIndexBuffer = [](IDirect3DDevice9* device, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                     IDirect3DIndexBuffer9** buffer, HANDLE* shared) {
        return platform::real::CreateIndexBuffer(device, length + 12, usage, format, pool, buffer, shared);
    };

    EXPECT_EQ(CheckMeshLoad(path, expected, messageBoxes),
              "buffers of 48 and 24 bytes for 3 vertices and 1 triangles; ");
}

}  // namespace
