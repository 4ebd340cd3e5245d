// The shipped shader files are what the shader compiler makes from the sources today: run the
// build's own tool again on data/shaders/*.hlsl and compare the bytes.
#include "tests/unit/material_test_support.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>

namespace {

// Runs the command line to its end; its exit code, or -1 when it could not start.
long Run(std::string commandLine) {
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return -1;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<long>(exitCode);
}

void ExpectShippedAsCompiled(const char* shader, const char* profile) {
    const char* const sourceDir = std::getenv("GAME_SOURCE_DIR");
    ASSERT_NE(sourceDir, nullptr) << "GAME_SOURCE_DIR names the source tree";
    TemporaryFolder folder;
    const std::string output = folder.Path() + "\\" + shader + ".shader";
    const std::string source = std::string(sourceDir) + "/data/shaders/" + shader + ".hlsl";
    // The tests run in the build's bin folder; the build's tools sit beside it.
    const std::string tool = "..\\tools\\shader_compiler.exe";
    ASSERT_EQ(Run("\"" + tool + "\" " + profile + " \"" + source + "\" \"" + output + "\""), 0) << tool;

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
