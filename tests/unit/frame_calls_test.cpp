// The calls of one frame, in order and with their arguments; what a frame leaves out when the
// material or a mesh lacks an object; and that a frame allocates nothing.
#include "assets/material.h"
#include "assets/mesh.h"
#include "graphics/renderer.h"
#include "tests/support/allocation_counter.h"
#include "tests/unit/frame_recorder.h"

#include <algorithm>

namespace {

using FrameCallsTest = FrameTest;

std::vector<std::string> KeyPolls() {
    std::vector<std::string> polls;
    for (const int key : {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, int{'A'}, int{'D'}, int{'W'}, int{'S'}}) {
        polls.push_back("GetAsyncKeyState(" + std::to_string(key) + ")");
    }
    return polls;
}

std::vector<std::string> MeshDraw(const std::string& name, const std::string& position, UINT vertexCount,
                                  UINT primitiveCount) {
    return {"SetStreamSource(" + name + "Device, 0, " + name + "VertexBuffer, 0, 16)",
            "SetIndices(" + name + "Device, " + name + "IndexBuffer)",
            "D3DXMatrixTransformation(null, null, null, null, null, " + position + ")",
            "SetMatrix(vertexTable, device, modelToWorld)",
            "DrawIndexedPrimitive(" + name + "Device, 4, 0, 0, " + std::to_string(vertexCount) + ", 0, " +
                std::to_string(primitiveCount) + ")"};
}

const std::vector<std::string> SceneStart = {
    "SetVertexShader(device, vertexShader)",
    "SetPixelShader(device, fragmentShader)",
    "D3DXMatrixPerspectiveFovLH(1.0471976, 1.3333334, 0.1, 100)",
    "D3DXMatrixTransformation(null, null, null, null, null, 0 0 -10)",
    "SetMatrix(vertexTable, device, worldToView)",
    "SetMatrix(vertexTable, device, viewToScreen)",
};

void Append(std::vector<std::string>& calls, const std::vector<std::string>& more) {
    calls.insert(calls.end(), more.begin(), more.end());
}

// A frame from the look at the window to Present; `colour` and `scene` are what goes between.
std::vector<std::string> Frame(const std::vector<std::string>& colour, const std::vector<std::string>& scene) {
    std::vector<std::string> calls = {"IsIconic(window)", "QueryPerformanceCounter"};
    Append(calls, colour);
    calls.push_back("GetForegroundWindow");
    Append(calls, KeyPolls());
    calls.push_back("Clear(device, 0, null, 3, ff000000, 1, 0)");
    calls.push_back("BeginScene(device)");
    Append(calls, scene);
    calls.push_back("EndScene(device)");
    calls.push_back("Present(device, null, null, null, null)");
    return calls;
}

const std::vector<std::string> SendColour = {"SetFloatArray(fragmentTable, device, colorModifier, 3)"};

std::vector<std::string> WholeScene(const std::string& cubePosition) {
    std::vector<std::string> scene = SceneStart;
    Append(scene, MeshDraw("cube", cubePosition, 24, 12));
    Append(scene, MeshDraw("plane", "0 0 0", 4, 2));
    return scene;
}

TEST_F(FrameCallsTest, OneFrameMakesItsCallsInOrder) {
    Renderer::DrawFrame();
    EXPECT_EQ(calls, Frame(SendColour, WholeScene("0 0 0")));
    ASSERT_EQ(colorModifiersSent.size(), 1u);
    EXPECT_EQ(colorModifiersSent[0], (std::array<float, 3>{1.0f, 1.0f, 1.0f}));
}

TEST_F(FrameCallsTest, MatricesAreTheProjectionTheCameraInverseAndEachMeshPlace) {
    Renderer::cameraPosition = D3DXVECTOR3(1.5f, -2.0f, -10.0f);
    s_cubeMesh.position = D3DXVECTOR3(0.25f, 0.5f, 4.0f);
    s_planeMesh.position = D3DXVECTOR3(-3.0f, -1.0f, 2.0f);
    Renderer::DrawFrame();
    ASSERT_EQ(matrices.size(), 4u);

    EXPECT_EQ(matrices[0].handle, "worldToView");
    EXPECT_EQ(Elements(matrices[0].matrix), Elements(D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -1.5f, 2.0f, 10.0f, 1)));
    EXPECT_EQ(matrices[1].handle, "viewToScreen");
    D3DXMATRIX projection;
    platform::real::D3DXMatrixPerspectiveFovLH(&projection, 1.0471976f, 4.0f / 3.0f, 0.1f, 100.0f);
    EXPECT_EQ(Elements(matrices[1].matrix), Elements(projection));
    EXPECT_NEAR(matrices[1].matrix._22, 1.7320508f, 1e-6f);  // cot(30 degrees)
    EXPECT_EQ(matrices[1].matrix._34, 1.0f);                  // left-handed: w takes +z
    EXPECT_EQ(matrices[2].handle, "modelToWorld");
    EXPECT_EQ(Elements(matrices[2].matrix), Elements(D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0.25f, 0.5f, 4.0f, 1)));
    EXPECT_EQ(matrices[3].handle, "modelToWorld");
    EXPECT_EQ(Elements(matrices[3].matrix), Elements(D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -3.0f, -1.0f, 2.0f, 1)));
}

// Keys typed into another program are not the game's: none is polled, and the movement eases away
// as after a release. Null is no window in front at all.
TEST_F(FrameCallsTest, WithAnotherWindowInFrontNoKeyIsPolled) {
    const struct {
        const char* name;
        HWND window;
    } inFront[] = {{"another program's window", OtherWindow}, {"none", nullptr}};
    for (const auto& front : inFront) {
        SCOPED_TRACE(front.name);
        TearDown();
        SetUp();
        HoldKey(VK_RIGHT);
        HoldKey('W');
        Renderer::DrawFrame();
        foregroundWindow = front.window;
        calls.clear();
        Renderer::DrawFrame();
        Renderer::DrawFrame();
        EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                                [](const std::string& call) { return call.rfind("GetAsyncKeyState", 0) == 0; }),
                  0);
        EXPECT_EQ(Renderer::cubeOffset.x, 0.125f);
        EXPECT_EQ(s_cubeMesh.position.x, 0.875f);
        EXPECT_EQ(Renderer::cameraOffset.y, 0.125f);
        EXPECT_EQ(Renderer::cameraPosition.y, 0.875f);
    }
}

// Without a shader or the vertex constants the meshes cannot be drawn; the picture is still
// cleared and presented, and the scene still moves.
TEST_F(FrameCallsTest, WithoutAShaderOrVertexTableNothingIsDrawn) {
    const struct {
        const char* missing;
        void (*remove)();
    } cases[] = {
        {"vertex shader", [] { s_material.vertexShader = nullptr; }},
        {"fragment shader", [] { s_material.fragmentShader = nullptr; }},
        {"vertex constant table", [] { s_material.vertexShaderConstantTable = nullptr; }},
    };
    for (const auto& absent : cases) {
        SCOPED_TRACE(absent.missing);
        TearDown();
        SetUp();
        absent.remove();
        HoldKey(VK_RIGHT);
        Renderer::DrawFrame();
        EXPECT_EQ(calls, Frame(SendColour, {}));
        EXPECT_EQ(s_cubeMesh.position.x, 0.5f);
    }
}

TEST_F(FrameCallsTest, WithoutAFragmentTableNoColourIsSent) {
    s_material.fragmentShaderConstantTable = nullptr;
    Renderer::DrawFrame();
    EXPECT_EQ(calls, Frame({}, WholeScene("0 0 0")));
    s_material.colorModifier[0] = -1.0f;
    calls.clear();
    Renderer::DrawFrame();
    EXPECT_EQ(calls, Frame({}, WholeScene("0 0 0")));
}

// A mesh that lacks a buffer, or was never loaded, is left out; the other one is drawn.
TEST_F(FrameCallsTest, AMeshWithoutItsBuffersIsLeftOut) {
    const struct {
        const char* missing;
        void (*remove)();
        const char* drawn;
    } cases[] = {
        {"cube vertex buffer", [] { s_cubeMesh.vertexBuffer = nullptr; }, "plane"},
        {"cube index buffer", [] { s_cubeMesh.indexBuffer = nullptr; }, "plane"},
        {"cube device", [] { s_cubeMesh.device = nullptr; }, "plane"},
        {"plane vertex buffer", [] { s_planeMesh.vertexBuffer = nullptr; }, "cube"},
        {"plane index buffer", [] { s_planeMesh.indexBuffer = nullptr; }, "cube"},
    };
    for (const auto& absent : cases) {
        SCOPED_TRACE(absent.missing);
        TearDown();
        SetUp();
        absent.remove();
        Renderer::DrawFrame();
        std::vector<std::string> scene = SceneStart;
        if (std::string(absent.drawn) == "cube") {
            Append(scene, MeshDraw("cube", "0 0 0", 24, 12));
        } else {
            Append(scene, MeshDraw("plane", "0 0 0", 4, 2));
        }
        EXPECT_EQ(calls, Frame(SendColour, scene));
    }
}

TEST_F(FrameCallsTest, FramesAllocateNothing) {
    std::size_t mallocs = 0;
    platform::malloc = [&mallocs](std::size_t size) {
        ++mallocs;
        return platform::real::malloc(size);
    };
    Renderer::DrawFrame();  // the first frame may set up what the fakes use
    recording = false;
    HoldKey(VK_LEFT);
    HoldKey('S');
    s_material.colorModifier[0] = -1.0f;
    const std::size_t before = GlobalAllocationCount();
    for (int frame = 0; frame < 3; ++frame) {
        Renderer::DrawFrame();
    }
    s_material.colorModifier[0] = 0.5f;
    Renderer::DrawFrame();
    EXPECT_EQ(GlobalAllocationCount(), before);
    EXPECT_EQ(mallocs, 0u);
    EXPECT_LT(s_cubeMesh.position.x, 0.0f);  // the frames did run

    // The counter does see allocations.
    void* const probe = ::operator new(16);
    EXPECT_GT(GlobalAllocationCount(), before);
    ::operator delete(probe);
}

}  // namespace
