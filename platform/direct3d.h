// The Direct3D 9 and D3DX 9 operations that the program calls, and what it relies on from each.
// Methods of an interface become functions whose first argument is the object. Nothing outside
// platform/ calls them directly.
#pragma once

#include "platform/operation.h"

#include <d3d9.h>
#include <d3dx9.h>

namespace platform {
#include "platform/direct3d_operations.inl"

// The program holds every Direct3D and D3DX object with one reference: gives it up, if held, and
// forgets the pointer.
template <typename Object>
void ReleaseAndClear(Object*& object) {
    if (object != nullptr) {
        Release(object);
        object = nullptr;
    }
}
}  // namespace platform
