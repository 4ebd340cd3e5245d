#include "tests/unit/frame_picture.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

int Channel(std::uint32_t colour, int shift) {
    return static_cast<int>((colour >> shift) & 0xFFu);
}

}  // namespace

bool ReadBackBuffer(IDirect3DDevice9* device, const std::string& pngPath, Picture& picture) {
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
                SUCCEEDED(D3DXSaveSurfaceToFileA(pngPath.c_str(), D3DXIFF_PNG, copy, nullptr, nullptr)) &&
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
    const std::string folder = GAME_FRAMES_DIR;
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder + "/" + name + ".png";
}
