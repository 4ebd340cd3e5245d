// Writes the program's icon file: the picture at 48, 32 and 16 pixels in 32-bit colour, the same
// three sizes with a 256-colour palette, and 32 and 16 pixels with the 16-colour palette.
//
//   icon_builder OUTPUT.ico
#include "tools/icon_builder/icon_picture.h"
#include "tools/whole_file.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

struct IconImage {
    int size;
    int bitsPerPixel;
};

constexpr IconImage Images[] = {{48, 32}, {32, 32}, {16, 32}, {48, 8}, {32, 8}, {16, 8}, {32, 4}, {16, 4}};

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& bytes, std::uint32_t value) {
    bytes.push_back(static_cast<std::uint8_t>(value));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(Bytes& bytes, std::uint32_t value) {
    Put16(bytes, value & 0xFFFFu);
    Put16(bytes, value >> 16);
}

struct PaletteColor {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
};

// The 16 colours of the classic Windows palette.
std::vector<PaletteColor> SixteenColors() {
    return {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},   {0, 0, 128},   {128, 0, 128},
            {0, 128, 128},   {192, 192, 192}, {128, 128, 128}, {255, 0, 0}, {0, 255, 0},   {255, 255, 0},
            {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
}

// A 6 × 6 × 6 colour cube and 40 greys.
std::vector<PaletteColor> TwoHundredFiftySixColors() {
    std::vector<PaletteColor> palette;
    for (int red = 0; red < 6; ++red) {
        for (int green = 0; green < 6; ++green) {
            for (int blue = 0; blue < 6; ++blue) {
                palette.push_back({static_cast<std::uint8_t>(red * 51), static_cast<std::uint8_t>(green * 51),
                                   static_cast<std::uint8_t>(blue * 51)});
            }
        }
    }
    for (int grey = 0; grey < 40; ++grey) {
        const auto level = static_cast<std::uint8_t>(3 + grey * 252 / 39);
        palette.push_back({level, level, level});
    }
    return palette;
}

std::uint8_t NearestColor(const std::vector<PaletteColor>& palette, IconPixel pixel) {
    std::size_t best = 0;
    int bestDistance = 1 << 30;
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const int red = palette[i].red - pixel.red;
        const int green = palette[i].green - pixel.green;
        const int blue = palette[i].blue - pixel.blue;
        const int distance = red * red + green * green + blue * blue;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return static_cast<std::uint8_t>(best);
}

// Rows of a bitmap are padded to four bytes.
std::size_t RowBytes(int size, int bitsPerPixel) {
    return ((static_cast<std::size_t>(size) * static_cast<std::size_t>(bitsPerPixel) + 31) / 32) * 4;
}

// One image as it is stored in an icon file: a BITMAPINFOHEADER of twice the height, the palette,
// the colour rows bottom-up, then the one-bit transparency mask bottom-up.
Bytes EncodeImage(IconImage image) {
    const int size = image.size;
    const std::vector<IconPixel> pixels = DrawIconPicture(size);
    const std::vector<PaletteColor> palette = image.bitsPerPixel == 4   ? SixteenColors()
                                              : image.bitsPerPixel == 8 ? TwoHundredFiftySixColors()
                                                                        : std::vector<PaletteColor>{};
    const std::size_t colorRow = RowBytes(size, image.bitsPerPixel);
    const std::size_t maskRow = RowBytes(size, 1);

    Bytes bytes;
    Put32(bytes, 40);
    Put32(bytes, static_cast<std::uint32_t>(size));
    Put32(bytes, static_cast<std::uint32_t>(size * 2));
    Put16(bytes, 1);
    Put16(bytes, static_cast<std::uint32_t>(image.bitsPerPixel));
    Put32(bytes, 0);  // uncompressed
    Put32(bytes, static_cast<std::uint32_t>((colorRow + maskRow) * static_cast<std::size_t>(size)));
    Put32(bytes, 0);
    Put32(bytes, 0);
    Put32(bytes, 0);
    Put32(bytes, 0);
    for (const PaletteColor& color : palette) {
        bytes.insert(bytes.end(), {color.blue, color.green, color.red, 0});
    }

    for (int row = size - 1; row >= 0; --row) {
        Bytes line(colorRow, 0);
        for (int column = 0; column < size; ++column) {
            const IconPixel pixel = pixels[static_cast<std::size_t>(row * size + column)];
            const auto at = static_cast<std::size_t>(column);
            if (image.bitsPerPixel == 32) {
                line[at * 4 + 0] = pixel.blue;
                line[at * 4 + 1] = pixel.green;
                line[at * 4 + 2] = pixel.red;
                line[at * 4 + 3] = pixel.alpha;
            } else if (image.bitsPerPixel == 8) {
                line[at] = NearestColor(palette, pixel);
            } else {
                const std::uint8_t index = NearestColor(palette, pixel);
                line[at / 2] = static_cast<std::uint8_t>(line[at / 2] | (at % 2 == 0 ? index << 4 : index));
            }
        }
        bytes.insert(bytes.end(), line.begin(), line.end());
    }
    for (int row = size - 1; row >= 0; --row) {
        Bytes line(maskRow, 0);
        for (int column = 0; column < size; ++column) {
            if (pixels[static_cast<std::size_t>(row * size + column)].alpha < 128) {
                line[static_cast<std::size_t>(column) / 8] |= static_cast<std::uint8_t>(0x80 >> (column % 8));
            }
        }
        bytes.insert(bytes.end(), line.begin(), line.end());
    }
    return bytes;
}

}  // namespace

int main(int argumentCount, char** arguments) {
    if (argumentCount != 2) {
        std::fprintf(stderr, "usage: icon_builder OUTPUT.ico\n");
        return 2;
    }
    constexpr std::size_t imageCount = sizeof(Images) / sizeof(Images[0]);
    std::array<Bytes, imageCount> encoded;
    for (std::size_t i = 0; i < imageCount; ++i) {
        encoded[i] = EncodeImage(Images[i]);
    }

    Bytes file;
    Put16(file, 0);
    Put16(file, 1);  // an icon, not a cursor
    Put16(file, imageCount);
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * imageCount);
    for (std::size_t i = 0; i < imageCount; ++i) {
        const IconImage image = Images[i];
        file.push_back(static_cast<std::uint8_t>(image.size));
        file.push_back(static_cast<std::uint8_t>(image.size));
        file.push_back(static_cast<std::uint8_t>(image.bitsPerPixel == 4 ? 16 : 0));  // palette size; 0 means none or 256
        file.push_back(0);
        Put16(file, 1);
        Put16(file, static_cast<std::uint32_t>(image.bitsPerPixel));
        Put32(file, static_cast<std::uint32_t>(encoded[i].size()));
        Put32(file, offset);
        offset += static_cast<std::uint32_t>(encoded[i].size());
    }
    for (const Bytes& image : encoded) {
        file.insert(file.end(), image.begin(), image.end());
    }

    if (!WriteWholeFile(arguments[1], file.data(), file.size())) {
        std::fprintf(stderr, "icon_builder: cannot write %s\n", arguments[1]);
        return 1;
    }
    return 0;
}
