// The shader compiler: the initial values of constants read from HLSL and written into the compiled
// constant table where SetDefaults finds them, its faults, and shipped shader files that are what
// the build's own tool makes from the sources today.
#include "tests/support/child_process.h"
#include "tests/support/platform_test.h"
#include "tests/support/material_test_support.h"
#include "tools/shader_compiler/uniform_initialisers.h"

#include "graphics/renderer.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>

namespace {

// The tests run in the build's bin folder; the build's tools sit beside it.
const std::string ShaderCompiler = "..\\tools\\shader_compiler.exe";

long CompileShader(const char* profile, const std::string& source, const std::string& output,
                   const std::string& errorPath = std::string()) {
    return RunToEnd("\"" + ShaderCompiler + "\" " + profile + " \"" + source + "\" \"" + output + "\"", errorPath);
}

TEST(UniformInitialisersTest, FindsTheInitialisersOfTopLevelFloatConstantsAndBlanksThem) {
    const std::string source =
        "// float g_commented = 1;\n"
        "uniform float4 g_tint = { 1, -0.5f, .25, 2e1 };\n"
        "static const float g_static = 3.0;\n"
        "float g_half\n  = 0.5;\n"
        "float4 main(float x : TEXCOORD0 = 1) : COLOR0 { float local = 2; return g_tint * local * x; }\n";
    InitialisedSource found;
    std::string error;
    ASSERT_TRUE(FindUniformInitialisers(source, "s.hlsl", &found, &error)) << error;

    ASSERT_EQ(found.initialisers.size(), 2u);
    EXPECT_EQ(found.initialisers[0].name, "g_tint");
    EXPECT_EQ(found.initialisers[0].line, 2u);
    EXPECT_EQ(found.initialisers[0].values, (std::vector<float>{1.0f, -0.5f, 0.25f, 20.0f}));
    EXPECT_EQ(found.initialisers[1].name, "g_half");
    EXPECT_EQ(found.initialisers[1].line, 4u);
    EXPECT_EQ(found.initialisers[1].values, std::vector<float>{0.5f});
    EXPECT_EQ(found.withoutInitialisers, "// float g_commented = 1;\n"
                                         "uniform float4 g_tint " + std::string(24, ' ') + ";\n"
                                         "static const float g_static = 3.0;\n"
                                         "float g_half\n       ;\n"
                                         "float4 main(float x : TEXCOORD0 = 1) : COLOR0 { float local = 2; "
                                         "return g_tint * local * x; }\n");
}

TEST(UniformInitialisersTest, AMalformedInitialiserNamesTheSourceAndTheLine) {
    struct Case {
        const char* source;
        const char* error;
    };
    const Case cases[] = {
        {"float3 g_c = { 1.0, 1.0 };", "s(1): error: g_c takes 3 numbers (instead of 2)"},
        {"\nfloat3 g_c = 1.0;", "s(2): error: g_c takes its 3 numbers in braces"},
        {"float4x4 g_m = { 1 };", "s(1): error: g_m takes 16 numbers (instead of 1)"},
        {"/* a\n b */ float g_c = 0.5x;", "s(2): error: '0.5x' is not a finite number, in the initialiser of g_c"},
        {"float g_c = 1e99;", "s(1): error: '1e99' is not a finite number, in the initialiser of g_c"},
        {"float g_c = -;", "s(1): error: ';' is not a finite number, in the initialiser of g_c"},
        {"float2 g_c = { 1\n 2 };", "s(2): error: '2' where ',' or '}' should follow a number, in the initialiser of g_c"},
        {"float g_c = 1.0\nfloat g_d;", "s(2): error: 'float' where ';' should end the declaration, in the initialiser of g_c"},
        {"float g_c = { 1.0", "s(1): error: the source ends inside the initialiser of g_c"},
    };
    for (const Case& faulty : cases) {
        InitialisedSource found;
        std::string error;
        EXPECT_FALSE(FindUniformInitialisers(faulty.source, "s", &found, &error)) << faulty.source;
        EXPECT_EQ(error, faulty.error);
    }
}

class ShaderCompilerTest : public PlatformTest {
protected:
    TemporaryFolder folder;
};

// A column-major matrix keeps a column in each register; SetDefaults puts every default in place.
TEST_F(ShaderCompilerTest, InitialValuesBecomeTheDefaultsThatSetDefaultsApplies) {
    const std::string source = folder.Write("defaults.hlsl",
                                            "float g_unused = 2.0;\n"
                                            "float g_scale = -0.5;\n"
                                            "float4x4 g_transform = { 1, 2, 3, 4,  5, 6, 7, 8,  9, 10, 11, 12,\n"
                                            "                         13, 14, 15, 16 };\n"
                                            "float4 main(in const float4 i_position : POSITION0) : POSITION0\n"
                                            "{\n"
                                            "    return mul(i_position, g_transform) * g_scale;\n"
                                            "}\n");
    const std::string output = folder.Path() + "\\defaults.shader";
    ASSERT_EQ(CompileShader("vs_3_0", source, output), 0);
    const std::string code = FileContents(output);
    DeleteFileA(output.c_str());
    ID3DXConstantTable* table = nullptr;
    ASSERT_EQ(D3DXGetShaderConstantTable(reinterpret_cast<const DWORD*>(code.data()), &table), D3D_OK);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->GetConstantByName(nullptr, "g_unused"), nullptr);

    StartRealDevice();
    EXPECT_EQ(table->SetDefaults(Renderer::device), D3D_OK);
    const auto registers = [table](const char* name) {
        D3DXCONSTANT_DESC description{};
        UINT count = 1;
        std::vector<float> values;
        if (table->GetConstantDesc(table->GetConstantByName(nullptr, name), &description, &count) == D3D_OK) {
            values.resize(4 * description.RegisterCount);
            Renderer::device->GetVertexShaderConstantF(description.RegisterIndex, values.data(),
                                                       description.RegisterCount);
        }
        return values;
    };
    EXPECT_EQ(registers("g_scale"), (std::vector<float>{-0.5f, 0.0f, 0.0f, 0.0f}));
    EXPECT_EQ(registers("g_transform"),
              (std::vector<float>{1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15, 4, 8, 12, 16}));
    table->Release();
}

TEST_F(ShaderCompilerTest, AMalformedInitialiserStopsTheToolWithItsLine) {
    const std::string source = folder.Write("faulty.hlsl", "// the modifier\nfloat3 g_colorModifier = { 1.0, 1.0 };\n"
                                                           "float4 main() : COLOR0 { return 1; }\n");
    const std::string output = folder.Path() + "\\faulty.shader";
    const std::string errors = folder.Path() + "\\errors.txt";
    EXPECT_EQ(CompileShader("ps_3_0", source, output, errors), 1);
    EXPECT_EQ(FileContents(errors), source + "(2): error: g_colorModifier takes 3 numbers (instead of 2)\r\n");
    DeleteFileA(errors.c_str());
    EXPECT_EQ(GetFileAttributesA(output.c_str()), INVALID_FILE_ATTRIBUTES);
}

void ExpectShippedAsCompiled(const char* shader, const char* profile) {
    const char* const sourceDir = std::getenv("GAME_SOURCE_DIR");
    ASSERT_NE(sourceDir, nullptr) << "GAME_SOURCE_DIR names the source tree";
    TemporaryFolder folder;
    const std::string output = folder.Path() + "\\" + shader + ".shader";
    const std::string source = std::string(sourceDir) + "/data/shaders/" + shader + ".hlsl";
    ASSERT_EQ(CompileShader(profile, source, output), 0) << ShaderCompiler;

    const std::string compiled = FileContents(output);
    DeleteFileA(output.c_str());
    const std::string shipped = FileContents(std::string("data/") + shader + ".shader");
    ASSERT_FALSE(compiled.empty());
    EXPECT_TRUE(compiled == shipped) << shader << ": " << compiled.size() << " bytes compiled, " << shipped.size()
                                     << " shipped";
}

TEST(CompiledShaderReproducibilityTest, ShippedShadersEqualAFreshCompileOfTheSources) {
    ExpectShippedAsCompiled("vertex", "vs_3_0");
    ExpectShippedAsCompiled("fragment", "ps_3_0");
}

}  // namespace
