// The program's icon picture, drawn at any size as straight (not premultiplied) RGBA.
#pragma once

#include <cstdint>
#include <vector>

struct IconPixel {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
    std::uint8_t alpha;
};

// size × size pixels, top row first.
std::vector<IconPixel> DrawIconPicture(int size);
