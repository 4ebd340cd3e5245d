// The material asset file: what each fault writes to standard error, what reaches the material,
// the colour modifier's warning and default, and how the steps walk the Lua stack.
#include "assets/material.h"
#include "assets/material_chunk.h"
#include "graphics/renderer.h"
#include "tests/support/platform_test.h"
#include "tests/support/material_test_support.h"

#include <lua.hpp>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

const HWND SomeOwner = reinterpret_cast<HWND>(0x5151);

class MaterialAssetFileTest : public PlatformTest {
protected:
    void SetUp() override {
        s_material.vertexShaderPath.clear();
        s_material.fragmentShaderPath.clear();
        std::memset(s_material.colorModifier, 0, sizeof(s_material.colorModifier));
        Renderer::window = SomeOwner;
        RecordMessageBoxes();
    }
    void TearDown() override {
        Renderer::window = nullptr;
        PlatformTest::TearDown();
    }

    // Runs ReadAssetFile with the script as data/material.material in a working directory of its
    // own (without the file when script is null); errors holds what went to standard error.
    bool Read(const std::string* script) {
        TemporaryFolder folder;
        if (script != nullptr) {
            folder.Write("data/material.material", *script);
        }
        const WorkingDirectoryChange change(folder.Path());
        StandardErrorCapture capture;
        const bool result = s_material.ReadAssetFile();
        errors = capture.Stop();
        return result;
    }
    bool Read(const std::string& script) { return Read(&script); }

    void ExpectNothingStored() {
        EXPECT_EQ(s_material.vertexShaderPath, "");
        EXPECT_EQ(s_material.fragmentShaderPath, "");
        ExpectColor(0.0f, 0.0f, 0.0f);
    }

    void ExpectColor(float red, float green, float blue) {
        EXPECT_EQ(s_material.colorModifier[0], red);
        EXPECT_EQ(s_material.colorModifier[1], green);
        EXPECT_EQ(s_material.colorModifier[2], blue);
    }

    void ExpectTheWarningBox() {
        ASSERT_EQ(messageBoxes.size(), 1u);
        EXPECT_EQ(messageBoxes[0].owner, SomeOwner);
        EXPECT_EQ(messageBoxes[0].text, "g_colorModifier does not exist. Using default values.");
        EXPECT_EQ(messageBoxes[0].caption, "No ColorModifier");
        EXPECT_EQ(messageBoxes[0].flags, 0x30u);
    }

    std::string errors;
};

TEST_F(MaterialAssetFileTest, AWholeMaterialIsStoredWithoutAnyReport) {
    EXPECT_TRUE(Read("-- the shipped layout\n"
                     "return { shaders = { vertexShader = 'v.shader', fragmentShader = 'f.shader', other = 1 },\n"
                     "         constants = { g_colorModifier = { 0.5, 0.25, 2 }, unused = {} }, extra = true }\n"));
    EXPECT_EQ(errors, "");
    EXPECT_TRUE(messageBoxes.empty());
    EXPECT_EQ(s_material.vertexShaderPath, "v.shader");
    EXPECT_EQ(s_material.fragmentShaderPath, "f.shader");
    ExpectColor(0.5f, 0.25f, 2.0f);
}

TEST_F(MaterialAssetFileTest, ReturningOtherThanOneValueIsReportedWithTheCount) {
    EXPECT_FALSE(Read("local unused = 1\n"));
    EXPECT_EQ(errors, "Asset files must return a single table (instead of 0 values)\n");
    EXPECT_FALSE(Read("return { shaders = { vertexShader = 'a' } }, {}\n"));
    EXPECT_EQ(errors, "Asset files must return a single table (instead of 2 values)\n");
    ExpectNothingStored();
    EXPECT_TRUE(messageBoxes.empty());
}

TEST_F(MaterialAssetFileTest, OneValueThatIsNotATableIsReportedWithItsType) {
    EXPECT_FALSE(Read("return nil\n"));
    EXPECT_EQ(errors, "Asset files must return a table (instead of a nil)\n");
    EXPECT_FALSE(Read("return 'data/vertex.shader'\n"));
    EXPECT_EQ(errors, "Asset files must return a table (instead of a string)\n");
    ExpectNothingStored();
}

TEST_F(MaterialAssetFileTest, WithoutShadersTheConstantsAreNotLookedAt) {
    EXPECT_FALSE(Read("return { constants = { g_colorModifier = {} } }\n"));
    EXPECT_EQ(errors, "The value at \"shaders\" must be a table (instead of a nil)\n");
    EXPECT_TRUE(messageBoxes.empty());
    ExpectNothingStored();

    EXPECT_FALSE(Read("return { shaders = 'v.shader', constants = { g_colorModifier = { 1, 1, 1 } } }\n"));
    EXPECT_EQ(errors, "The value at \"shaders\" must be a table (instead of a string)\n");
    ExpectNothingStored();
}

TEST_F(MaterialAssetFileTest, ShaderPathsTakeStringsAndNumbersAndSkipTheRest) {
    EXPECT_TRUE(Read("return { shaders = { vertexShader = 12, fragmentShader = 0.1 },\n"
                     "         constants = { g_colorModifier = { 1, 1, 1 } } }\n"));
    EXPECT_EQ(s_material.vertexShaderPath, "12");
    EXPECT_EQ(s_material.fragmentShaderPath, "0.1");

    // Other types and absent keys change nothing and say nothing; a path ends at a NUL byte.
    s_material.vertexShaderPath = "kept";
    EXPECT_TRUE(Read("return { shaders = { vertexShader = {}, fragmentShader = 'f\\0ignored' },\n"
                     "         constants = { g_colorModifier = { 1, 1, 1 } } }\n"));
    EXPECT_EQ(errors, "");
    EXPECT_EQ(s_material.vertexShaderPath, "kept");
    EXPECT_EQ(s_material.fragmentShaderPath, "f");
    EXPECT_TRUE(messageBoxes.empty());
}

TEST_F(MaterialAssetFileTest, ConstantsThatAreNotATableAreReportedAfterThePaths) {
    EXPECT_FALSE(Read("return { shaders = { vertexShader = 'v' }, constants = 5 }\n"));
    EXPECT_EQ(errors, "The value at \"constants\" must be a table (instead of a number)\n");
    EXPECT_EQ(s_material.vertexShaderPath, "v");
    ExpectColor(0.0f, 0.0f, 0.0f);
    EXPECT_TRUE(messageBoxes.empty());
}

TEST_F(MaterialAssetFileTest, AnIncompleteColorModifierWarnsAndAsksForTheShaderDefaults) {
    EXPECT_FALSE(Read("return { shaders = {}, constants = { g_colorModifier = { 0.5, 0.25 } } }\n"));
    EXPECT_EQ(errors, "");
    ExpectTheWarningBox();
    // Elements read before the missing one keep their values; element 0 is the sentinel.
    ExpectColor(-1.0f, 0.25f, 0.0f);
    std::uint32_t bits = 0;
    std::memcpy(&bits, &s_material.colorModifier[0], sizeof(bits));
    EXPECT_EQ(bits, 0xBF800000u);
}

TEST_F(MaterialAssetFileTest, AColorModifierThatIsNotATableOrHoldsNoNumberWarns) {
    EXPECT_FALSE(Read("return { shaders = {}, constants = {} }\n"));
    ExpectTheWarningBox();
    EXPECT_EQ(s_material.colorModifier[0], Material::UseShaderDefaults);

    messageBoxes.clear();
    std::memset(s_material.colorModifier, 0, sizeof(s_material.colorModifier));
    EXPECT_FALSE(Read("return { shaders = {}, constants = { g_colorModifier = { 1, 'red', 1 } } }\n"));
    ExpectTheWarningBox();
    ExpectColor(-1.0f, 0.0f, 0.0f);
}

TEST_F(MaterialAssetFileTest, ColorModifierAcceptsStringsThatLuaTakesAsNumbers) {
    EXPECT_TRUE(Read("return { shaders = {}, constants = { g_colorModifier = { '0.5', '0x10', 1, 'not read' } } }\n"));
    EXPECT_TRUE(messageBoxes.empty());
    ExpectColor(0.5f, 16.0f, 1.0f);
}

TEST_F(MaterialAssetFileTest, LuaErrorsWithAPositionAreWrittenInTheProgramsForm) {
    EXPECT_FALSE(Read("return {\n  shaders = {\n    vertexShader = }\n}\n"));
    EXPECT_EQ(errors, "data/material.material(3): error: unexpected symbol near '}'");

    // The state has no libraries, so even print is a nil global.
    EXPECT_FALSE(Read("local material = {}\nprint('hello')\nreturn material\n"));
    EXPECT_EQ(errors, "data/material.material(2): error: attempt to call global 'print' (a nil value)");
    ExpectNothingStored();
    EXPECT_TRUE(messageBoxes.empty());
}

TEST_F(MaterialAssetFileTest, AMissingFileGivesLuasOwnMessageUnchanged) {
    EXPECT_FALSE(Read(nullptr));
    EXPECT_EQ(errors, "cannot open data/material.material: No such file or directory");
    ExpectNothingStored();
}

// A file larger than a material may be is refused before Lua parses a byte of it.
TEST_F(MaterialAssetFileTest, AFileOverTheSizeLimitIsRefusedWithOneLine) {
    const std::string padded = "return {} --" + std::string(MaterialFileByteLimit - 12, 'x');
    EXPECT_FALSE(Read(padded));
    EXPECT_EQ(errors, "The value at \"shaders\" must be a table (instead of a nil)\n");
    EXPECT_FALSE(Read(padded + "x"));
    EXPECT_EQ(errors, "data/material.material: the file holds " + std::to_string(MaterialFileByteLimit + 1) +
                          " bytes, more than the " + std::to_string(MaterialFileByteLimit) +
                          " that a material may hold\n");
    ExpectNothingStored();
}

// Text is read as the C runtime's text mode reads it: CR LF is one line end, and Ctrl+Z ends the file.
TEST_F(MaterialAssetFileTest, TextIsReadAsTheRuntimesTextModeReadsIt) {
    EXPECT_TRUE(Read("return { shaders = {},\r\n constants = { g_colorModifier = { 1, 1, 1 } } }\r\n\x1A not Lua"));
    EXPECT_EQ(errors, "");
    EXPECT_FALSE(Read("local a\r\r\nlocal b =\r\n}"));
    EXPECT_EQ(errors, "data/material.material(3): error: unexpected symbol near '}'");
}

// Behind a byte-order mark and a first line for the shell, as Lua's own loader allows.
TEST_F(MaterialAssetFileTest, APrecompiledChunkIsRunToo) {
    int opens = 0;
    platform::CreateFileA = [&opens](LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                     DWORD disposition, DWORD attributes, HANDLE pattern) {
        ++opens;
        return platform::real::CreateFileA(path, access, share, security, disposition, attributes, pattern);
    };
    EXPECT_TRUE(Read("\xEF\xBB\xBF#!/usr/bin/lua\n" +
                     Precompiled("return { shaders = { vertexShader = 'compiled' }, "
                                 "constants = { g_colorModifier = { 1, 2, 3 } } }",
                                 "@mat.lua")));
    EXPECT_EQ(errors, "");
    EXPECT_EQ(s_material.vertexShaderPath, "compiled");
    ExpectColor(1.0f, 2.0f, 3.0f);
    EXPECT_EQ(opens, 1);
}

// Its errors name the source it was compiled from, whatever that name holds.
TEST_F(MaterialAssetFileTest, APrecompiledChunksErrorPositionIsWrittenInTheProgramsForm) {
    const std::string failing = "local t\nreturn t.shaders\n";
    EXPECT_FALSE(Read(Precompiled(failing, "@mat.lua")));
    EXPECT_EQ(errors, "mat.lua(2): error: attempt to index local 't' (a nil value)");
    EXPECT_FALSE(Read(Precompiled(failing, "@C:\\materials\\mat 3:a.lua")));
    EXPECT_EQ(errors, "C:\\materials\\mat 3:a.lua(2): error: attempt to index local 't' (a nil value)");
    ExpectNothingStored();
}

// A chunk that never ends is stopped where it runs, by its count of instructions, or by the clock
// when its instructions are slow; start-up goes on as after any other error.
TEST_F(MaterialAssetFileTest, AChunkThatRunsTooLongIsStoppedWhereItRuns) {
    const std::string endless = "local n = 0\nwhile true do n = n + 1 end\nreturn {}\n";
    EXPECT_FALSE(Read(endless));
    EXPECT_EQ(errors, "data/material.material(2): error: the material file ran too long (more than 10000000 "
                      "instructions)");
    ExpectNothingStored();
    EXPECT_TRUE(messageBoxes.empty());

    std::uint64_t milliseconds = 0;
    platform::GetTickCount64 = [&milliseconds] { return milliseconds += 1000; };
    EXPECT_FALSE(Read(endless));
    EXPECT_EQ(errors, "data/material.material(2): error: the material file ran too long (more than 5 seconds)");
    EXPECT_EQ(milliseconds, 7000u);

    // The clock starts with the chunk and is read after every instruction, the first one included.
    int readings = 0;
    platform::GetTickCount64 = [&readings] { return readings++ == 0 ? 0u : 5001u; };
    EXPECT_FALSE(Read("local t = {}\nreturn t\n"));
    EXPECT_EQ(errors, "data/material.material(1): error: the material file ran too long (more than 5 seconds)");
    EXPECT_EQ(readings, 2);
}

// Memory is refused past the cap, and past the total a material may allocate, with Lua's own error.
TEST_F(MaterialAssetFileTest, AChunkThatTakesTooMuchMemoryGetsLuasOwnError) {
    EXPECT_FALSE(Read("local t = {}\nfor i = 1, 1e9 do t[i] = { i, i, i, i } end\nreturn t\n"));
    EXPECT_EQ(errors, "not enough memory");
    // Holds little at any time, but copies ever more.
    EXPECT_FALSE(Read("local s = ''\nwhile true do s = s .. 'x' end\n"));
    EXPECT_EQ(errors, "not enough memory");
    ExpectNothingStored();
}

// A precompiled chunk that could break Lua's virtual machine never reaches it; one that Lua's own
// loader refuses gets Lua's message.
TEST_F(MaterialAssetFileTest, AnUnsafePrecompiledChunkIsRefusedWithOneLine) {
    std::string chunk = Precompiled("local t = {}\nreturn { shaders = t, constants = t }\n", "@mat.lua");
    std::string moveFromFarRegister = chunk;
    const std::size_t code = chunk.find(std::string("\x0b\x00\x00\x00", 4));  // NEWTABLE 0 0 0, the first instruction
    ASSERT_NE(code, std::string::npos);
    moveFromFarRegister.replace(code, 4, std::string("\x00\x00\x80\x7f", 4));  // MOVE 0 255
    EXPECT_FALSE(Read(moveFromFarRegister));
    EXPECT_EQ(errors, "data/material.material: refused precompiled chunk: instruction 1 (MOVE) names a register, "
                      "constant or upvalue that its function does not have\n");
    ExpectNothingStored();

    chunk.resize(chunk.size() - 3);
    EXPECT_FALSE(Read(chunk));
    EXPECT_EQ(errors, "data/material.material: truncated precompiled chunk");
}

// Every precompiled material that the fuzzer once found to break the program (kept in
// tests/fuzz/findings) is refused now: by the check, or by Lua's own loader before anything unsafe.
TEST_F(MaterialAssetFileTest, KeptFuzzFindingsAreRefused) {
    const char* const sourceDir = std::getenv("GAME_SOURCE_DIR");
    ASSERT_NE(sourceDir, nullptr) << "GAME_SOURCE_DIR names the source tree";
    const std::string folder = std::string(sourceDir) + "/tests/fuzz/findings/precompiled_material/";
    WIN32_FIND_DATAA found{};
    const HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE) << folder;
    int refused = 0;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            EXPECT_FALSE(Read(FileContents(folder + found.cFileName))) << found.cFileName;
            EXPECT_NE(errors.find("data/material.material: "), std::string::npos) << found.cFileName << ": " << errors;
            EXPECT_NE(errors.find(" precompiled chunk"), std::string::npos) << found.cFileName << ": " << errors;
            ExpectNothingStored();
            ++refused;
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    EXPECT_GE(refused, 2);
}

// The shipped file, as the build copies it beside the program.
TEST_F(MaterialAssetFileTest, TheShippedMaterialNamesTheShippedShaders) {
    StandardErrorCapture capture;
    EXPECT_TRUE(s_material.ReadAssetFile());
    EXPECT_EQ(capture.Stop(), "");
    EXPECT_TRUE(messageBoxes.empty());
    EXPECT_EQ(s_material.vertexShaderPath, "data/vertex.shader");
    EXPECT_EQ(s_material.fragmentShaderPath, "data/fragment.shader");
    ExpectColor(1.0f, 1.0f, 1.0f);
}

}  // namespace
