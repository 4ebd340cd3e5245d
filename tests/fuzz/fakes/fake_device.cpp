// A Direct3D 9 device of heap objects. Each object is the fake's own, handed out under the
// interface's pointer type and never used through it: every operation that takes one looks it up
// first, so that one already released, or of another kind, stops the process. A buffer is one
// block of exactly the length asked for, open to writes only while it is locked, so that
// AddressSanitizer reports a write past its end or through a lock that has ended.
#include "tests/fuzz/fakes/platform_fakes.h"
#include "tests/fuzz/fakes/shader_walk.h"
#include "tests/oracles/read_back.h"

#include "graphics/renderer.h"

#include <sanitizer/asan_interface.h>

#include <map>
#include <memory>

namespace {

enum class Kind { Declaration, VertexBuffer, IndexBuffer, VertexShader, PixelShader, ConstantTable };

struct Object {
    explicit Object(Kind objectKind) : kind(objectKind) {}
    virtual ~Object() = default;
    const Kind kind;
};

struct Buffer : Object {
    Buffer(Kind bufferKind, UINT bufferLength, D3DFORMAT bufferFormat)
        : Object(bufferKind), block(new unsigned char[bufferLength]), length(bufferLength), format(bufferFormat) {
        ASAN_POISON_MEMORY_REGION(block.get(), length);
    }
    ~Buffer() override { ASAN_UNPOISON_MEMORY_REGION(block.get(), length); }

    std::unique_ptr<unsigned char[]> block;
    const UINT length;
    const D3DFORMAT format;
    unsigned locks = 0;
};

struct ConstantTable : Object {
    explicit ConstantTable(std::vector<std::string> constantNames)
        : Object(Kind::ConstantTable), names(std::move(constantNames)) {}
    const std::vector<std::string> names;
};

std::map<const void*, std::unique_ptr<Object>> objects;
alignas(16) unsigned char deviceStandIn[16];
alignas(16) unsigned char windowStandIn[16];

void CheckDevice(IDirect3DDevice9* device) {
    if (device != reinterpret_cast<IDirect3DDevice9*>(deviceStandIn)) {
        fake::StopWithFinding("a call on a device that is not the fake device");
    }
}

template <typename Made, typename Interface>
HRESULT Keep(std::unique_ptr<Made> object, Interface** made) {
    if (made == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *made = reinterpret_cast<Interface*>(object.get());
    objects.emplace(object.get(), std::move(object));
    return D3D_OK;
}

template <typename Found = Object>
Found& Find(const void* pointer, Kind kind, const char* operation) {
    const auto found = objects.find(pointer);
    if (found == objects.end() || found->second->kind != kind) {
        fake::StopWithFinding(std::string(operation) + " of an object that is not a live one of its kind");
    }
    return static_cast<Found&>(*found->second);
}

template <typename Interface>
HRESULT CreateBuffer(Kind kind, UINT length, D3DFORMAT format, HANDLE* shared, Interface** made) {
    if (length == 0 || shared != nullptr) {
        return D3DERR_INVALIDCALL;
    }
    return Keep(std::make_unique<Buffer>(kind, length, format), made);
}

HRESULT Lock(Buffer& buffer, UINT offset, UINT size, void** data) {
    if (data == nullptr || offset > buffer.length || size > buffer.length - offset) {
        return D3DERR_INVALIDCALL;
    }
    const UINT locked = size == 0 ? buffer.length - offset : size;
    ASAN_UNPOISON_MEMORY_REGION(buffer.block.get() + offset, locked);
    *data = buffer.block.get() + offset;
    ++buffer.locks;
    return D3D_OK;
}

HRESULT Unlock(Buffer& buffer) {
    if (buffer.locks == 0) {
        return D3DERR_INVALIDCALL;
    }
    if (--buffer.locks == 0) {
        ASAN_POISON_MEMORY_REGION(buffer.block.get(), buffer.length);
    }
    return D3D_OK;
}

template <typename Interface>
HRESULT CreateShader(IDirect3DDevice9* device, const DWORD* code, Kind kind, DWORD versionType, Interface** made) {
    CheckDevice(device);
    if (code == nullptr || !ReadTokenStream(code, versionType)) {
        return D3DERR_INVALIDCALL;
    }
    return Keep(std::make_unique<Object>(kind), made);
}

std::optional<BufferContents> Contents(const void* pointer, Kind kind) {
    const Buffer& buffer = Find<Buffer>(pointer, kind, "a read-back");
    ASAN_UNPOISON_MEMORY_REGION(buffer.block.get(), buffer.length);
    BufferContents contents{std::vector<std::uint8_t>(buffer.block.get(), buffer.block.get() + buffer.length),
                            buffer.format};
    if (buffer.locks == 0) {
        ASAN_POISON_MEMORY_REGION(buffer.block.get(), buffer.length);
    }
    return contents;
}

}  // namespace

std::size_t fake::LiveObjectCount() {
    return objects.size();
}

std::optional<BufferContents> ReadBack(IDirect3DVertexBuffer9* buffer) {
    return Contents(buffer, Kind::VertexBuffer);
}

std::optional<BufferContents> ReadBack(IDirect3DIndexBuffer9* buffer) {
    return Contents(buffer, Kind::IndexBuffer);
}

void fake::InstallDevice() {
    Renderer::device = reinterpret_cast<IDirect3DDevice9*>(deviceStandIn);
    Renderer::window = reinterpret_cast<HWND>(windowStandIn);
    platform::Release = [](IUnknown* object) -> ULONG {
        if (objects.erase(object) == 0) {
            StopWithFinding("Release of an object that is not a live one");
        }
        return 0;
    };
    platform::GetCreationParameters = [](IDirect3DDevice9* device, D3DDEVICE_CREATION_PARAMETERS* parameters) {
        CheckDevice(device);
        *parameters = {D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, Renderer::window, D3DCREATE_HARDWARE_VERTEXPROCESSING};
        return D3D_OK;
    };
    platform::CreateVertexDeclaration = [](IDirect3DDevice9* device, const D3DVERTEXELEMENT9*,
                                           IDirect3DVertexDeclaration9** declaration) {
        CheckDevice(device);
        return Keep(std::make_unique<Object>(Kind::Declaration), declaration);
    };
    platform::SetVertexDeclaration = [](IDirect3DDevice9* device, IDirect3DVertexDeclaration9* declaration) {
        CheckDevice(device);
        if (declaration != nullptr) {
            Find(declaration, Kind::Declaration, "SetVertexDeclaration");
        }
        return D3D_OK;
    };
    platform::CreateVertexBuffer = [](IDirect3DDevice9* device, UINT length, DWORD, DWORD, D3DPOOL,
                                      IDirect3DVertexBuffer9** buffer, HANDLE* shared) {
        CheckDevice(device);
        return CreateBuffer(Kind::VertexBuffer, length, D3DFMT_VERTEXDATA, shared, buffer);
    };
    platform::CreateIndexBuffer = [](IDirect3DDevice9* device, UINT length, DWORD, D3DFORMAT format, D3DPOOL,
                                     IDirect3DIndexBuffer9** buffer, HANDLE* shared) {
        CheckDevice(device);
        if (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32) {
            return D3DERR_INVALIDCALL;
        }
        return CreateBuffer(Kind::IndexBuffer, length, format, shared, buffer);
    };
    platform::LockVertexBuffer = [](IDirect3DVertexBuffer9* buffer, UINT offset, UINT size, void** data, DWORD) {
        return Lock(Find<Buffer>(buffer, Kind::VertexBuffer, "LockVertexBuffer"), offset, size, data);
    };
    platform::UnlockVertexBuffer = [](IDirect3DVertexBuffer9* buffer) {
        return Unlock(Find<Buffer>(buffer, Kind::VertexBuffer, "UnlockVertexBuffer"));
    };
    platform::LockIndexBuffer = [](IDirect3DIndexBuffer9* buffer, UINT offset, UINT size, void** data, DWORD) {
        return Lock(Find<Buffer>(buffer, Kind::IndexBuffer, "LockIndexBuffer"), offset, size, data);
    };
    platform::UnlockIndexBuffer = [](IDirect3DIndexBuffer9* buffer) {
        return Unlock(Find<Buffer>(buffer, Kind::IndexBuffer, "UnlockIndexBuffer"));
    };
    platform::CreateVertexShader = [](IDirect3DDevice9* device, const DWORD* code, IDirect3DVertexShader9** shader) {
        return CreateShader(device, code, Kind::VertexShader, 0xFFFE0000u, shader);
    };
    platform::CreatePixelShader = [](IDirect3DDevice9* device, const DWORD* code, IDirect3DPixelShader9** shader) {
        return CreateShader(device, code, Kind::PixelShader, 0xFFFF0000u, shader);
    };
    platform::D3DXGetShaderConstantTable = [](const DWORD* code, ID3DXConstantTable** table) -> HRESULT {
        std::optional<std::vector<std::string>> names;
        if (code == nullptr || !(names = ReadConstantTable(code))) {
            return D3DXERR_INVALIDDATA;
        }
        return Keep(std::make_unique<ConstantTable>(std::move(*names)), table);
    };
    platform::GetConstantByName = [](ID3DXConstantTable* table, D3DXHANDLE parent, LPCSTR name) -> D3DXHANDLE {
        const auto& names = Find<ConstantTable>(table, Kind::ConstantTable, "GetConstantByName").names;
        for (const std::string& each : names) {
            if (parent == nullptr && name != nullptr && each == name) {
                return each.c_str();
            }
        }
        return nullptr;
    };
}
