#include "application/application.h"

#include "application/main_window.h"
#include "graphics/renderer.h"
#include "platform/win32.h"

int s_exitCode = 0;

void RunMessageLoop() {
    MSG message{};
    do {
        Renderer::DrawFrame();
        if (platform::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE) == TRUE) {
            platform::TranslateMessage(&message);
            platform::DispatchMessageA(&message);
        }
        // A pass without a message leaves the last one taken in the record, which was not WM_QUIT.
    } while (message.message != WM_QUIT);
    s_exitCode = static_cast<int>(message.wParam);
}

int ShutdownApplication(HINSTANCE instance) {
    const bool windowDestroyed = DestroyMainWindow();
    const bool classUnregistered = UnregisterMainWindowClass(instance);
    if (windowDestroyed && classUnregistered) {
        Renderer::Shutdown();
    }
    return s_exitCode;
}
