// One line per Win32 or runtime operation. Included inside namespace platform, twice in the test build.

// Window class. A non-zero atom, and a non-zero result from unregistering, on success.
PLATFORM_OPERATION(ATOM, RegisterClassExA, (const WNDCLASSEXA* windowClass), ::RegisterClassExA(windowClass))
PLATFORM_OPERATION(BOOL, UnregisterClassA, (LPCSTR className, HINSTANCE instance), ::UnregisterClassA(className, instance))
// The icons of the program's own resources and the system's arrow cursor.
PLATFORM_OPERATION(HICON, LoadIconA, (HINSTANCE instance, LPCSTR name), ::LoadIconA(instance, name))
PLATFORM_OPERATION(HCURSOR, LoadCursorA, (HINSTANCE instance, LPCSTR name), ::LoadCursorA(instance, name))

// The main window. A handle or null; non-zero results on success.
PLATFORM_OPERATION(HWND, CreateWindowExA,
                   (DWORD exStyle, LPCSTR className, LPCSTR title, DWORD style, int x, int y, int width,
                    int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID parameter),
                   ::CreateWindowExA(exStyle, className, title, style, x, y, width, height, parent, menu,
                                     instance, parameter))
PLATFORM_OPERATION(BOOL, GetWindowRect, (HWND window, RECT* rect), ::GetWindowRect(window, rect))
PLATFORM_OPERATION(BOOL, GetClientRect, (HWND window, RECT* rect), ::GetClientRect(window, rect))
PLATFORM_OPERATION(BOOL, MoveWindow, (HWND window, int x, int y, int width, int height, BOOL repaint),
                   ::MoveWindow(window, x, y, width, height, repaint))
PLATFORM_OPERATION(BOOL, ShowWindow, (HWND window, int showMode), ::ShowWindow(window, showMode))
// Every destruction sends WM_NCDESTROY to the window procedure.
PLATFORM_OPERATION(BOOL, DestroyWindow, (HWND window), ::DestroyWindow(window))
// The default handling of a close destroys the window.
PLATFORM_OPERATION(LRESULT, DefWindowProcA, (HWND window, UINT message, WPARAM wParam, LPARAM lParam),
                   ::DefWindowProcA(window, message, wParam, lParam))

// Messages. PeekMessageA with PM_REMOVE never waits and returns TRUE when it took a message.
PLATFORM_OPERATION(BOOL, PeekMessageA, (MSG* message, HWND window, UINT first, UINT last, UINT remove),
                   ::PeekMessageA(message, window, first, last, remove))
// Turns the Escape key into WM_CHAR 27.
PLATFORM_OPERATION(BOOL, TranslateMessage, (const MSG* message), ::TranslateMessage(message))
PLATFORM_OPERATION(LRESULT, DispatchMessageA, (const MSG* message), ::DispatchMessageA(message))
// A later PeekMessageA takes WM_QUIT with this value in wParam.
PLATFORM_OPERATION(void, PostQuitMessage, (int exitCode), ::PostQuitMessage(exitCode))
// A modal box that returns when the user closes it.
PLATFORM_OPERATION(int, MessageBoxA, (HWND owner, LPCSTR text, LPCSTR caption, UINT type),
                   ::MessageBoxA(owner, text, caption, type))

// Bits other than the lowest are set while the key is held, whichever program the user types into.
PLATFORM_OPERATION(SHORT, GetAsyncKeyState, (int virtualKey), ::GetAsyncKeyState(virtualKey))
// The window the user works in, of whichever program; null while none is (activation is changing).
PLATFORM_OPERATION(HWND, GetForegroundWindow, (), ::GetForegroundWindow())
// Non-zero while the window is minimized.
PLATFORM_OPERATION(BOOL, IsIconic, (HWND window), ::IsIconic(window))

// Error texts: the thread's last error code, the system text for a code (0 when there is none). The
// inserts are untyped here because the compiler's va_list carries attributes that a std::function drops.
PLATFORM_OPERATION(DWORD, GetLastError, (), ::GetLastError())
PLATFORM_OPERATION(DWORD, FormatMessageA,
                   (DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPSTR buffer, DWORD size,
                    void* arguments),
                   ::FormatMessageA(flags, source, messageId, languageId, buffer, size,
                                    static_cast<va_list*>(arguments)))
PLATFORM_OPERATION(HLOCAL, LocalFree, (HLOCAL memory), ::LocalFree(memory))

// Compiled shader files: INVALID_HANDLE_VALUE or a handle; the 64-bit size; non-zero on success.
PLATFORM_OPERATION(HANDLE, CreateFileA,
                   (LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
                    DWORD attributes, HANDLE templateFile),
                   ::CreateFileA(path, access, share, security, disposition, attributes, templateFile))
PLATFORM_OPERATION(BOOL, GetFileSizeEx, (HANDLE file, LARGE_INTEGER* size), ::GetFileSizeEx(file, size))
PLATFORM_OPERATION(BOOL, ReadFile, (HANDLE file, LPVOID buffer, DWORD count, LPDWORD countRead, LPOVERLAPPED overlapped),
                   ::ReadFile(file, buffer, count, countRead, overlapped))
PLATFORM_OPERATION(BOOL, CloseHandle, (HANDLE handle), ::CloseHandle(handle))

// A DLL, loaded for the rest of the run; null when it cannot be found or loaded.
PLATFORM_OPERATION(HMODULE, LoadLibraryA, (LPCSTR name), ::LoadLibraryA(name))
// Gives the processor to others for about this long.
PLATFORM_OPERATION(void, Sleep, (DWORD milliseconds), ::Sleep(milliseconds))

// Milliseconds since the system started, to bound work in seconds; it wraps only after 500 million years.
PLATFORM_OPERATION(ULONGLONG, GetTickCount64, (), ::GetTickCount64())

// The performance counter: non-zero on success; counts per second; the current count.
PLATFORM_OPERATION(BOOL, QueryPerformanceFrequency, (LARGE_INTEGER* frequency), ::QueryPerformanceFrequency(frequency))
PLATFORM_OPERATION(BOOL, QueryPerformanceCounter, (LARGE_INTEGER* count), ::QueryPerformanceCounter(count))

// The C runtime: ends the process (static objects destroyed), and the heap of the shader code.
PLATFORM_OPERATION(void, exit, (int status), std::exit(status))
PLATFORM_OPERATION(void*, malloc, (std::size_t size), std::malloc(size))
PLATFORM_OPERATION(void, free, (void* block), std::free(block))
