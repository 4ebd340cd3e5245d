// The replaceable operations of the test build, each starting out as the real call.
#include "platform/seam.h"

#undef PLATFORM_OPERATION
#define PLATFORM_OPERATION(Result, Name, Parameters, Call) \
    std::function<Result Parameters>& Name = *new std::function<Result Parameters>(real::Name);
namespace platform {
#include "platform/win32_operations.inl"
#include "platform/direct3d_operations.inl"
}  // namespace platform

#undef PLATFORM_OPERATION
#define PLATFORM_OPERATION(Result, Name, Parameters, Call) Name = real::Name;
void platform::RestoreRealOperations() {
#include "platform/win32_operations.inl"
#include "platform/direct3d_operations.inl"
}
