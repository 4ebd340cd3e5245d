// The campaign's read-back on the real device and process: buffers through read-only locks, which
// Wine allows and only the checks make, and standard error through its descriptor.
#include "tests/oracles/read_back.h"

#include "tests/support/material_test_support.h"

namespace {

template <typename Description, typename Buffer>
std::optional<BufferContents> ReadBackBuffer(Buffer* buffer) {
    Description description{};
    void* data = nullptr;
    if (FAILED(buffer->GetDesc(&description)) || FAILED(buffer->Lock(0, 0, &data, D3DLOCK_READONLY)) ||
        data == nullptr) {
        return std::nullopt;
    }
    const auto* const bytes = static_cast<const std::uint8_t*>(data);
    BufferContents contents{std::vector<std::uint8_t>(bytes, bytes + description.Size), description.Format};
    buffer->Unlock();
    return contents;
}

}  // namespace

std::optional<BufferContents> ReadBack(IDirect3DVertexBuffer9* buffer) {
    return ReadBackBuffer<D3DVERTEXBUFFER_DESC>(buffer);
}

std::optional<BufferContents> ReadBack(IDirect3DIndexBuffer9* buffer) {
    return ReadBackBuffer<D3DINDEXBUFFER_DESC>(buffer);
}

std::string StandardErrorDuring(const std::function<void()>& run) {
    StandardErrorCapture capture;
    run();
    return capture.Stop();
}
