// The renderer's start-up and shut-down: the device it asks for, its two failure boxes, the scene
// defaults, and what it releases.
#include "assets/material.h"
#include "assets/mesh.h"
#include "graphics/renderer.h"
#include "tests/support/platform_test.h"

#include <cstring>

namespace {

const HWND SomeWindow = reinterpret_cast<HWND>(0x4242);

class RendererStartupTest : public PlatformTest {
protected:
    void SetUp() override {
        RecordMessageBoxes();
        platform::CreateFileA = [this](LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                       DWORD disposition, DWORD flags, HANDLE pattern) {
            openedFiles.push_back(path);
            return platform::real::CreateFileA(path, access, share, security, disposition, flags, pattern);
        };
    }
    void TearDown() override {
        Renderer::Shutdown();
        PlatformTest::TearDown();
    }
    std::vector<std::string> openedFiles;
};

// Without D3DX (stock Windows before the DirectX End-User Runtime) the player is told what to
// install, and nothing that could call into D3DX runs.
TEST_F(RendererStartupTest, WithoutD3DXThePlayerIsToldWhatToInstallAndNothingElseIsTried) {
    std::vector<std::string> loaded;
    platform::LoadLibraryA = [&loaded](LPCSTR name) -> HMODULE {
        loaded.push_back(name);
        return nullptr;
    };
    bool interfaceAttempted = false;
    platform::Direct3DCreate9 = [&interfaceAttempted](UINT) -> IDirect3D9* {
        interfaceAttempted = true;
        return nullptr;
    };
    EXPECT_FALSE(Renderer::Startup(SomeWindow));
    EXPECT_EQ(loaded, std::vector<std::string>{"d3dx9_43.dll"});
    ASSERT_EQ(messageBoxes.size(), 1u);
    EXPECT_EQ(messageBoxes[0].owner, SomeWindow);
    EXPECT_EQ(messageBoxes[0].caption, "No D3DX 9");
    EXPECT_NE(messageBoxes[0].text.find("d3dx9_43.dll"), std::string::npos);
    EXPECT_NE(messageBoxes[0].text.find("DirectX End-User Runtime (June 2010)"), std::string::npos);
    EXPECT_EQ(messageBoxes[0].flags, 0x10u);
    EXPECT_FALSE(interfaceAttempted);
    EXPECT_TRUE(openedFiles.empty());
}

TEST_F(RendererStartupTest, WithoutAnInterfaceNothingElseIsTried) {
    platform::Direct3DCreate9 = [](UINT) -> IDirect3D9* { return nullptr; };
    bool deviceAttempted = false;
    platform::CreateDevice = [&](IDirect3D9*, UINT, D3DDEVTYPE, HWND, DWORD, D3DPRESENT_PARAMETERS*,
                                 IDirect3DDevice9**) -> HRESULT {
        deviceAttempted = true;
        return E_FAIL;
    };
    EXPECT_FALSE(Renderer::Startup(SomeWindow));
    ASSERT_EQ(messageBoxes.size(), 1u);
    EXPECT_EQ(messageBoxes[0].owner, SomeWindow);
    EXPECT_EQ(messageBoxes[0].text, "DirectX failed to create a Direct3D9 interface");
    EXPECT_EQ(messageBoxes[0].caption, "No D3D9 Interface");
    EXPECT_EQ(messageBoxes[0].flags, 0x10u);
    EXPECT_FALSE(deviceAttempted);
    EXPECT_TRUE(openedFiles.empty());
    EXPECT_TRUE(s_material.vertexShaderPath.empty());
}

TEST_F(RendererStartupTest, DeviceFailureReleasesTheInterfaceAndOpensNoAsset) {
    std::vector<IUnknown*> released;
    platform::Release = [&released](IUnknown* object) {
        released.push_back(object);
        return platform::real::Release(object);
    };
    IDirect3D9* madeInterface = nullptr;
    platform::Direct3DCreate9 = [&madeInterface](UINT version) {
        return madeInterface = platform::real::Direct3DCreate9(version);
    };
    D3DPRESENT_PARAMETERS asked{};
    DWORD askedFlags = 0;
    platform::CreateDevice = [&](IDirect3D9*, UINT adapter, D3DDEVTYPE type, HWND focus, DWORD flags,
                                 D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice9**) -> HRESULT {
        EXPECT_EQ(adapter, 0u);
        EXPECT_EQ(type, D3DDEVTYPE_HAL);
        EXPECT_EQ(focus, SomeWindow);
        askedFlags = flags;
        asked = *parameters;
        return D3DERR_NOTAVAILABLE;
    };
    EXPECT_FALSE(Renderer::Startup(SomeWindow));

    ASSERT_EQ(messageBoxes.size(), 1u);
    EXPECT_EQ(messageBoxes[0].owner, SomeWindow);
    EXPECT_EQ(messageBoxes[0].text, "DirectX failed to create a Direct3D9 device");
    EXPECT_EQ(messageBoxes[0].caption, "No D3D9 Device");
    EXPECT_EQ(messageBoxes[0].flags, 0x10u);
    ASSERT_NE(madeInterface, nullptr);
    EXPECT_EQ(released, std::vector<IUnknown*>{madeInterface});
    EXPECT_EQ(Renderer::direct3D, nullptr);
    EXPECT_EQ(Renderer::device, nullptr);
    EXPECT_EQ(Renderer::window, nullptr);
    EXPECT_TRUE(openedFiles.empty());

    D3DPRESENT_PARAMETERS expected{};
    expected.BackBufferWidth = 800;
    expected.BackBufferHeight = 600;
    expected.BackBufferFormat = D3DFMT_X8R8G8B8;
    expected.BackBufferCount = 1;
    expected.SwapEffect = D3DSWAPEFFECT_DISCARD;
    expected.hDeviceWindow = SomeWindow;
    expected.Windowed = TRUE;
    expected.EnableAutoDepthStencil = TRUE;
    expected.AutoDepthStencilFormat = D3DFMT_D16;
    EXPECT_EQ(std::memcmp(&asked, &expected, sizeof(expected)), 0);
    EXPECT_EQ(askedFlags, 0x40u);
}

// A driver that reports success without a device is treated as having failed.
TEST_F(RendererStartupTest, SuccessWithoutADeviceIsAFailure) {
    platform::CreateDevice = [](IDirect3D9*, UINT, D3DDEVTYPE, HWND, DWORD, D3DPRESENT_PARAMETERS*,
                                IDirect3DDevice9** device) -> HRESULT {
        *device = nullptr;
        return D3D_OK;
    };
    EXPECT_FALSE(Renderer::Startup(SomeWindow));
    ASSERT_EQ(messageBoxes.size(), 1u);
    EXPECT_EQ(messageBoxes[0].caption, "No D3D9 Device");
    EXPECT_EQ(Renderer::direct3D, nullptr);
}

TEST_F(RendererStartupTest, ShutdownWithNothingMadeOnlyClearsTheWindow) {
    Renderer::window = SomeWindow;
    bool releasedAnything = false;
    platform::Release = [&releasedAnything](IUnknown*) -> ULONG {
        releasedAnything = true;
        return 0;
    };
    EXPECT_TRUE(Renderer::Shutdown());
    EXPECT_EQ(Renderer::window, nullptr);
    EXPECT_TRUE(Renderer::Shutdown());
    EXPECT_FALSE(releasedAnything);
}

class RendererOnRealDeviceTest : public PlatformTest {};

// Missing data is reported by the asset steps; the start still succeeds with the scene defaults.
TEST_F(RendererOnRealDeviceTest, StartsWithMissingDataAndSetsTheSceneDefaults) {
    char folder[MAX_PATH] = {};
    ASSERT_NE(GetTempPathA(MAX_PATH, folder), 0u);
    char original[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, original);
    ASSERT_TRUE(SetCurrentDirectoryA(folder));
    RecordMessageBoxes();
    StartRealDevice();
    const HWND window = Renderer::window;
    Renderer::Shutdown();
    Renderer::window = nullptr;

    const bool started = Renderer::Startup(window);
    SetCurrentDirectoryA(original);
    EXPECT_TRUE(started);
    EXPECT_FALSE(messageBoxes.empty());
    for (const MessageBoxCall& box : messageBoxes) {
        EXPECT_EQ(box.owner, window) << box.text;
    }
    EXPECT_EQ(Renderer::window, window);
    EXPECT_EQ(Renderer::cameraPosition, D3DXVECTOR3(0.0f, 0.0f, -10.0f));
    EXPECT_EQ(Renderer::nearPlane, 0.1f);
    EXPECT_EQ(Renderer::farPlane, 100.0f);
    std::uint32_t bits = 0;
    std::memcpy(&bits, &Renderer::fieldOfView, sizeof(bits));
    EXPECT_EQ(bits, 0x3F860A92u);
}

// Nothing made on the device outlives it: shut-down lets the scene objects release theirs first.
TEST_F(RendererOnRealDeviceTest, ShutdownReleasesTheSceneObjectsBeforeTheDevice) {
    RecordMessageBoxes();
    StartRealDevice();
    const HWND window = Renderer::window;
    Renderer::Shutdown();
    ASSERT_TRUE(Renderer::Startup(window));
    EXPECT_TRUE(messageBoxes.empty());
    ASSERT_NE(s_cubeMesh.vertexBuffer, nullptr);
    ASSERT_NE(s_material.vertexShader, nullptr);

    std::vector<IUnknown*> released;
    platform::Release = [&released](IUnknown* object) {
        released.push_back(object);
        return platform::real::Release(object);
    };
    IUnknown* const device = Renderer::device;
    IUnknown* const direct3D = Renderer::direct3D;
    const std::vector<IUnknown*> sceneObjects = {
        s_planeMesh.vertexBuffer,        s_planeMesh.indexBuffer,          s_planeMesh.vertexDeclaration,
        s_cubeMesh.vertexBuffer,         s_cubeMesh.indexBuffer,           s_cubeMesh.vertexDeclaration,
        s_material.vertexShader,         s_material.fragmentShader,        s_material.vertexShaderConstantTable,
        s_material.fragmentShaderConstantTable};
    EXPECT_TRUE(Renderer::Shutdown());

    ASSERT_EQ(released.size(), sceneObjects.size() + 2);
    for (IUnknown* object : sceneObjects) {
        const auto at = std::find(released.begin(), released.end(), object);
        EXPECT_NE(at, released.end());
        EXPECT_LT(at - released.begin(), static_cast<std::ptrdiff_t>(sceneObjects.size()));
    }
    EXPECT_EQ(released[sceneObjects.size()], device);
    EXPECT_EQ(released[sceneObjects.size() + 1], direct3D);
    EXPECT_EQ(s_cubeMesh.vertexBuffer, nullptr);
    EXPECT_EQ(s_material.fragmentShaderConstantTable, nullptr);
}

}  // namespace
