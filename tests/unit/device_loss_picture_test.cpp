// A lost device on the real Direct3D 9: only its answers to Present and TestCooperativeLevel are
// made up, since a windowed device here is never lost. The real Reset refuses to run while any
// default-pool object lives, so a buffer left behind keeps the device lost and the picture away.
#include "application/main_window.h"
#include "assets/mesh.h"
#include "graphics/renderer.h"
#include "tests/support/platform_test.h"
#include "tests/unit/frame_picture.h"

namespace {

constexpr std::uint32_t CubeFront = 0xFF0000;
constexpr std::uint32_t Plane = 0x808080;
constexpr int Tolerance = 8;

class DeviceLossPictureTest : public PlatformTest {
protected:
    void SetUp() override {
        RecordMessageBoxes();
        platform::Present = [this](IDirect3DDevice9* device, const RECT* source, const RECT* destination,
                                   HWND window, const RGNDATA* dirtyRegion) {
            ++presents;
            if (loseAtNextPresent) {
                loseAtNextPresent = false;
                return D3DERR_DEVICELOST;
            }
            const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
            EXPECT_TRUE(ReadBackBuffer(device, FramePicturePath(name + "_" + std::to_string(presents)), picture))
                << "the back buffer could not be read";
            return platform::real::Present(device, source, destination, window, dirtyRegion);
        };
        const HINSTANCE instance = GetModuleHandleA(nullptr);
        ASSERT_NE(RegisterMainWindowClass(instance), 0);
        s_mainWindow = CreateMainWindow(instance, SW_SHOWNORMAL);
        ASSERT_NE(s_mainWindow, nullptr);
        ASSERT_TRUE(Renderer::Startup(s_mainWindow));
    }

    void TearDown() override {
        Renderer::Shutdown();
        DestroyMainWindow();
        UnregisterMainWindowClass(GetModuleHandleA(nullptr));
        PlatformTest::TearDown();
    }

    bool loseAtNextPresent = false;
    int presents = 0;
    Picture picture;
};

TEST_F(DeviceLossPictureTest, RealResetBringsTheCubeAndThePlaneBack) {
    loseAtNextPresent = true;
    Renderer::DrawFrame();
    ASSERT_TRUE(Renderer::deviceLost);

    // Lost for one pass more, then ready to be reset.
    int tests = 0;
    platform::TestCooperativeLevel = [&tests](IDirect3DDevice9* device) {
        ++tests;
        return tests == 1 ? D3DERR_DEVICELOST : tests == 2 ? D3DERR_DEVICENOTRESET
                                                           : platform::real::TestCooperativeLevel(device);
    };
    Renderer::DrawFrame();
    Renderer::DrawFrame();
    ASSERT_FALSE(Renderer::deviceLost) << "the real Reset was refused";
    ASSERT_EQ(presents, 2);

    EXPECT_TRUE(messageBoxes.empty());
    EXPECT_TRUE(SUCCEEDED(platform::real::TestCooperativeLevel(Renderer::device)));
    ASSERT_EQ(picture.width, 800);
    EXPECT_TRUE(ColoursMatch(picture.At(400, 300), CubeFront, Tolerance)) << ColourText(picture.At(400, 300));
    EXPECT_TRUE(ColoursMatch(picture.At(400, 500), Plane, Tolerance)) << ColourText(picture.At(400, 500));
    EXPECT_GT(FindColour(picture, CubeFront, Tolerance).count, 1000);
}

}  // namespace
