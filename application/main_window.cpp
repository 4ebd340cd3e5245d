#include "application/main_window.h"

#include "application/windows_error.h"
#include "graphics/renderer.h"
#include "platform/win32.h"

#include <string>

const char* const MainWindowClassName = "Brek's Main Window Class";
const char* const MainWindowTitle = "Brek's KRV4417 Game";

HWND s_mainWindow = nullptr;

namespace {

constexpr WORD LargeIconId = 107;
constexpr WORD SmallIconId = 108;
constexpr WPARAM EscapeCharacter = 27;
// A title bar with the window menu, the close box and a minimise box: no sizing border, no maximise box.
constexpr DWORD MainWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

// Shows a failed Windows call: the sentence (ending in ": ") followed by the system's error text.
// Reads the last error first, before any other call can change it.
void ReportWindowsFailure(const char* sentence, const char* caption) {
    const std::string text = sentence + GetLastWindowsError();
    platform::MessageBoxA(nullptr, text.c_str(), caption, MB_OK | MB_ICONERROR);
}

}  // namespace

ATOM RegisterMainWindowClass(HINSTANCE instance) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = 0;
    windowClass.lpfnWndProc = MainWindowProcedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = platform::LoadIconA(instance, MAKEINTRESOURCEA(LargeIconId));
    windowClass.hIconSm = platform::LoadIconA(instance, MAKEINTRESOURCEA(SmallIconId));
    windowClass.hCursor = platform::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BACKGROUND + 1);
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = MainWindowClassName;
    const ATOM atom = platform::RegisterClassExA(&windowClass);
    if (atom == 0) {
        ReportWindowsFailure("Windows failed to register the main window's class: ", "No Main Window Class");
    }
    return atom;
}

HWND CreateMainWindow(HINSTANCE instance, int showMode) {
    const HWND window =
        platform::CreateWindowExA(WS_EX_OVERLAPPEDWINDOW, MainWindowClassName, MainWindowTitle, MainWindowStyle,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                  instance, nullptr);
    if (window == nullptr) {
        ReportWindowsFailure("Windows failed to create the main window: ", "No Main Window");
        return nullptr;
    }

    // The system chose the position and the outer size; keep the corner and grow the outer size by
    // the borders and title bar so that the client area comes out at exactly the picture's size.
    RECT outer{};
    RECT client{};
    const char* failure = nullptr;
    if (!platform::GetWindowRect(window, &outer)) {
        failure = "Windows failed to get the coordinates of the main window: ";
    } else if (!platform::GetClientRect(window, &client)) {
        failure = "Windows failed to get the dimensions of the main window's client area: ";
    } else if (!platform::MoveWindow(window, outer.left, outer.top,
                                     (outer.right - outer.left) - client.right + Renderer::PictureWidth,
                                     (outer.bottom - outer.top) - client.bottom + Renderer::PictureHeight, TRUE)) {
        failure = "Windows failed to resize the main window: ";
    }
    if (failure == nullptr) {
        platform::ShowWindow(window, showMode);
        return window;
    }

    ReportWindowsFailure(failure, nullptr);
    if (!platform::DestroyWindow(window)) {
        ReportWindowsFailure("Windows failed to destroy the main window after an error in creation: ", nullptr);
    }
    return nullptr;
}

LRESULT CALLBACK MainWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCDESTROY) {
        s_mainWindow = nullptr;
        platform::PostQuitMessage(0);
        return 0;
    }
    if (message == WM_CHAR && wParam == EscapeCharacter) {
        const int answer = platform::MessageBoxA(s_mainWindow, "Are you sure you want to quit?", "Exit Program?",
                                                 MB_YESNO | MB_ICONQUESTION);
        if (answer == IDYES) {
            platform::PostQuitMessage(1);
            return 0;
        }
    }
    return platform::DefWindowProcA(window, message, wParam, lParam);
}

bool DestroyMainWindow() {
    if (s_mainWindow == nullptr) {
        return true;
    }
    if (!platform::DestroyWindow(s_mainWindow)) {
        ReportWindowsFailure("Windows failed to destroy the main window: ", "Couldn't Destroy Main Window");
        return false;
    }
    s_mainWindow = nullptr;
    return true;
}

bool UnregisterMainWindowClass(HINSTANCE instance) {
    if (!platform::UnregisterClassA(MainWindowClassName, instance)) {
        ReportWindowsFailure("Windows failed to unregister the main window's class: ",
                             "Couldn't Unregister Main Window Class");
        return false;
    }
    return true;
}
