// Every platform operation of the native build. Each starts out stopping the process with its
// name: the readers are fuzzed with the fakes of fakes/platform_fakes.h in place, so an operation
// that none of those fakes answers is one the readers were not expected to call.
#include "platform/direct3d.h"
#include "platform/win32.h"

#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void StopAtUnexpectedCall(const char* name) {
    std::fprintf(stderr, "The readers called platform::%s, which the native build does not fake\n", name);
    std::abort();
}

template <typename Result>
auto Unexpected(const char* name) {
    return [name](auto&&...) -> Result { StopAtUnexpectedCall(name); };
}

}  // namespace

#undef PLATFORM_OPERATION
#define PLATFORM_OPERATION(Result, Name, Parameters, Call) \
    std::function<Result Parameters>& Name = *new std::function<Result Parameters>(Unexpected<Result>(#Name));
namespace platform {
#include "platform/win32_operations.inl"
#include "platform/direct3d_operations.inl"
}  // namespace platform
