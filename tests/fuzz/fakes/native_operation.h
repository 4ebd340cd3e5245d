// How a platform operation is declared in the native build, included ahead of every source file:
// there is no Windows, Direct3D or D3DX to call on Linux, so every operation is a replaceable
// std::function with no real call behind it. fakes/native_operations.cpp defines them all.
#pragma once

#include "platform/operation.h"

#include <functional>

#undef PLATFORM_OPERATION
#define PLATFORM_OPERATION(Result, Name, Parameters, Call) extern std::function<Result Parameters>& Name;
