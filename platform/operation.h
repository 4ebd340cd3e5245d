// How an operation of the platform is declared.
//
// In the shipped program an operation is an inline function that forwards straight to Windows,
// Direct3D 9 or D3DX, so the seam costs nothing. Built with GAME_PLATFORM_SEAM (the test build), an
// operation is a replaceable std::function that starts out as the real call: a test swaps one
// operation to inject a failure or to record its calls, and every other operation stays real. The
// replaceable operations are never destroyed, so that objects destroyed at exit can still use them.
#pragma once

#if defined(GAME_PLATFORM_SEAM)
#include <functional>
#define PLATFORM_OPERATION(Result, Name, Parameters, Call)        \
    namespace real {                                              \
    inline Result Name Parameters { return Call; }                \
    }                                                             \
    extern std::function<Result Parameters>& Name;
#else
#define PLATFORM_OPERATION(Result, Name, Parameters, Call) \
    inline Result Name Parameters { return Call; }
#endif
