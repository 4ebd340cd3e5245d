#include "tests/unit/mesh_fake_device.h"

#include "graphics/renderer.h"
#include "tests/support/file_contents.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t GuardBytes = 64;

// Stand-ins that are never dereferenced: every operation that would use them is a fake.
alignas(16) unsigned char fakeObjects[5][16];

template <typename Object>
Object* FakeObject(int which) {
    return reinterpret_cast<Object*>(fakeObjects[which]);
}

std::string NameOf(const void* object) {
    if (object == nullptr) {
        return "null";
    }
    const char* const names[] = {"device", "window", "declaration", "vertex buffer", "index buffer"};
    for (int i = 0; i < 5; ++i) {
        if (object == fakeObjects[i]) {
            return names[i];
        }
    }
    return "unknown";
}

std::string TempDirectory() {
    char directory[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathA(sizeof directory, directory);
    return length > 0 && length < sizeof directory ? std::string(directory, length) : std::string(".\\");
}

}  // namespace

const std::vector<MeshVertex> Square = {
    {-1.0f, 1.0f, 0.0f, 0xFFFF0000u},
    {1.0f, 1.0f, 0.0f, 0xFF00FF00u},
    {1.0f, -1.0f, 0.0f, 0xFF0000FFu},
    {-1.0f, -1.0f, 0.0f, 0xFFFFFFFFu},
};
const std::vector<std::uint32_t> SquareIndices = {0, 1, 2, 0, 2, 3};

std::vector<std::uint8_t> MeshFileBytes(std::uint32_t vertexCount, std::uint32_t indexCount,
                                        const std::vector<MeshVertex>& vertices,
                                        const std::vector<std::uint32_t>& indices) {
    std::vector<std::uint8_t> bytes(8 + vertices.size() * sizeof(MeshVertex) + indices.size() * 4);
    std::memcpy(bytes.data(), &vertexCount, 4);
    std::memcpy(bytes.data() + 4, &indexCount, 4);
    if (!vertices.empty()) {
        std::memcpy(bytes.data() + 8, vertices.data(), vertices.size() * sizeof(MeshVertex));
    }
    if (!indices.empty()) {
        std::memcpy(bytes.data() + 8 + vertices.size() * sizeof(MeshVertex), indices.data(), indices.size() * 4);
    }
    return bytes;
}

bool FakeBufferMemory::GuardIntact() const {
    return std::all_of(bytes.begin() + length, bytes.end(), [](std::uint8_t value) { return value == GuardByte; });
}

std::vector<std::uint8_t> FakeBufferMemory::Contents() const {
    return std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + length);
}

IDirect3DDevice9* MeshTest::FakeDevice() {
    return FakeObject<IDirect3DDevice9>(0);
}
HWND MeshTest::FakeWindow() {
    return FakeObject<HWND__>(1);
}
IDirect3DVertexDeclaration9* MeshTest::FakeDeclaration() {
    return FakeObject<IDirect3DVertexDeclaration9>(2);
}
IDirect3DVertexBuffer9* MeshTest::FakeVertexBuffer() {
    return FakeObject<IDirect3DVertexBuffer9>(3);
}
IDirect3DIndexBuffer9* MeshTest::FakeIndexBuffer() {
    return FakeObject<IDirect3DIndexBuffer9>(4);
}

bool MeshTest::Called(const std::string& call) const {
    return std::find(calls.begin(), calls.end(), call) != calls.end();
}

HRESULT MeshTest::Lock(const std::string& name, FakeBufferMemory& memory,
                       const std::optional<FakeBufferCreation>& creation, UINT offset, UINT size, void** data,
                       DWORD flags) {
    calls.push_back(name + "(" + std::to_string(offset) + ", " + std::to_string(size) + ", " + std::to_string(flags) +
                    ")");
    if (failingOperation == name) {
        return D3DERR_INVALIDCALL;
    }
    if (nullResultOperation == name) {
        *data = nullptr;
        return D3D_OK;
    }
    memory.length = creation->length;
    memory.bytes.assign(memory.length, FakeBufferMemory::FreshByte);
    memory.bytes.resize(memory.length + GuardBytes, FakeBufferMemory::GuardByte);
    *data = memory.bytes.data();
    return D3D_OK;
}

void MeshTest::SetUp() {
    RecordMessageBoxes();
    Renderer::device = FakeDevice();
    Renderer::window = FakeWindow();

    platform::GetCreationParameters = [this](IDirect3DDevice9* device, D3DDEVICE_CREATION_PARAMETERS* parameters) {
        calls.push_back("GetCreationParameters(" + NameOf(device) + ")");
        if (failingOperation == "GetCreationParameters") {
            return D3DERR_INVALIDCALL;
        }
        *parameters = D3DDEVICE_CREATION_PARAMETERS{};
        parameters->BehaviorFlags = behaviorFlags;
        return D3D_OK;
    };
    platform::CreateVertexDeclaration = [this](IDirect3DDevice9*, const D3DVERTEXELEMENT9* elements,
                                               IDirect3DVertexDeclaration9** declaration) {
        calls.push_back(std::string("CreateVertexDeclaration(") +
                        (elements == MeshVertexElements ? "MeshVertexElements" : "other") + ")");
        if (failingOperation == "CreateVertexDeclaration") {
            return D3DERR_INVALIDCALL;
        }
        *declaration = nullResultOperation == "CreateVertexDeclaration" ? nullptr : FakeDeclaration();
        return D3D_OK;
    };
    platform::SetVertexDeclaration = [this](IDirect3DDevice9*, IDirect3DVertexDeclaration9* declaration) {
        calls.push_back("SetVertexDeclaration(" + NameOf(declaration) + ")");
        return failingOperation == "SetVertexDeclaration" ? D3DERR_INVALIDCALL : D3D_OK;
    };
    // Like the real device: no buffer of length 0.
    platform::CreateVertexBuffer = [this](IDirect3DDevice9*, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                          IDirect3DVertexBuffer9** buffer, HANDLE* shared) {
        calls.push_back("CreateVertexBuffer(" + std::to_string(length) + ")");
        vertexBufferCreation = FakeBufferCreation{length, usage, fvf, pool};
        if (failingOperation == "CreateVertexBuffer" || length == 0 || shared != nullptr) {
            return D3DERR_INVALIDCALL;
        }
        if (length > LargestFakeBuffer) {
            return D3DERR_OUTOFVIDEOMEMORY;
        }
        *buffer = nullResultOperation == "CreateVertexBuffer" ? nullptr : FakeVertexBuffer();
        return D3D_OK;
    };
    platform::CreateIndexBuffer = [this](IDirect3DDevice9*, UINT length, DWORD usage, D3DFORMAT format,
                                         D3DPOOL pool, IDirect3DIndexBuffer9** buffer, HANDLE* shared) {
        calls.push_back("CreateIndexBuffer(" + std::to_string(length) + ")");
        indexBufferCreation = FakeBufferCreation{length, usage, static_cast<DWORD>(format), pool};
        if (failingOperation == "CreateIndexBuffer" || length == 0 || shared != nullptr) {
            return D3DERR_INVALIDCALL;
        }
        if (length > LargestFakeBuffer) {
            return D3DERR_OUTOFVIDEOMEMORY;
        }
        *buffer = nullResultOperation == "CreateIndexBuffer" ? nullptr : FakeIndexBuffer();
        return D3D_OK;
    };
    platform::LockVertexBuffer = [this](IDirect3DVertexBuffer9*, UINT offset, UINT size, void** data, DWORD flags) {
        return Lock("LockVertexBuffer", vertexMemory, vertexBufferCreation, offset, size, data, flags);
    };
    platform::LockIndexBuffer = [this](IDirect3DIndexBuffer9*, UINT offset, UINT size, void** data, DWORD flags) {
        return Lock("LockIndexBuffer", indexMemory, indexBufferCreation, offset, size, data, flags);
    };
    platform::UnlockVertexBuffer = [this](IDirect3DVertexBuffer9*) {
        calls.push_back("UnlockVertexBuffer");
        return failingOperation == "UnlockVertexBuffer" ? D3DERR_INVALIDCALL : D3D_OK;
    };
    platform::UnlockIndexBuffer = [this](IDirect3DIndexBuffer9*) {
        calls.push_back("UnlockIndexBuffer");
        return failingOperation == "UnlockIndexBuffer" ? D3DERR_INVALIDCALL : D3D_OK;
    };
    platform::Release = [this](IUnknown* object) {
        calls.push_back("Release(" + NameOf(object) + ")");
        return ULONG{0};
    };
    // The file operations stay real unless the test says otherwise; what the mesh asks of them is
    // logged.
    platform::ReadFile = [this](HANDLE file, LPVOID buffer, DWORD count, LPDWORD countRead, LPOVERLAPPED overlapped) {
        calls.push_back("ReadFile(" + std::to_string(count) + ")");
        return platform::real::ReadFile(file, buffer, count, countRead, overlapped);
    };
    platform::GetFileSizeEx = [this](HANDLE file, LARGE_INTEGER* size) -> BOOL {
        calls.push_back("GetFileSizeEx");
        if (failingOperation == "GetFileSizeEx") {
            return FALSE;
        }
        if (reportedFileSize) {
            size->QuadPart = *reportedFileSize;
            return TRUE;
        }
        return platform::real::GetFileSizeEx(file, size);
    };
    platform::CloseHandle = [this](HANDLE handle) {
        calls.push_back("CloseHandle");
        return platform::real::CloseHandle(handle);
    };
}

void MeshTest::TearDown() {
    Renderer::device = nullptr;
    Renderer::window = nullptr;
    PlatformTest::TearDown();
    for (const std::string& path : files) {
        DeleteFileA(path.c_str());
    }
}

std::string MeshTest::WriteMeshFile(const std::vector<std::uint8_t>& bytes) {
    const std::string path = MissingFilePath();
    files.push_back(path);
    EXPECT_TRUE(WriteFileContents(path, bytes.data(), bytes.size())) << "cannot write " << path;
    return path;
}

std::string MeshTest::MissingFilePath() {
    const ::testing::TestInfo* const test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = test != nullptr ? test->name() : "test";
    std::replace(name.begin(), name.end(), '/', '_');  // parameterised tests are named Case/N
    return TempDirectory() + "mesh_test_" + std::to_string(GetCurrentProcessId()) + "_" + name + "_" +
           std::to_string(pathsMade++) + ".mesh.bin";
}
