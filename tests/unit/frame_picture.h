// Pictures of frames drawn with the real Direct3D 9: the back buffer read back, its colours
// looked up, and each picture saved as a PNG file under <build>/frames for people to look at.
#pragma once

#include "platform/direct3d.h"

#include <cstdint>
#include <string>
#include <vector>

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, row by row from the top

    std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};

// Copies the device's back buffer into picture and saves the copy as a PNG file at pngPath, through
// D3DX; false (with an empty picture) when any step fails.
bool ReadBackBuffer(IDirect3DDevice9* device, const std::string& pngPath, Picture& picture);

// Every channel of the two 0xRRGGBB colours within tolerance of each other.
bool ColoursMatch(std::uint32_t actual, std::uint32_t expected, int tolerance);
std::string ColourText(std::uint32_t colour);

// The pixels that match colour: how many, the centre of their mass and their bounding box.
struct ColourRegion {
    int count = 0;
    double centreX = 0.0;
    double centreY = 0.0;
    int left = 0;
    int top = 0;
    int right = -1;
    int bottom = -1;
};
ColourRegion FindColour(const Picture& picture, std::uint32_t colour, int tolerance);

// frames/<name>.png in the build folder, wherever the tests run from.
std::string FramePicturePath(const std::string& name);
