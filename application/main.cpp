// The program's entry point.
#include "application/application.h"
#include "application/main_window.h"
#include "graphics/renderer.h"
#include "platform/win32.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previousInstance*/, LPSTR /*commandLine*/, int showMode) {
    if (RegisterMainWindowClass(instance) != 0) {
        s_mainWindow = CreateMainWindow(instance, showMode);
        if (s_mainWindow == nullptr) {
            UnregisterMainWindowClass(instance);
        }
    }
    // Without a window the renderer cannot start either; it reports that and the program ends.
    if (!Renderer::Startup(s_mainWindow)) {
        platform::exit(0);
    }
    RunMessageLoop();
    return ShutdownApplication(instance);
}
