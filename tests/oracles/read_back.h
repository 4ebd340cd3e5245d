// What the checks read back of what the readers made and wrote, through the platform that the build
// runs on: the real device and process under Wine, or the native build's fakes. Each build links
// one implementation.
#pragma once

#include "platform/direct3d.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// A buffer's whole contents and its format (D3DFMT_VERTEXDATA for a vertex buffer).
struct BufferContents {
    std::vector<std::uint8_t> bytes;
    D3DFORMAT format;
};

// None when the buffer cannot be read back.
std::optional<BufferContents> ReadBack(IDirect3DVertexBuffer9* buffer);
std::optional<BufferContents> ReadBack(IDirect3DIndexBuffer9* buffer);

// What the process wrote to standard error while run ran.
std::string StandardErrorDuring(const std::function<void()>& run);
