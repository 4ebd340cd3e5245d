#include "tests/unit/frame_picture.h"

#include "tests/support/file_contents.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>

namespace {

int Channel(std::uint32_t colour, int shift) {
    return static_cast<int>((colour >> shift) & 0xFFu);
}

void AppendBigEndian(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        bytes.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

void AppendChunk(std::vector<std::uint8_t>& file, const char type[5], const std::vector<std::uint8_t>& data) {
    AppendBigEndian(file, static_cast<std::uint32_t>(data.size()));
    const std::size_t typeStart = file.size();
    file.insert(file.end(), type, type + 4);
    file.insert(file.end(), data.begin(), data.end());
    AppendBigEndian(file, Crc32(file.data() + typeStart, file.size() - typeStart));
}

// A zlib stream of stored blocks: no compression, so nothing here can get the picture wrong.
std::vector<std::uint8_t> StoredZlib(const std::vector<std::uint8_t>& raw) {
    std::vector<std::uint8_t> stream = {0x78, 0x01};
    constexpr std::size_t LargestBlock = 65535;
    std::size_t offset = 0;
    do {
        const std::size_t length = std::min(LargestBlock, raw.size() - offset);
        const bool last = offset + length == raw.size();
        stream.push_back(last ? 1 : 0);
        stream.push_back(static_cast<std::uint8_t>(length));
        stream.push_back(static_cast<std::uint8_t>(length >> 8));
        stream.push_back(static_cast<std::uint8_t>(~length));
        stream.push_back(static_cast<std::uint8_t>(~length >> 8));
        stream.insert(stream.end(), raw.begin() + static_cast<std::ptrdiff_t>(offset),
                      raw.begin() + static_cast<std::ptrdiff_t>(offset + length));
        offset += length;
    } while (offset < raw.size());
    std::uint32_t a = 1;
    std::uint32_t b = 0;
    for (const std::uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    AppendBigEndian(stream, (b << 16) | a);
    return stream;
}

}  // namespace

bool ReadBackBuffer(IDirect3DDevice9* device, Picture& picture) {
    picture = Picture{};
    IDirect3DSurface9* backBuffer = nullptr;
    IDirect3DSurface9* copy = nullptr;
    D3DSURFACE_DESC description{};
    D3DLOCKED_RECT locked{};
    bool read = SUCCEEDED(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer)) &&
                SUCCEEDED(backBuffer->GetDesc(&description)) &&
                SUCCEEDED(device->CreateOffscreenPlainSurface(description.Width, description.Height,
                                                              description.Format, D3DPOOL_SYSTEMMEM, &copy,
                                                              nullptr)) &&
                SUCCEEDED(device->GetRenderTargetData(backBuffer, copy)) &&
                SUCCEEDED(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY));
    if (read) {
        picture.width = static_cast<int>(description.Width);
        picture.height = static_cast<int>(description.Height);
        picture.pixels.reserve(description.Width * description.Height);
        for (int y = 0; y < picture.height; ++y) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(static_cast<const std::uint8_t*>(locked.pBits) +
                                                                     y * locked.Pitch);
            for (int x = 0; x < picture.width; ++x) {
                picture.pixels.push_back(row[x] & 0x00FFFFFFu);
            }
        }
        copy->UnlockRect();
    }
    if (copy != nullptr) {
        copy->Release();
    }
    if (backBuffer != nullptr) {
        backBuffer->Release();
    }
    return read;
}

bool ColoursMatch(std::uint32_t actual, std::uint32_t expected, int tolerance) {
    for (const int shift : {16, 8, 0}) {
        if (std::abs(Channel(actual, shift) - Channel(expected, shift)) > tolerance) {
            return false;
        }
    }
    return true;
}

std::string ColourText(std::uint32_t colour) {
    char text[16];
    std::snprintf(text, sizeof text, "%06X", static_cast<unsigned>(colour & 0xFFFFFFu));
    return text;
}

ColourRegion FindColour(const Picture& picture, std::uint32_t colour, int tolerance) {
    ColourRegion region;
    region.left = picture.width;
    region.top = picture.height;
    double sumX = 0.0;
    double sumY = 0.0;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            if (!ColoursMatch(picture.At(x, y), colour, tolerance)) {
                continue;
            }
            ++region.count;
            sumX += x;
            sumY += y;
            region.left = std::min(region.left, x);
            region.top = std::min(region.top, y);
            region.right = std::max(region.right, x);
            region.bottom = std::max(region.bottom, y);
        }
    }
    if (region.count > 0) {
        region.centreX = sumX / region.count;
        region.centreY = sumY / region.count;
    }
    return region;
}

std::string FramePicturePath(const std::string& name) {
    const std::string folder = "../frames";
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder + "/" + name + ".png";
}

bool SavePng(const Picture& picture, const std::string& path) {
    std::vector<std::uint8_t> header;
    AppendBigEndian(header, static_cast<std::uint32_t>(picture.width));
    AppendBigEndian(header, static_cast<std::uint32_t>(picture.height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits per channel, RGB, no interlace

    std::vector<std::uint8_t> raw;
    raw.reserve(static_cast<std::size_t>(picture.height) * (1 + 3 * static_cast<std::size_t>(picture.width)));
    for (int y = 0; y < picture.height; ++y) {
        raw.push_back(0);  // no filter
        for (int x = 0; x < picture.width; ++x) {
            const std::uint32_t pixel = picture.At(x, y);
            raw.insert(raw.end(), {static_cast<std::uint8_t>(pixel >> 16), static_cast<std::uint8_t>(pixel >> 8),
                                   static_cast<std::uint8_t>(pixel)});
        }
    }

    std::vector<std::uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    AppendChunk(file, "IHDR", header);
    AppendChunk(file, "IDAT", StoredZlib(raw));
    AppendChunk(file, "IEND", {});
    return WriteFileContents(path, file.data(), file.size());
}

std::uint32_t Crc32(const std::uint8_t* bytes, std::size_t count, std::uint32_t crc) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> entries{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t value = n;
            for (int bit = 0; bit < 8; ++bit) {
                value = (value & 1u) != 0 ? 0xEDB88320u ^ (value >> 1) : value >> 1;
            }
            entries[n] = value;
        }
        return entries;
    }();
    crc = ~crc;
    for (std::size_t i = 0; i < count; ++i) {
        crc = table[(crc ^ bytes[i]) & 0xFFu] ^ (crc >> 8);
    }
    return ~crc;
}
