// The main window: its exact client area and style on the real system, the Escape question, and
// the message box of every failing Windows call.
#include "application/main_window.h"
#include "application/windows_error.h"
#include "tests/support/platform_test.h"

namespace {

constexpr DWORD InjectedError = ERROR_ACCESS_DENIED;

class MainWindowTest : public PlatformTest {
protected:
    void SetUp() override {
        instance = GetModuleHandleA(nullptr);
        RecordMessageBoxes();
    }
    void TearDown() override {
        platform::RestoreRealOperations();
        if (s_mainWindow != nullptr) {
            DestroyMainWindow();
        }
        UnregisterClassA(MainWindowClassName, instance);
        PlatformTest::TearDown();
    }

    // The failing call reports InjectedError as the thread's last error.
    void InjectLastError() {
        platform::GetLastError = [] { return InjectedError; };
    }

    void ExpectOneFailureBox(const char* sentence, const char* caption) {
        ASSERT_EQ(messageBoxes.size(), 1u);
        const MessageBoxCall& box = messageBoxes[0];
        EXPECT_EQ(box.owner, nullptr);
        EXPECT_EQ(box.text, sentence + GetFormattedWindowsError(InjectedError));
        EXPECT_EQ(box.hasCaption, caption != nullptr);
        if (caption != nullptr) {
            EXPECT_EQ(box.caption, caption);
        }
        EXPECT_EQ(box.flags, static_cast<UINT>(MB_OK | MB_ICONERROR));
    }

    HINSTANCE instance = nullptr;
};

TEST_F(MainWindowTest, RealWindowHasExactClientAreaTitleAndNoSizing) {
    ASSERT_NE(RegisterMainWindowClass(instance), 0);
    s_mainWindow = CreateMainWindow(instance, SW_SHOWNORMAL);
    ASSERT_NE(s_mainWindow, nullptr);

    RECT client{};
    ASSERT_TRUE(GetClientRect(s_mainWindow, &client));
    EXPECT_EQ(client.right - client.left, 800);
    EXPECT_EQ(client.bottom - client.top, 600);
    char title[64] = {};
    GetWindowTextA(s_mainWindow, title, sizeof(title));
    EXPECT_STREQ(title, "Brek's KRV4417 Game");
    const auto style = static_cast<DWORD>(GetWindowLongPtrA(s_mainWindow, GWL_STYLE));
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0u);
    EXPECT_EQ(style & 0x00CA0000u, 0x00CA0000u);
    EXPECT_TRUE(IsWindowVisible(s_mainWindow));
    EXPECT_TRUE(messageBoxes.empty());

    EXPECT_TRUE(DestroyMainWindow());
    EXPECT_EQ(s_mainWindow, nullptr);
    EXPECT_TRUE(UnregisterMainWindowClass(instance));
}

TEST_F(MainWindowTest, ClassRecordLoadsTheTwoIconsThenTheArrow) {
    std::vector<std::string> loads;
    platform::LoadIconA = [&](HINSTANCE from, LPCSTR name) {
        EXPECT_EQ(from, instance);
        loads.push_back("icon " + std::to_string(reinterpret_cast<ULONG_PTR>(name)));
        return platform::real::LoadIconA(from, name);
    };
    platform::LoadCursorA = [&](HINSTANCE from, LPCSTR name) {
        EXPECT_EQ(from, nullptr);
        loads.push_back("cursor " + std::to_string(reinterpret_cast<ULONG_PTR>(name)));
        return platform::real::LoadCursorA(from, name);
    };
    WNDCLASSEXA registered{};
    platform::RegisterClassExA = [&](const WNDCLASSEXA* windowClass) {
        registered = *windowClass;
        return platform::real::RegisterClassExA(windowClass);
    };
    ASSERT_NE(RegisterMainWindowClass(instance), 0);
    EXPECT_EQ(loads, (std::vector<std::string>{"icon 107", "icon 108", "cursor 32512"}));
    EXPECT_EQ(registered.cbSize, sizeof(WNDCLASSEXA));
    EXPECT_EQ(registered.style, 0u);
    EXPECT_EQ(registered.lpfnWndProc, &MainWindowProcedure);
    EXPECT_EQ(registered.hbrBackground, reinterpret_cast<HBRUSH>(2));
    EXPECT_STREQ(registered.lpszClassName, "Brek's Main Window Class");
}

TEST_F(MainWindowTest, RegisteringFailureIsReported) {
    InjectLastError();
    platform::RegisterClassExA = [](const WNDCLASSEXA*) -> ATOM { return 0; };
    EXPECT_EQ(RegisterMainWindowClass(instance), 0);
    ExpectOneFailureBox("Windows failed to register the main window's class: ", "No Main Window Class");
}

TEST_F(MainWindowTest, CreationFailureIsReported) {
    ASSERT_NE(RegisterMainWindowClass(instance), 0);
    InjectLastError();
    platform::CreateWindowExA = [](DWORD, LPCSTR, LPCSTR, DWORD, int, int, int, int, HWND, HMENU, HINSTANCE,
                                   LPVOID) -> HWND { return nullptr; };
    EXPECT_EQ(CreateMainWindow(instance, SW_SHOWNORMAL), nullptr);
    ExpectOneFailureBox("Windows failed to create the main window: ", "No Main Window");
}

// Each of the three sizing calls: its box without caption, then the half-made window is destroyed.
TEST_F(MainWindowTest, SizingFailuresAreReportedAndDestroyTheWindow) {
    struct Case {
        const char* sentence;
        void (*inject)();
    };
    const Case cases[] = {
        {"Windows failed to get the coordinates of the main window: ",
         [] { platform::GetWindowRect = [](HWND, RECT*) -> BOOL { return FALSE; }; }},
        {"Windows failed to get the dimensions of the main window's client area: ",
         [] { platform::GetClientRect = [](HWND, RECT*) -> BOOL { return FALSE; }; }},
        {"Windows failed to resize the main window: ",
         [] { platform::MoveWindow = [](HWND, int, int, int, int, BOOL) -> BOOL { return FALSE; }; }},
    };
    ASSERT_NE(RegisterMainWindowClass(instance), 0);
    for (const Case& failure : cases) {
        SCOPED_TRACE(failure.sentence);
        platform::RestoreRealOperations();
        RecordMessageBoxes();
        messageBoxes.clear();
        InjectLastError();
        failure.inject();
        HWND created = nullptr;
        platform::CreateWindowExA = [&created](DWORD exStyle, LPCSTR className, LPCSTR title, DWORD style, int x,
                                               int y, int width, int height, HWND parent, HMENU menu,
                                               HINSTANCE from, LPVOID parameter) {
            created = platform::real::CreateWindowExA(exStyle, className, title, style, x, y, width, height,
                                                      parent, menu, from, parameter);
            return created;
        };
        EXPECT_EQ(CreateMainWindow(instance, SW_SHOWNORMAL), nullptr);
        ExpectOneFailureBox(failure.sentence, nullptr);
        ASSERT_NE(created, nullptr);
        EXPECT_FALSE(IsWindow(created));
    }
}

TEST_F(MainWindowTest, FailureToDestroyAfterAFailedCreationGivesASecondBox) {
    ASSERT_NE(RegisterMainWindowClass(instance), 0);
    InjectLastError();
    platform::MoveWindow = [](HWND, int, int, int, int, BOOL) -> BOOL { return FALSE; };
    HWND leftOver = nullptr;
    platform::DestroyWindow = [&leftOver](HWND window) -> BOOL {
        leftOver = window;
        return FALSE;
    };
    EXPECT_EQ(CreateMainWindow(instance, SW_SHOWNORMAL), nullptr);
    ASSERT_EQ(messageBoxes.size(), 2u);
    EXPECT_EQ(messageBoxes[1].text, "Windows failed to destroy the main window after an error in creation: " +
                                        GetFormattedWindowsError(InjectedError));
    EXPECT_FALSE(messageBoxes[1].hasCaption);
    platform::RestoreRealOperations();
    DestroyWindow(leftOver);
}

TEST_F(MainWindowTest, DestroyAndUnregisterFailuresAreReported) {
    ASSERT_NE(RegisterMainWindowClass(instance), 0);
    s_mainWindow = CreateMainWindow(instance, SW_SHOWNORMAL);
    ASSERT_NE(s_mainWindow, nullptr);
    InjectLastError();
    platform::DestroyWindow = [](HWND) -> BOOL { return FALSE; };
    EXPECT_FALSE(DestroyMainWindow());
    ExpectOneFailureBox("Windows failed to destroy the main window: ", "Couldn't Destroy Main Window");
    EXPECT_NE(s_mainWindow, nullptr);

    messageBoxes.clear();
    platform::UnregisterClassA = [](LPCSTR, HINSTANCE) -> BOOL { return FALSE; };
    EXPECT_FALSE(UnregisterMainWindowClass(instance));
    ExpectOneFailureBox("Windows failed to unregister the main window's class: ",
                        "Couldn't Unregister Main Window Class");
}

TEST_F(MainWindowTest, DestroyingWithoutAWindowSucceedsWithoutACall) {
    s_mainWindow = nullptr;
    bool called = false;
    platform::DestroyWindow = [&called](HWND) -> BOOL { return called = true; };
    EXPECT_TRUE(DestroyMainWindow());
    EXPECT_FALSE(called);
}

class WindowProcedureTest : public PlatformTest {
protected:
    void SetUp() override {
        s_mainWindow = reinterpret_cast<HWND>(0x1234);
        platform::PostQuitMessage = [this](int status) { quitStatuses.push_back(status); };
        platform::DefWindowProcA = [this](HWND, UINT message, WPARAM, LPARAM) -> LRESULT {
            defaultMessages.push_back(message);
            return 77;
        };
    }
    void TearDown() override {
        s_mainWindow = nullptr;
        PlatformTest::TearDown();
    }
    std::vector<int> quitStatuses;
    std::vector<UINT> defaultMessages;
};

TEST_F(WindowProcedureTest, EscapeAnsweredYesQuitsWithStatusOne) {
    RecordMessageBoxes(IDYES);
    const HWND window = s_mainWindow;
    EXPECT_EQ(MainWindowProcedure(window, WM_CHAR, 27, 0), 0);
    ASSERT_EQ(messageBoxes.size(), 1u);
    EXPECT_EQ(messageBoxes[0].owner, window);
    EXPECT_EQ(messageBoxes[0].text, "Are you sure you want to quit?");
    EXPECT_EQ(messageBoxes[0].caption, "Exit Program?");
    EXPECT_EQ(messageBoxes[0].flags, 0x24u);
    EXPECT_EQ(quitStatuses, std::vector<int>{1});
    EXPECT_TRUE(defaultMessages.empty());
}

TEST_F(WindowProcedureTest, EscapeAnsweredNoGoesOnToTheDefault) {
    RecordMessageBoxes(IDNO);
    EXPECT_EQ(MainWindowProcedure(s_mainWindow, WM_CHAR, 27, 0), 77);
    EXPECT_EQ(messageBoxes.size(), 1u);
    EXPECT_TRUE(quitStatuses.empty());
    EXPECT_EQ(defaultMessages, std::vector<UINT>{WM_CHAR});
}

TEST_F(WindowProcedureTest, OtherMessagesGoToTheDefaultAndTheEndOfTheWindowQuitsWithZero) {
    RecordMessageBoxes();
    const HWND window = s_mainWindow;
    EXPECT_EQ(MainWindowProcedure(window, WM_CHAR, 'a', 0), 77);
    EXPECT_EQ(MainWindowProcedure(window, WM_CLOSE, 0, 0), 77);
    EXPECT_EQ(MainWindowProcedure(window, WM_DESTROY, 0, 0), 77);
    EXPECT_TRUE(quitStatuses.empty());
    EXPECT_EQ(MainWindowProcedure(window, WM_NCDESTROY, 0, 0), 0);
    EXPECT_EQ(s_mainWindow, nullptr);
    EXPECT_EQ(quitStatuses, std::vector<int>{0});
    EXPECT_EQ(defaultMessages, (std::vector<UINT>{WM_CHAR, WM_CLOSE, WM_DESTROY}));
    EXPECT_TRUE(messageBoxes.empty());
}

}  // namespace
