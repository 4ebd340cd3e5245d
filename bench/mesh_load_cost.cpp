#include "bench/mesh_load_cost.h"

#include "assets/mesh.h"
#include "bench/clock.h"
#include "bench/rounds.h"
#include "graphics/renderer.h"
#include "tools/mesh_builder/mesh_source.h"
#include "tools/whole_file.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Columns and rows of quads for `quads` quads: as square as the factors allow.
void GridSize(std::uint32_t quads, std::uint32_t& columns, std::uint32_t& rows) {
    rows = 1;
    for (std::uint32_t candidate = 1; candidate * candidate <= quads; ++candidate) {
        if (quads % candidate == 0) {
            rows = candidate;
        }
    }
    columns = quads / rows;
}

// One ReadFile straight into the whole of a locked buffer.
template <typename Buffer>
bool ReadIntoLocked(HANDLE file, Buffer* buffer, DWORD bytes) {
    void* data = nullptr;
    DWORD read = 0;
    if (FAILED(buffer->Lock(0, 0, &data, 0)) || data == nullptr) {
        return false;
    }
    const BOOL succeeded = ReadFile(file, data, bytes, &read, nullptr);
    return SUCCEEDED(buffer->Unlock()) && succeeded && read == bytes;
}

// The bare limit; given indices, also the least that a load which checks them must add: one pass of
// the program's own check over them, here over a copy in ordinary memory, since the locked buffer is
// write-only and never read back.
double BareLoadSeconds(const std::string& path, const std::vector<std::uint32_t>* indicesToCheck, bool& succeeded) {
    IDirect3DDevice9* const device = Renderer::device;
    IDirect3DVertexBuffer9* vertexBuffer = nullptr;
    IDirect3DIndexBuffer9* indexBuffer = nullptr;
    const double start = Now();
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    std::uint32_t counts[2] = {0, 0};
    DWORD read = 0;
    succeeded = file != INVALID_HANDLE_VALUE && ReadFile(file, counts, sizeof counts, &read, nullptr) &&
                read == sizeof counts;
    const DWORD vertexBytes = counts[0] * 16;
    const DWORD indexBytes = counts[1] / 3 * 12;
    succeeded = succeeded &&
                SUCCEEDED(device->CreateVertexBuffer(vertexBytes, D3DUSAGE_WRITEONLY, 0, D3DPOOL_DEFAULT,
                                                     &vertexBuffer, nullptr)) &&
                ReadIntoLocked(file, vertexBuffer, vertexBytes) &&
                SUCCEEDED(device->CreateIndexBuffer(indexBytes, D3DUSAGE_WRITEONLY, D3DFMT_INDEX32, D3DPOOL_DEFAULT,
                                                    &indexBuffer, nullptr)) &&
                ReadIntoLocked(file, indexBuffer, indexBytes);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
    }
    if (indicesToCheck != nullptr) {
        succeeded = succeeded && IndicesBelow(indicesToCheck->data(), indicesToCheck->size(), counts[0]);
    }
    const double seconds = Now() - start;
    platform::ReleaseAndClear(vertexBuffer);
    platform::ReleaseAndClear(indexBuffer);
    return seconds;
}

double ProgramLoadSeconds(const std::string& path, bool& succeeded) {
    Mesh mesh;
    const double start = Now();
    mesh.Load(path);
    const double seconds = Now() - start;
    succeeded = mesh.vertexBuffer != nullptr && mesh.indexBuffer != nullptr;
    mesh.ReleaseDirect3DObjects();
    return seconds;
}

// The whole triangles of the mesh file's index block, as the program reads them.
bool ReadIndices(const std::string& path, std::vector<std::uint32_t>& indices) {
    std::string bytes;
    std::uint32_t counts[2] = {0, 0};
    if (!ReadWholeFile(path.c_str(), &bytes) || bytes.size() < sizeof counts) {
        return false;
    }
    std::memcpy(counts, bytes.data(), sizeof counts);
    const std::size_t offset = sizeof counts + std::size_t{counts[0]} * sizeof(MeshVertex);
    indices.resize(counts[1] / 3 * 3);
    if (bytes.size() < offset + indices.size() * sizeof(std::uint32_t)) {
        return false;
    }
    std::memcpy(indices.data(), bytes.data() + offset, indices.size() * sizeof(std::uint32_t));
    return true;
}

}  // namespace

bool WriteGridMeshFile(const std::string& path, std::uint32_t triangles) {
    std::uint32_t columns = 0;
    std::uint32_t rows = 0;
    GridSize(triangles / 2, columns, rows);
    MeshSource grid;
    grid.vertices.reserve(static_cast<std::size_t>(columns + 1) * (rows + 1));
    for (std::uint32_t row = 0; row <= rows; ++row) {
        for (std::uint32_t column = 0; column <= columns; ++column) {
            const float x = -1.0f + 2.0f * static_cast<float>(column) / static_cast<float>(columns);
            const float y = 1.0f - 2.0f * static_cast<float>(row) / static_cast<float>(rows);
            const auto shade = static_cast<std::uint32_t>(255 * column / columns);
            grid.vertices.push_back({x, y, 0.0f, 0xFF000000u | shade << 16 | (255 - shade) << 8});
        }
    }
    grid.indices.reserve(static_cast<std::size_t>(triangles) * 3);
    for (std::uint32_t row = 0; row < rows; ++row) {
        for (std::uint32_t column = 0; column < columns; ++column) {
            const std::uint32_t topLeft = row * (columns + 1) + column;
            const std::uint32_t bottomLeft = topLeft + columns + 1;
            // Clockwise as seen from the camera: top left, top right, bottom right, bottom left.
            grid.indices.insert(grid.indices.end(),
                                {topLeft, topLeft + 1, bottomLeft + 1, topLeft, bottomLeft + 1, bottomLeft});
        }
    }
    const std::vector<std::uint8_t> bytes = EncodeMeshFile(grid);
    return WriteWholeFile(path.c_str(), bytes.data(), bytes.size());
}

bool MeasureLoadCost(const std::string& path, int loads, LoadCost& cost) {
    const DeviceIdleWait waitForDevice(Renderer::device);
    if (!waitForDevice.Usable()) {
        std::fprintf(stderr, "The device gives no event query to wait for its work with\n");
        return false;
    }
    std::vector<std::uint32_t> indices;
    if (!ReadIndices(path, indices)) {
        std::fprintf(stderr, "%s could not be read\n", path.c_str());
        return false;
    }
    std::vector<double> seconds[3];
    for (int load = 0; load < loads; ++load) {
        // Each variant goes first in turn, so that none always follows the same one.
        for (int turn = 0; turn < 3; ++turn) {
            const int variant = (load + turn) % 3;
            bool loaded = false;
            seconds[variant].push_back(variant == 0   ? ProgramLoadSeconds(path, loaded)
                                       : variant == 1 ? BareLoadSeconds(path, nullptr, loaded)
                                                      : BareLoadSeconds(path, &indices, loaded));
            waitForDevice();
            if (!loaded) {
                std::fprintf(stderr, "%s did not load into both buffers\n", path.c_str());
                return false;
            }
        }
    }
    cost = {Percentile(seconds[0], 0.5), Percentile(seconds[1], 0.5), Percentile(seconds[2], 0.5)};
    return true;
}
