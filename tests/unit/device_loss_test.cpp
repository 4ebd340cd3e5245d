// Passes that can show nothing: a device lost while the program runs, and a minimized window.
// Nothing is drawn meanwhile, the meshes' buffers are gone before every Reset and made again after
// one succeeds, and the time spent lost or minimized moves nothing.
#include "assets/material.h"
#include "graphics/renderer_steps.h"
#include "tests/unit/mesh_fake_device.h"
#include "time/frame_timer.h"

#include <algorithm>
#include <cstring>
#include <deque>

namespace {

template <typename Object>
Object* StandIn(std::uintptr_t address) {
    return reinterpret_cast<Object*>(address);
}

// The next scripted answer, or D3D_OK when the script has run out.
HRESULT Next(std::deque<HRESULT>& answers) {
    if (answers.empty()) {
        return D3D_OK;
    }
    const HRESULT answer = answers.front();
    answers.pop_front();
    return answer;
}

class DeviceLossTest : public MeshTest {
protected:
    void SetUp() override {
        MeshTest::SetUp();
        Renderer::cubeOffset = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
        InstallClock();
        InstallFrame();
        InstallLossAnswers();
        s_material.vertexShader = StandIn<IDirect3DVertexShader9>(0x100);
        s_material.fragmentShader = StandIn<IDirect3DPixelShader9>(0x200);
        s_material.vertexShaderConstantTable = StandIn<ID3DXConstantTable>(0x300);
        s_material.fragmentShaderConstantTable = StandIn<ID3DXConstantTable>(0x400);
        const std::string path = WriteMeshFile(MeshFileBytes(4, 6, Square, SquareIndices));
        s_cubeMesh.Load(path);
        s_planeMesh.Load(path);
        calls.clear();
    }

    void TearDown() override {
        s_material.vertexShader = nullptr;
        s_material.fragmentShader = nullptr;
        s_material.vertexShaderConstantTable = nullptr;
        s_material.fragmentShaderConstantTable = nullptr;
        s_cubeMesh.ReleaseDirect3DObjects();
        s_planeMesh.ReleaseDirect3DObjects();
        Renderer::Shutdown();
        MeshTest::TearDown();
    }

    // A millisecond passes at every counter reading, and a whole minute in every pause of a lost pass.
    void InstallClock() {
        FrameTimer::state = {};
        platform::QueryPerformanceFrequency = [](LARGE_INTEGER* frequency) -> BOOL {
            frequency->QuadPart = 1000;
            return TRUE;
        };
        platform::QueryPerformanceCounter = [this](LARGE_INTEGER* count) -> BOOL {
            count->QuadPart = ++milliseconds;
            return TRUE;
        };
        platform::Sleep = [this](DWORD) {
            calls.push_back("Sleep");
            milliseconds += 60000;
        };
    }

    void InstallFrame() {
        platform::Clear = [this](IDirect3DDevice9*, DWORD, const D3DRECT*, DWORD, D3DCOLOR, float, DWORD) {
            calls.push_back("Clear");
            return D3D_OK;
        };
        platform::DrawIndexedPrimitive = [this](IDirect3DDevice9*, D3DPRIMITIVETYPE, INT, UINT, UINT, UINT, UINT) {
            calls.push_back("Draw");
            return D3D_OK;
        };
        platform::BeginScene = [](IDirect3DDevice9*) { return D3D_OK; };
        platform::EndScene = [](IDirect3DDevice9*) { return D3D_OK; };
        platform::SetVertexShader = [](IDirect3DDevice9*, IDirect3DVertexShader9*) { return D3D_OK; };
        platform::SetPixelShader = [](IDirect3DDevice9*, IDirect3DPixelShader9*) { return D3D_OK; };
        platform::SetStreamSource = [](IDirect3DDevice9*, UINT, IDirect3DVertexBuffer9*, UINT, UINT) { return D3D_OK; };
        platform::SetIndices = [](IDirect3DDevice9*, IDirect3DIndexBuffer9*) { return D3D_OK; };
        platform::SetMatrix = [](ID3DXConstantTable*, IDirect3DDevice9*, D3DXHANDLE, const D3DXMATRIX*) {
            return D3D_OK;
        };
        platform::SetFloatArray = [](ID3DXConstantTable*, IDirect3DDevice9*, D3DXHANDLE, const FLOAT*, UINT) {
            return D3D_OK;
        };
        platform::SetDefaults = [](ID3DXConstantTable*, IDirect3DDevice9*) { return D3D_OK; };
        platform::GetAsyncKeyState = [this](int virtualKey) -> SHORT { return virtualKey == heldKey ? -32768 : 0; };
        platform::GetForegroundWindow = [] { return Renderer::window; };
        platform::IsIconic = [this](HWND window) -> BOOL { return window == Renderer::window && minimized; };
    }

    void InstallLossAnswers() {
        platform::Present = [this](IDirect3DDevice9*, const RECT*, const RECT*, HWND, const RGNDATA*) {
            calls.push_back("Present");
            return Next(presentAnswers);
        };
        platform::TestCooperativeLevel = [this](IDirect3DDevice9*) {
            calls.push_back("TestCooperativeLevel");
            return Next(cooperativeLevels);
        };
        platform::Reset = [this](IDirect3DDevice9*, D3DPRESENT_PARAMETERS* parameters) {
            calls.push_back("Reset");
            // The real device refuses a Reset while any default-pool object lives.
            for (const Mesh* mesh : {&s_cubeMesh, &s_planeMesh}) {
                EXPECT_EQ(mesh->vertexBuffer, nullptr) << "a vertex buffer outlived the loss";
                EXPECT_EQ(mesh->indexBuffer, nullptr) << "an index buffer outlived the loss";
            }
            const D3DPRESENT_PARAMETERS created = Renderer::PresentationParameters(Renderer::window);
            EXPECT_EQ(std::memcmp(parameters, &created, sizeof created), 0) << "not the parameters of the device";
            return Next(resetAnswers);
        };
    }

    // What shows how a pass went: drawn, resting, or bringing the device back.
    const std::vector<std::string> passCalls = {"TestCooperativeLevel", "Sleep", "Reset", "Clear", "Draw", "Present"};

    // The calls made from the index `from` on, whose names are among `names`.
    std::vector<std::string> CallsSince(std::size_t from, const std::vector<std::string>& names) const {
        std::vector<std::string> chosen;
        for (std::size_t i = from; i < calls.size(); ++i) {
            if (std::find(names.begin(), names.end(), calls[i]) != names.end()) {
                chosen.push_back(calls[i]);
            }
        }
        return chosen;
    }

    std::int64_t milliseconds = 0;
    int heldKey = 0;
    bool minimized = false;
    std::deque<HRESULT> presentAnswers;
    std::deque<HRESULT> cooperativeLevels;
    std::deque<HRESULT> resetAnswers;
};

TEST_F(DeviceLossTest, LostDeviceDrawsNothingIsResetWithoutBuffersAndDrawsTheSceneAgain) {
    presentAnswers = {D3DERR_DEVICELOST};
    cooperativeLevels = {D3DERR_DEVICELOST, D3DERR_DEVICELOST, D3DERR_DEVICENOTRESET, D3DERR_DEVICENOTRESET};
    resetAnswers = {D3DERR_INVALIDCALL, D3D_OK};
    heldKey = VK_RIGHT;

    Renderer::DrawFrame();  // drawn, then Present says the device is lost
    const float cubeXBeforeTheLoss = s_cubeMesh.position.x;
    EXPECT_TRUE(Renderer::deviceLost);
    const std::size_t lost = calls.size();
    for (int pass = 0; pass < 3; ++pass) {
        Renderer::DrawFrame();  // lost twice, then a failed Reset
    }
    const std::vector<std::string> whileLost = {"TestCooperativeLevel", "Sleep", "TestCooperativeLevel", "Sleep",
                                                "TestCooperativeLevel", "Reset", "Sleep"};
    EXPECT_EQ(CallsSince(lost, passCalls), whileLost);
    EXPECT_TRUE(Renderer::deviceLost);
    for (const char* released : {"Release(vertex buffer)", "Release(index buffer)"}) {
        EXPECT_EQ(std::count(calls.begin() + static_cast<std::ptrdiff_t>(lost), calls.end(), released), 2)
            << released << ": once per mesh";
    }

    const std::size_t failedReset = calls.size();
    Renderer::DrawFrame();  // Reset succeeds: the buffers are made again and the frame is drawn
    EXPECT_FALSE(Renderer::deviceLost);
    const std::vector<std::string> afterReset = {"TestCooperativeLevel",
                                                 "Reset",
                                                 "SetVertexDeclaration(declaration)",
                                                 "CreateVertexBuffer(64)",
                                                 "CreateIndexBuffer(24)",
                                                 "SetVertexDeclaration(declaration)",
                                                 "CreateVertexBuffer(64)",
                                                 "CreateIndexBuffer(24)",
                                                 "Clear",
                                                 "Draw",
                                                 "Draw",
                                                 "Present"};
    EXPECT_EQ(CallsSince(failedReset, {"TestCooperativeLevel", "Reset", "SetVertexDeclaration(declaration)",
                                       "CreateVertexBuffer(64)", "CreateIndexBuffer(24)", "Clear", "Draw",
                                       "Present", "Sleep"}),
              afterReset);
    EXPECT_FALSE(Called("CreateVertexDeclaration(MeshVertexElements)")) << "the declarations survive a reset";
    EXPECT_NE(s_cubeMesh.vertexBuffer, nullptr);
    EXPECT_NE(s_planeMesh.indexBuffer, nullptr);
    EXPECT_EQ(indexMemory.Contents().size(), 24u);
    // The two minutes spent lost do not count: the held key moves the cube by milliseconds' worth.
    EXPECT_LT(FrameTimer::ElapsedSeconds(), 0.1f);
    EXPECT_LT(s_cubeMesh.position.x - cubeXBeforeTheLoss, 0.1f);
    EXPECT_TRUE(messageBoxes.empty());
}

// Minimized, a pass only waits, also with the device lost; once the window is back the time spent
// minimized counts as none, and a lost device is brought back as it would have been.
TEST_F(DeviceLossTest, MinimizedWindowOnlyWaitsAndMovesNothingOnceRestored) {
    // Three minimized passes, then the first pass after the restore; the calls of each part.
    const auto minimizeAndRestore = [&] {
        minimized = true;
        const std::size_t minimizedFrom = calls.size();
        for (int pass = 0; pass < 3; ++pass) {
            Renderer::DrawFrame();
        }
        const std::vector<std::string> whileMinimized = CallsSince(minimizedFrom, passCalls);
        minimized = false;
        const std::size_t restoredFrom = calls.size();
        Renderer::DrawFrame();
        return std::make_pair(whileMinimized, CallsSince(restoredFrom, passCalls));
    };
    const std::vector<std::string> threeRests = {"Sleep", "Sleep", "Sleep"};
    const std::vector<std::string> drawn = {"Clear", "Draw", "Draw", "Present"};
    heldKey = VK_RIGHT;
    presentAnswers = {D3D_OK, D3D_OK, D3DERR_DEVICELOST};
    cooperativeLevels = {D3DERR_DEVICENOTRESET};
    Renderer::DrawFrame();

    float cubeX = s_cubeMesh.position.x;
    const auto withTheDevice = minimizeAndRestore();
    EXPECT_EQ(withTheDevice.first, threeRests);
    EXPECT_EQ(withTheDevice.second, drawn);
    EXPECT_LT(s_cubeMesh.position.x - cubeX, 0.1f) << "three minutes minimized moved the cube";

    Renderer::DrawFrame();  // Present says the device is lost
    ASSERT_TRUE(Renderer::deviceLost);
    cubeX = s_cubeMesh.position.x;
    const auto withTheDeviceLost = minimizeAndRestore();
    EXPECT_EQ(withTheDeviceLost.first, threeRests);
    std::vector<std::string> resetAndDrawn = {"TestCooperativeLevel", "Reset"};
    resetAndDrawn.insert(resetAndDrawn.end(), drawn.begin(), drawn.end());
    EXPECT_EQ(withTheDeviceLost.second, resetAndDrawn);
    EXPECT_FALSE(Renderer::deviceLost);
    EXPECT_LT(s_cubeMesh.position.x - cubeX, 0.1f);
}

}  // namespace
