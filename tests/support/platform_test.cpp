#include "tests/support/platform_test.h"

#include "application/main_window.h"
#include "graphics/renderer_steps.h"

void PlatformTest::TearDown() {
    if (realDeviceStarted) {
        StopRealDevice();
    }
    platform::RestoreRealOperations();
}

void PlatformTest::RecordMessageBoxes(int answer) {
    platform::MessageBoxA = [this, answer](HWND owner, LPCSTR text, LPCSTR caption, UINT flags) {
        messageBoxes.push_back({owner, text != nullptr ? text : "", caption != nullptr,
                                caption != nullptr ? caption : "", flags});
        return answer;
    };
}

void PlatformTest::StartRealDevice() {
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    ASSERT_NE(RegisterMainWindowClass(instance), 0);
    s_mainWindow = CreateMainWindow(instance, SW_SHOWNORMAL);
    ASSERT_NE(s_mainWindow, nullptr);
    realDeviceStarted = true;
    Renderer::direct3D = platform::Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(Renderer::direct3D, nullptr);
    ASSERT_TRUE(Renderer::CreateDevice(s_mainWindow));
    ASSERT_NE(Renderer::device, nullptr);
    Renderer::window = s_mainWindow;
}

void PlatformTest::StopRealDevice() {
    realDeviceStarted = false;
    Renderer::Shutdown();
    DestroyMainWindow();
    UnregisterMainWindowClass(GetModuleHandleA(nullptr));
}
