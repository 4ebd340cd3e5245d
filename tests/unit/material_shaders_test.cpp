// The material's shaders: what is made from which code, the boxes of failed creations, the code
// block's release, the order of releases, and the shipped shaders on a real device.
#include "assets/material.h"
#include "graphics/renderer.h"
#include "tests/support/platform_test.h"
#include "tests/support/material_test_support.h"

#include <cstdint>

namespace {

const HWND SomeOwner = reinterpret_cast<HWND>(0x5353);

template <typename Object>
Object* Fake(std::uintptr_t address) {
    return reinterpret_cast<Object*>(address);
}

class MaterialShadersTest : public PlatformTest {
protected:
    void SetUp() override {
        Renderer::device = Fake<IDirect3DDevice9>(0xD000);
        Renderer::window = SomeOwner;
        platform::MessageBoxA = [this](HWND owner, LPCSTR text, LPCSTR caption, UINT flags) {
            events.push_back(std::string("box ") + caption);
            messageBoxes.push_back({owner, text, true, caption, flags});
            return IDOK;
        };
        platform::CreatePixelShader = [this](IDirect3DDevice9* device, const DWORD* code,
                                             IDirect3DPixelShader9** shader) {
            EXPECT_EQ(device, Renderer::device);
            events.push_back("create pixel shader");
            createdFrom = code;
            if (SUCCEEDED(creationResult)) {
                *shader = Fake<IDirect3DPixelShader9>(0xF000 + events.size());
            }
            return creationResult;
        };
        platform::CreateVertexShader = [this](IDirect3DDevice9* device, const DWORD* code,
                                              IDirect3DVertexShader9** shader) {
            EXPECT_EQ(device, Renderer::device);
            events.push_back("create vertex shader");
            createdFrom = code;
            if (SUCCEEDED(creationResult)) {
                *shader = Fake<IDirect3DVertexShader9>(0xE000 + events.size());
            }
            return creationResult;
        };
        platform::D3DXGetShaderConstantTable = [this](const DWORD* code, ID3DXConstantTable** table) {
            EXPECT_EQ(code, createdFrom);
            events.push_back("constant table");
            *table = Fake<ID3DXConstantTable>(0xC000 + events.size());
            return D3D_OK;
        };
        platform::GetConstantByName = [this](ID3DXConstantTable*, D3DXHANDLE parent, LPCSTR name) {
            EXPECT_EQ(parent, nullptr);
            events.push_back(std::string("look up ") + name);
            return reinterpret_cast<D3DXHANDLE>(0xA000 + events.size());
        };
        platform::free = [this](void* block) {
            events.push_back(block == createdFrom ? "free the code" : "free other");
            platform::real::free(block);
        };
        platform::Release = [this](IUnknown* object) -> ULONG {
            released.push_back(object);
            return 0;
        };
    }
    void TearDown() override {
        // The fakes are released through the recording Release above, before it goes.
        material.ReleaseDirect3DObjects();
        Renderer::device = nullptr;
        Renderer::window = nullptr;
        PlatformTest::TearDown();
    }

    void ExpectBoxes(const std::vector<std::string>& captions) {
        ASSERT_EQ(messageBoxes.size(), captions.size());
        for (std::size_t i = 0; i < captions.size(); ++i) {
            const bool fragment = captions[i] == "No Fragment Shader";
            EXPECT_EQ(messageBoxes[i].owner, SomeOwner);
            EXPECT_EQ(messageBoxes[i].caption, captions[i]);
            EXPECT_EQ(messageBoxes[i].text, fragment ? "DirectX failed to create the fragment shader"
                                                     : "DirectX failed to create the vertex shader");
            EXPECT_EQ(messageBoxes[i].flags, 0x10u);
        }
    }

    Material material;
    TemporaryFolder folder;
    HRESULT creationResult = D3D_OK;
    const DWORD* createdFrom = nullptr;
    std::vector<std::string> events;
    std::vector<IUnknown*> released;
};

// Nothing is handed to Direct3D without code; the reader's reason goes to standard error.
TEST_F(MaterialShadersTest, UnreadableFilesMakeNothingAndShowTheBoxesFragmentFirst) {
    material.vertexShaderPath = folder.Path() + "\\missing.shader";
    StandardErrorCapture capture;
    EXPECT_FALSE(material.CreateFragmentShader());
    EXPECT_FALSE(material.CreateVertexShader());
    const std::string errors = capture.Stop();

    EXPECT_EQ(events, (std::vector<std::string>{"box No Fragment Shader", "box No Vertex Shader"}));
    ExpectBoxes({"No Fragment Shader", "No Vertex Shader"});
    const std::string line = "Windows failed to open the shader file: ";
    ASSERT_EQ(errors.compare(0, line.size(), line), 0) << errors;
    EXPECT_EQ(errors.find(line, 1), errors.find('\n') + 1) << errors;
    EXPECT_EQ(errors.back(), '\n');
    EXPECT_EQ(errors.find('\r'), std::string::npos) << errors;
    EXPECT_EQ(material.fragmentShader, nullptr);
    EXPECT_EQ(material.fragmentShaderConstantTable, nullptr);
    EXPECT_EQ(material.colorModifierHandle, nullptr);
    EXPECT_EQ(material.vertexShaderConstantTable, nullptr);
    EXPECT_EQ(material.worldToViewHandle, nullptr);
}

// Direct3D and D3DX read a token stream as far as its tokens say, so an empty, cut or wrong-kind
// file never reaches them; the check's reason goes to standard error, and each block read is freed.
TEST_F(MaterialShadersTest, FilesThatHoldNoShaderOfTheKindAreNotHandedOver) {
    const std::string vertexCode = FileContents("data/vertex.shader");
    ASSERT_GT(vertexCode.size(), 8u);
    const std::string paths[] = {folder.Write("empty.shader", ""),
                                 folder.Write("cut.shader", vertexCode.substr(0, vertexCode.size() - 4)),
                                 folder.Write("odd.shader", vertexCode + "x"),
                                 folder.Write("vertex.shader", vertexCode)};
    for (const std::string& path : paths) {
        material.fragmentShaderPath = path;
        events.clear();
        messageBoxes.clear();
        StandardErrorCapture capture;
        EXPECT_FALSE(material.CreateFragmentShader()) << path;
        const std::string errors = capture.Stop();
        EXPECT_EQ(events, (std::vector<std::string>{"free other", "box No Fragment Shader"})) << path;
        EXPECT_EQ(material.fragmentShaderConstantTable, nullptr);
        const std::string line = "The shader file " + path + " is not a whole compiled shader: ";
        EXPECT_EQ(errors.compare(0, line.size(), line), 0) << errors;
        EXPECT_EQ(errors.find('\n'), errors.size() - 1) << errors;
    }
}

TEST_F(MaterialShadersTest, TheVertexCodeIsFreedOnceAfterTheShaderTableAndHandles) {
    material.vertexShaderPath = "data/vertex.shader";
    EXPECT_TRUE(material.CreateVertexShader());
    EXPECT_EQ(events, (std::vector<std::string>{"create vertex shader", "constant table",
                                                "look up g_transform_worldToView", "look up g_transform_viewToScreen",
                                                "look up g_transform_modelToWorld", "free the code"}));
    EXPECT_TRUE(messageBoxes.empty());
    EXPECT_EQ(material.vertexShader, Fake<IDirect3DVertexShader9>(0xE001));
    EXPECT_EQ(material.vertexShaderConstantTable, Fake<ID3DXConstantTable>(0xC002));
    EXPECT_EQ(material.worldToViewHandle, reinterpret_cast<D3DXHANDLE>(0xA003));
    EXPECT_EQ(material.viewToScreenHandle, reinterpret_cast<D3DXHANDLE>(0xA004));
    EXPECT_EQ(material.modelToWorldHandle, reinterpret_cast<D3DXHANDLE>(0xA005));
}

// With the real D3DX: a table is read from the code itself, with no device needed.
TEST_F(MaterialShadersTest, ARejectedShaderStillGetsItsTableAndHandleBeforeTheBox) {
    platform::D3DXGetShaderConstantTable = [this](const DWORD* code, ID3DXConstantTable** table) {
        events.push_back("constant table");
        return platform::real::D3DXGetShaderConstantTable(code, table);
    };
    platform::GetConstantByName = [this](ID3DXConstantTable* table, D3DXHANDLE parent, LPCSTR name) {
        events.push_back(std::string("look up ") + name);
        return platform::real::GetConstantByName(table, parent, name);
    };
    platform::Release = platform::real::Release;
    creationResult = D3DERR_INVALIDCALL;
    material.fragmentShaderPath = "data/fragment.shader";
    EXPECT_FALSE(material.CreateFragmentShader());
    EXPECT_EQ(events, (std::vector<std::string>{"create pixel shader", "constant table", "look up g_colorModifier",
                                                "free the code", "box No Fragment Shader"}));
    ExpectBoxes({"No Fragment Shader"});
    EXPECT_NE(material.fragmentShaderConstantTable, nullptr);
    EXPECT_NE(material.colorModifierHandle, nullptr);
    EXPECT_EQ(material.fragmentShader, nullptr);
    material.ReleaseDirect3DObjects();
    EXPECT_EQ(material.fragmentShaderConstantTable, nullptr);
}

TEST_F(MaterialShadersTest, WithoutAConstantTableNoHandleIsLookedUp) {
    platform::D3DXGetShaderConstantTable = [this](const DWORD*, ID3DXConstantTable**) {
        events.push_back("constant table");
        return D3DXERR_INVALIDDATA;
    };
    material.fragmentShaderPath = "data/fragment.shader";
    EXPECT_TRUE(material.CreateFragmentShader());
    EXPECT_EQ(events, (std::vector<std::string>{"create pixel shader", "constant table", "free the code"}));
    EXPECT_EQ(material.fragmentShaderConstantTable, nullptr);
    EXPECT_EQ(material.colorModifierHandle, nullptr);
}

TEST_F(MaterialShadersTest, WithoutADeviceNothingIsMade) {
    Renderer::device = nullptr;
    material.fragmentShaderPath = "data/fragment.shader";
    material.vertexShaderPath = "data/vertex.shader";
    EXPECT_FALSE(material.CreateFragmentShader());
    EXPECT_FALSE(material.CreateVertexShader());
    EXPECT_EQ(events, (std::vector<std::string>{"free other", "box No Fragment Shader", "free other",
                                                "box No Vertex Shader"}));
}

TEST_F(MaterialShadersTest, SuccessWithoutAShaderIsAFailure) {
    platform::CreateVertexShader = [this](IDirect3DDevice9*, const DWORD* code, IDirect3DVertexShader9** shader) {
        createdFrom = code;
        *shader = nullptr;
        return D3D_OK;
    };
    material.vertexShaderPath = "data/vertex.shader";
    EXPECT_FALSE(material.CreateVertexShader());
    ExpectBoxes({"No Vertex Shader"});
}

TEST_F(MaterialShadersTest, MakingAShaderAgainReleasesWhatTheFirstMade) {
    material.fragmentShaderPath = "data/fragment.shader";
    ASSERT_TRUE(material.CreateFragmentShader());
    IUnknown* const firstShader = material.fragmentShader;
    IUnknown* const firstTable = material.fragmentShaderConstantTable;
    ASSERT_TRUE(material.CreateFragmentShader());
    EXPECT_EQ(released, (std::vector<IUnknown*>{firstShader, firstTable}));
    EXPECT_NE(material.fragmentShader, firstShader);
}

TEST_F(MaterialShadersTest, TheDestructorReleasesShadersThenTablesAndOnlyWhatIsHeld) {
    {
        Material held;
        held.vertexShader = Fake<IDirect3DVertexShader9>(0x11);
        held.fragmentShader = Fake<IDirect3DPixelShader9>(0x22);
        held.vertexShaderConstantTable = Fake<ID3DXConstantTable>(0x33);
        held.fragmentShaderConstantTable = Fake<ID3DXConstantTable>(0x44);
    }
    EXPECT_EQ(released, (std::vector<IUnknown*>{Fake<IUnknown>(0x11), Fake<IUnknown>(0x22), Fake<IUnknown>(0x33),
                                                Fake<IUnknown>(0x44)}));
    released.clear();
    {
        Material partly;
        partly.fragmentShaderConstantTable = Fake<ID3DXConstantTable>(0x44);
    }
    EXPECT_EQ(released, std::vector<IUnknown*>{Fake<IUnknown>(0x44)});
}

class MaterialOnRealDeviceTest : public PlatformTest {};

void ExpectConstant(ID3DXConstantTable* table, D3DXHANDLE handle, UINT rows, UINT columns) {
    ASSERT_NE(handle, nullptr);
    D3DXCONSTANT_DESC description{};
    UINT count = 1;
    ASSERT_EQ(table->GetConstantDesc(handle, &description, &count), D3D_OK);
    EXPECT_EQ(description.Type, D3DXPT_FLOAT);
    EXPECT_EQ(description.Rows, rows);
    EXPECT_EQ(description.Columns, columns);
}

// The shipped material file, read from the working directory, names shaders that the device takes.
TEST_F(MaterialOnRealDeviceTest, TheShippedShadersAreMadeWithAllFourConstants) {
    RecordMessageBoxes();
    StartRealDevice();
    StandardErrorCapture capture;
    ASSERT_TRUE(s_material.ReadAssetFile());
    EXPECT_TRUE(s_material.CreateFragmentShader());
    EXPECT_TRUE(s_material.CreateVertexShader());
    EXPECT_EQ(capture.Stop(), "");
    EXPECT_TRUE(messageBoxes.empty());

    EXPECT_NE(s_material.fragmentShader, nullptr);
    EXPECT_NE(s_material.vertexShader, nullptr);
    ASSERT_NE(s_material.fragmentShaderConstantTable, nullptr);
    ASSERT_NE(s_material.vertexShaderConstantTable, nullptr);
    ExpectConstant(s_material.fragmentShaderConstantTable, s_material.colorModifierHandle, 1, 3);
    ExpectConstant(s_material.vertexShaderConstantTable, s_material.worldToViewHandle, 4, 4);
    ExpectConstant(s_material.vertexShaderConstantTable, s_material.viewToScreenHandle, 4, 4);
    ExpectConstant(s_material.vertexShaderConstantTable, s_material.modelToWorldHandle, 4, 4);

    // The modifier's default, which the frame applies for a material that gives none.
    D3DXCONSTANT_DESC modifier{};
    UINT count = 1;
    ASSERT_EQ(s_material.fragmentShaderConstantTable->GetConstantDesc(s_material.colorModifierHandle, &modifier, &count),
              D3D_OK);
    ASSERT_NE(modifier.DefaultValue, nullptr);
    const auto* const defaults = static_cast<const float*>(modifier.DefaultValue);
    EXPECT_EQ(std::vector<float>(defaults, defaults + 3), (std::vector<float>{1.0f, 1.0f, 1.0f}));
    // Stopping the device (in TearDown) releases them all before the device goes.
}

}  // namespace
