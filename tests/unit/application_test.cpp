// The message loop, and the whole run of WinMain: the order of start-up and shut-down and the
// program's exit status on each path.
#include "application/application.h"
#include "application/main_window.h"
#include "graphics/renderer.h"
#include "tests/support/platform_test.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, int showMode);

namespace {

// The messages PeekMessageA hands out, one per call; an empty entry is a pass without a message.
struct ScriptedMessage {
    bool present;
    UINT message;
    WPARAM wParam;
};

class ApplicationTest : public PlatformTest {
protected:
    void ScriptMessages(std::vector<ScriptedMessage> script) {
        messages = std::move(script);
        platform::PeekMessageA = [this](MSG* message, HWND, UINT, UINT, UINT removal) -> BOOL {
            EXPECT_EQ(removal, static_cast<UINT>(PM_REMOVE));
            if (next >= messages.size()) {
                ADD_FAILURE() << "the loop asked for more messages than it should";
                *message = MSG{};
                message->message = WM_QUIT;
                return TRUE;
            }
            const ScriptedMessage scripted = messages[next++];
            if (!scripted.present) {
                return FALSE;
            }
            *message = MSG{};
            message->message = scripted.message;
            message->wParam = scripted.wParam;
            return TRUE;
        };
        platform::TranslateMessage = [this](const MSG* message) -> BOOL {
            log.push_back("translate " + std::to_string(message->message));
            return TRUE;
        };
        platform::DispatchMessageA = [this](const MSG* message) -> LRESULT {
            log.push_back("dispatch " + std::to_string(message->message));
            return 0;
        };
    }

    // A frame without a device: the drawing calls are recorded instead of made.
    void RecordFrames() {
        platform::Clear = [](IDirect3DDevice9*, DWORD, const D3DRECT*, DWORD, D3DCOLOR, float, DWORD) -> HRESULT {
            return D3D_OK;
        };
        platform::BeginScene = [](IDirect3DDevice9*) -> HRESULT { return D3D_OK; };
        platform::EndScene = [](IDirect3DDevice9*) -> HRESULT { return D3D_OK; };
        platform::Present = [this](IDirect3DDevice9*, const RECT*, const RECT*, HWND, const RGNDATA*) -> HRESULT {
            log.push_back("frame");
            return D3D_OK;
        };
    }

    std::vector<ScriptedMessage> messages;
    std::size_t next = 0;
    std::vector<std::string> log;
};

TEST_F(ApplicationTest, LoopDrawsOnEveryPassAndEndsOnlyOnQuit) {
    RecordFrames();
    ScriptMessages({{false, 0, 0}, {true, WM_USER, 3}, {false, 0, 0}, {true, WM_KEYDOWN, 0}, {true, WM_QUIT, 7}});
    RunMessageLoop();
    EXPECT_EQ(next, 5u);
    EXPECT_EQ(s_exitCode, 7);
    const std::string user = std::to_string(WM_USER);
    const std::string key = std::to_string(WM_KEYDOWN);
    const std::string quit = std::to_string(WM_QUIT);
    EXPECT_EQ(log, (std::vector<std::string>{"frame", "frame", "translate " + user, "dispatch " + user, "frame",
                                             "frame", "translate " + key, "dispatch " + key, "frame",
                                             "translate " + quit, "dispatch " + quit}));
}

// A minimized window's passes draw nothing and wait instead, and each still takes its message, so
// that restoring, closing and quitting work at once.
TEST_F(ApplicationTest, MinimizedPassesWaitAndStillTakeTheirMessages) {
    RecordFrames();
    platform::IsIconic = [](HWND) -> BOOL { return TRUE; };
    platform::Sleep = [this](DWORD milliseconds) { log.push_back("wait " + std::to_string(milliseconds)); };
    ScriptMessages({{true, WM_USER, 0}, {false, 0, 0}, {true, WM_QUIT, 0}});
    RunMessageLoop();
    const std::string user = std::to_string(WM_USER);
    const std::string quit = std::to_string(WM_QUIT);
    EXPECT_EQ(log, (std::vector<std::string>{"wait 10", "translate " + user, "dispatch " + user, "wait 10",
                                             "wait 10", "translate " + quit, "dispatch " + quit}));
}

// The exit path of a start without a device: std::exit never returns, so the test's stands in by
// throwing the status.
struct ExitCalled {
    int status;
};

class WinMainTest : public ApplicationTest {
protected:
    void SetUp() override {
        // Earlier windows of this process may have left a quit behind.
        MSG stale;
        while (PeekMessageA(&stale, nullptr, 0, 0, PM_REMOVE)) {
        }
        RecordMessageBoxes();
        platform::exit = [](int status) { throw ExitCalled{status}; };
    }
    void TearDown() override {
        platform::RestoreRealOperations();
        Renderer::Shutdown();
        DestroyMainWindow();
        UnregisterClassA(MainWindowClassName, GetModuleHandleA(nullptr));
        ApplicationTest::TearDown();
    }

    int RunWinMain() { return WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOWNORMAL); }

    // Records the calls that make and end the program, in order, while they go on to the system.
    void RecordLifetime() {
        platform::RegisterClassExA = [this](const WNDCLASSEXA* windowClass) {
            log.push_back("register class");
            return platform::real::RegisterClassExA(windowClass);
        };
        platform::CreateWindowExA = [this](DWORD exStyle, LPCSTR className, LPCSTR title, DWORD style, int x, int y,
                                           int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                                           LPVOID parameter) {
            log.push_back("create window");
            return platform::real::CreateWindowExA(exStyle, className, title, style, x, y, width, height, parent,
                                                   menu, instance, parameter);
        };
        platform::Direct3DCreate9 = [this](UINT version) {
            log.push_back("create interface");
            return platform::real::Direct3DCreate9(version);
        };
        platform::CreateDevice = [this](IDirect3D9* direct3D, UINT adapter, D3DDEVTYPE type, HWND window,
                                        DWORD flags, D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice9** device) {
            log.push_back("create device");
            return platform::real::CreateDevice(direct3D, adapter, type, window, flags, parameters, device);
        };
        platform::DestroyWindow = [this](HWND window) {
            log.push_back("destroy window");
            return platform::real::DestroyWindow(window);
        };
        platform::UnregisterClassA = [this](LPCSTR name, HINSTANCE instance) {
            log.push_back("unregister class");
            return platform::real::UnregisterClassA(name, instance);
        };
        platform::Release = [this](IUnknown* object) {
            if (object == Renderer::device) {
                log.push_back("release device");
            } else if (object == Renderer::direct3D) {
                log.push_back("release interface");
            }
            return platform::real::Release(object);
        };
    }
};

TEST_F(WinMainTest, RunsInOrderAndEndsWithTheQuitStatus) {
    RecordLifetime();
    RecordFrames();
    // The real loop: Escape answered Yes posts WM_QUIT with 1.
    platform::PeekMessageA = [this](MSG* message, HWND window, UINT first, UINT last, UINT removal) {
        if (std::count(log.begin(), log.end(), "frame") == 2) {
            platform::PostQuitMessage(1);
        }
        return platform::real::PeekMessageA(message, window, first, last, removal);
    };
    EXPECT_EQ(RunWinMain(), 1);
    // Messages already queued may give a few more passes before the quit is taken; every other
    // call happens exactly once.
    const auto frames = std::count(log.begin(), log.end(), "frame");
    EXPECT_GE(frames, 2);
    std::vector<std::string> expected = {"register class", "create window", "create interface", "create device"};
    expected.insert(expected.end(), static_cast<std::size_t>(frames), "frame");
    expected.insert(expected.end(), {"destroy window", "unregister class", "release device", "release interface"});
    EXPECT_EQ(log, expected);
    EXPECT_EQ(s_mainWindow, nullptr);
    EXPECT_EQ(Renderer::device, nullptr);
}

TEST_F(WinMainTest, NoDeviceEndsThroughExitWithZero) {
    platform::CreateDevice = [](IDirect3D9*, UINT, D3DDEVTYPE, HWND, DWORD, D3DPRESENT_PARAMETERS*,
                                IDirect3DDevice9**) -> HRESULT { return D3DERR_NOTAVAILABLE; };
    bool looped = false;
    platform::PeekMessageA = [&looped](MSG*, HWND, UINT, UINT, UINT) -> BOOL {
        looped = true;
        return FALSE;
    };
    try {
        RunWinMain();
        ADD_FAILURE() << "WinMain returned instead of ending the program";
    } catch (const ExitCalled& called) {
        EXPECT_EQ(called.status, 0);
    }
    ASSERT_EQ(messageBoxes.size(), 1u);
    EXPECT_EQ(messageBoxes[0].caption, "No D3D9 Device");
    EXPECT_EQ(messageBoxes[0].owner, s_mainWindow);
    EXPECT_FALSE(looped);
}

TEST_F(WinMainTest, NoWindowUnregistersTheClassAndEndsThroughExitWithZero) {
    RecordLifetime();
    platform::CreateWindowExA = [](DWORD, LPCSTR, LPCSTR, DWORD, int, int, int, int, HWND, HMENU, HINSTANCE,
                                   LPVOID) -> HWND { return nullptr; };
    try {
        RunWinMain();
        ADD_FAILURE() << "WinMain returned instead of ending the program";
    } catch (const ExitCalled& called) {
        EXPECT_EQ(called.status, 0);
    }
    ASSERT_GE(messageBoxes.size(), 2u);
    EXPECT_EQ(messageBoxes[0].caption, "No Main Window");
    EXPECT_EQ(messageBoxes.back().caption, "No D3D9 Device");
    EXPECT_EQ(messageBoxes.back().owner, nullptr);
    EXPECT_EQ(std::count(log.begin(), log.end(), "unregister class"), 1);
    EXPECT_EQ(std::count(log.begin(), log.end(), "create device"), 0);
    EXPECT_EQ(Renderer::direct3D, nullptr);
}

}  // namespace
