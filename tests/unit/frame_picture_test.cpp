// The picture that the real Direct3D 9 draws from the shipped data: the cube in the middle, black
// above it and the plane below, how held keys move them, and the scene coming back after the device
// was lost. Every frame read back is saved under <build>/frames.
#include "application/main_window.h"
#include "graphics/renderer_steps.h"
#include "tests/support/allocation_counter.h"
#include "tests/support/platform_test.h"
#include "tests/unit/frame_picture.h"
#include "tests/support/material_test_support.h"

#include <cmath>
#include <map>

namespace {

// The shipped meshes' colours: the cube's face towards the camera (its -z face), its left (-x) and
// top (+y) faces, and the plane.
constexpr std::uint32_t CubeFront = 0xFF0000;
constexpr std::uint32_t CubeLeft = 0x0000FF;
constexpr std::uint32_t CubeTop = 0xFF00FF;
constexpr std::uint32_t Plane = 0x808080;
constexpr std::uint32_t Black = 0x000000;
constexpr int Tolerance = 8;
constexpr float PlaneHeight = -1.5f;
constexpr float PlaneFarEdge = 20.0f;

// Where a world point lands on the 800 x 600 picture, seen from an unturned camera with the
// renderer's 60 degree vertical field of view and 4:3 aspect.
struct ScreenPoint {
    double x;
    double y;
};
ScreenPoint Project(const D3DXVECTOR3& point, const D3DXVECTOR3& camera) {
    const double cotangent = 1.0 / std::tan(1.0471976 / 2.0);
    const double depth = point.z - camera.z;
    return {400.0 + 400.0 * (point.x - camera.x) * cotangent / (4.0 / 3.0) / depth,
            300.0 - 300.0 * (point.y - camera.y) * cotangent / depth};
}

// The first row from the top, in column x, that shows the plane.
int PlaneTopRow(const Picture& picture, int x) {
    for (int y = 0; y < picture.height; ++y) {
        if (ColoursMatch(picture.At(x, y), Plane, Tolerance)) {
            return y;
        }
    }
    return -1;
}

class FramePictureTest : public PlatformTest {
protected:
    void SetUp() override {
        HookFramesAndMakeWindow();
        if (HasFatalFailure()) {
            return;
        }
        ASSERT_TRUE(Renderer::Startup(s_mainWindow))
            << (messageBoxes.empty() ? std::string("no box") : messageBoxes[0].caption);
        ASSERT_TRUE(messageBoxes.empty()) << "the shipped data gave the box \"" << messageBoxes[0].caption << "\"";
    }

    void HookFramesAndMakeWindow() {
        RecordMessageBoxes();
        // Half a second between counter readings, so every frame's e is 0.5.
        platform::QueryPerformanceFrequency = [](LARGE_INTEGER* frequency) -> BOOL {
            frequency->QuadPart = 1024;
            return TRUE;
        };
        platform::QueryPerformanceCounter = [this](LARGE_INTEGER* count) -> BOOL {
            counter += 512;
            count->QuadPart = counter;
            return TRUE;
        };
        platform::GetAsyncKeyState = [this](int virtualKey) -> SHORT {
            const auto state = keyStates.find(virtualKey);
            return state != keyStates.end() ? state->second : 0;
        };
        // Other tests' windows may be in front: the keys are held for this one.
        platform::GetForegroundWindow = [] { return s_mainWindow; };
        platform::Present = [this](IDirect3DDevice9* device, const RECT* source, const RECT* destination,
                                   HWND window, const RGNDATA* dirtyRegion) {
            if (capturing) {
                const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
                const std::string path = FramePicturePath(name + "_" + std::to_string(frames.size() + 1));
                Picture picture;
                EXPECT_TRUE(ReadBackBuffer(device, path, picture)) << "the back buffer could not be read or saved";
                frames.push_back(picture);
            }
            return platform::real::Present(device, source, destination, window, dirtyRegion);
        };

        const HINSTANCE instance = GetModuleHandleA(nullptr);
        ASSERT_NE(RegisterMainWindowClass(instance), 0);
        s_mainWindow = CreateMainWindow(instance, SW_SHOWNORMAL);
        ASSERT_NE(s_mainWindow, nullptr);
    }

    void TearDown() override {
        Renderer::Shutdown();
        DestroyMainWindow();
        UnregisterMainWindowClass(GetModuleHandleA(nullptr));
        PlatformTest::TearDown();
    }

    // Draws frames with the keys held as they are; the last one read back.
    const Picture& DrawFrames(int count) {
        for (int frame = 0; frame < count; ++frame) {
            Renderer::DrawFrame();
        }
        return frames.back();
    }

    void ExpectColourAt(const Picture& picture, int x, int y, std::uint32_t colour) {
        EXPECT_TRUE(ColoursMatch(picture.At(x, y), colour, Tolerance))
            << "at (" << x << ", " << y << ") " << ColourText(picture.At(x, y)) << " instead of " << ColourText(colour);
    }

    void ExpectCubeFrontCentredOn(const Picture& picture, const D3DXVECTOR3& cube, const D3DXVECTOR3& camera) {
        const ScreenPoint centre = Project({cube.x, cube.y, cube.z - 0.5f}, camera);
        const ScreenPoint corner = Project({cube.x + 0.5f, cube.y + 0.5f, cube.z - 0.5f}, camera);
        const ColourRegion front = FindColour(picture, CubeFront, Tolerance);
        ASSERT_GT(front.count, 0) << "no pixel of the cube's front face";
        EXPECT_NEAR(front.centreX, centre.x, 1.5);
        EXPECT_NEAR(front.centreY, centre.y, 1.5);
        EXPECT_NEAR(front.right - front.left + 1, 2.0 * (corner.x - centre.x), 2.0);
        EXPECT_NEAR(front.bottom - front.top + 1, 2.0 * (centre.y - corner.y), 2.0);
        ExpectColourAt(picture, static_cast<int>(centre.x), static_cast<int>(centre.y), CubeFront);
    }

    std::int64_t counter = 0;
    std::map<int, SHORT> keyStates;
    bool capturing = true;
    std::vector<Picture> frames;
};

const D3DXVECTOR3 StartCamera(0.0f, 0.0f, -10.0f);
const D3DXVECTOR3 Origin(0.0f, 0.0f, 0.0f);

TEST_F(FramePictureTest, CubeInTheMiddleBlackAboveAndThePlaneBelow) {
    const Picture& picture = DrawFrames(2);
    ASSERT_EQ(picture.width, 800);
    ASSERT_EQ(picture.height, 600);
    ExpectCubeFrontCentredOn(picture, Origin, StartCamera);
    ExpectColourAt(picture, 400, 200, Black);
    ExpectColourAt(picture, 400, 500, Plane);
    ExpectColourAt(picture, 20, 590, Plane);
    EXPECT_EQ(FindColour(picture, CubeLeft, Tolerance).count, 0);
    EXPECT_EQ(FindColour(picture, CubeTop, Tolerance).count, 0);
    const int farEdge = static_cast<int>(std::lround(Project({0, PlaneHeight, PlaneFarEdge}, StartCamera).y));
    EXPECT_NEAR(PlaneTopRow(picture, 100), farEdge, 1);
}

TEST_F(FramePictureTest, RealFramesAllocateNothing) {
    DrawFrames(1);
    capturing = false;
    keyStates[VK_RIGHT] = static_cast<SHORT>(0x8000);
    const std::size_t before = GlobalAllocationCount();
    for (int frame = 0; frame < 5; ++frame) {
        Renderer::DrawFrame();
    }
    EXPECT_EQ(GlobalAllocationCount(), before);
}

// Three frames with Right held at e = 0.5 take the cube to x = 2.125; its left face comes into view.
TEST_F(FramePictureTest, HeldRightArrowMovesTheCubeRight) {
    DrawFrames(1);
    keyStates[VK_RIGHT] = static_cast<SHORT>(0x8000);
    const Picture& picture = DrawFrames(3);
    ExpectCubeFrontCentredOn(picture, {2.125f, 0.0f, 0.0f}, StartCamera);
    ExpectColourAt(picture, 400, 300, Black);
    const ColourRegion left = FindColour(picture, CubeLeft, Tolerance);
    ASSERT_GT(left.count, 0);
    EXPECT_LT(left.centreX, FindColour(picture, CubeFront, Tolerance).centreX);
    ExpectColourAt(picture, 400, 500, Plane);
}

// Three frames with W held raise the camera to y = 2.125: the cube, the top of its face and the
// plane's far edge all sink in the picture.
TEST_F(FramePictureTest, HeldWMovesTheSceneDown) {
    const Picture still = DrawFrames(1);
    keyStates['W'] = static_cast<SHORT>(0x8000);
    const Picture& picture = DrawFrames(3);
    const D3DXVECTOR3 raised(0.0f, 2.125f, -10.0f);
    ExpectCubeFrontCentredOn(picture, Origin, raised);
    EXPECT_GT(FindColour(picture, CubeTop, Tolerance).count, 0);
    const int farEdge = static_cast<int>(std::lround(Project({0, PlaneHeight, PlaneFarEdge}, raised).y));
    EXPECT_NEAR(PlaneTopRow(picture, 100), farEdge, 1);
    EXPECT_GT(PlaneTopRow(picture, 100), PlaneTopRow(still, 100) + 30);
    ExpectColourAt(picture, 400, 300, Black);
}

// Windows takes the device away (Present says so; Wine never does) and lets it be reset a pass later.
// Wine's real Reset refuses to run while any default-pool object lives, so a buffer left behind
// keeps the device lost and the picture away.
TEST_F(FramePictureTest, RealResetBringsTheCubeAndThePlaneBack) {
    const auto readAndPresent = platform::Present;  // a copy of the fixture's
    platform::Present = [](IDirect3DDevice9*, const RECT*, const RECT*, HWND, const RGNDATA*) -> HRESULT {
        return D3DERR_DEVICELOST;
    };
    Renderer::DrawFrame();
    ASSERT_TRUE(Renderer::deviceLost);
    platform::Present = readAndPresent;
    int tests = 0;
    platform::TestCooperativeLevel = [&tests](IDirect3DDevice9* device) {
        ++tests;
        return tests == 1 ? D3DERR_DEVICELOST : tests == 2 ? D3DERR_DEVICENOTRESET
                                                           : platform::real::TestCooperativeLevel(device);
    };

    Renderer::DrawFrame();  // still lost
    Renderer::DrawFrame();  // reset, and drawn again

    ASSERT_FALSE(Renderer::deviceLost) << "the real Reset was refused";
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_TRUE(messageBoxes.empty());
    EXPECT_TRUE(SUCCEEDED(platform::real::TestCooperativeLevel(Renderer::device)));
    ASSERT_EQ(frames.back().width, 800);
    ExpectCubeFrontCentredOn(frames.back(), Origin, StartCamera);
    EXPECT_GT(FindColour(frames.back(), CubeFront, Tolerance).count, 1000);
    ExpectColourAt(frames.back(), 400, 500, Plane);
}

// The program started with a material file of its own, beside copies of the shipped shaders and
// meshes.
class MaterialPictureTest : public FramePictureTest {
protected:
    void SetUp() override { HookFramesAndMakeWindow(); }

    void StartWithMaterial(const std::string& material) {
        TemporaryFolder folder;
        for (const char* shipped : {"data/vertex.shader", "data/fragment.shader", "data/cube.mesh.bin",
                                    "data/plane.mesh.bin"}) {
            folder.Write(shipped, FileContents(shipped));
        }
        folder.Write("data/material.material", material);
        const WorkingDirectoryChange change(folder.Path());
        ASSERT_TRUE(Renderer::Startup(s_mainWindow));
    }
    void StartWithConstants(const std::string& constants) {
        StartWithMaterial("return { shaders = { vertexShader = 'data/vertex.shader', "
                          "fragmentShader = 'data/fragment.shader' }, constants = " +
                          constants + " }\n");
    }
};

// The shader's own default modifier leaves the colours as the meshes give them.
TEST_F(MaterialPictureTest, WithoutAColourModifierTheSceneKeepsItsColours) {
    StartWithConstants("{}");
    const Picture& picture = DrawFrames(2);
    ASSERT_EQ(messageBoxes.size(), 1u);
    EXPECT_EQ(messageBoxes[0].caption, "No ColorModifier");
    ExpectCubeFrontCentredOn(picture, Origin, StartCamera);
    ExpectColourAt(picture, 400, 500, Plane);
}

TEST_F(MaterialPictureTest, TheMaterialsColourModifierScalesEachChannel) {
    StartWithConstants("{ g_colorModifier = { 0.5, 1, 1 } }");
    const Picture& picture = DrawFrames(1);
    EXPECT_TRUE(messageBoxes.empty());
    ExpectColourAt(picture, 400, 300, 0x800000);
    ExpectColourAt(picture, 400, 500, 0x408080);
}

// Precompiled as luac does it, the shipped material passes the check and draws what its text does.
TEST_F(MaterialPictureTest, TheShippedMaterialPrecompiledDrawsAsItsText) {
    StartWithMaterial(Precompiled(FileContents("data/material.material"), "@material.lua"));
    const Picture& picture = DrawFrames(2);
    EXPECT_TRUE(messageBoxes.empty());
    ExpectCubeFrontCentredOn(picture, Origin, StartCamera);
    ExpectColourAt(picture, 400, 500, Plane);
}

}  // namespace
