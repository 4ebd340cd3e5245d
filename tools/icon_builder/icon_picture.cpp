// A cube seen corner-on above a dark floor: the top face light, the two sides in the scene's own
// face colours, on a rounded dark tile.
#include "tools/icon_builder/icon_picture.h"

#include <cmath>

namespace {

struct Point {
    double x;
    double y;
};

// True when p lies inside the convex quadrilateral a b c d (either winding).
bool InsideQuad(Point p, Point a, Point b, Point c, Point d) {
    const Point corners[4] = {a, b, c, d};
    int positive = 0;
    int negative = 0;
    for (int i = 0; i < 4; ++i) {
        const Point from = corners[i];
        const Point to = corners[(i + 1) % 4];
        const double cross = (to.x - from.x) * (p.y - from.y) - (to.y - from.y) * (p.x - from.x);
        positive += cross > 0.0 ? 1 : 0;
        negative += cross < 0.0 ? 1 : 0;
    }
    return positive == 0 || negative == 0;
}

IconPixel Shade(Point p) {
    // Coordinates run from 0 to 1 across the tile, y downwards.
    const Point centre{0.5, 0.52};
    const double half = 0.36;
    const Point top{centre.x, centre.y - half};
    const Point left{centre.x - half * 0.87, centre.y - half * 0.5};
    const Point right{centre.x + half * 0.87, centre.y - half * 0.5};
    const Point bottom{centre.x, centre.y + half};
    const Point bottomLeft{left.x, left.y + half};
    const Point bottomRight{right.x, right.y + half};

    if (InsideQuad(p, top, right, centre, left)) {
        return {236, 236, 220, 255};
    }
    if (InsideQuad(p, left, centre, bottom, bottomLeft)) {
        return {220, 48, 40, 255};
    }
    if (InsideQuad(p, centre, right, bottomRight, bottom)) {
        return {40, 96, 220, 255};
    }
    // The tile: dark, with rounded corners outside which the icon is transparent.
    const double corner = 0.18;
    const double dx = std::fmax(std::fabs(p.x - 0.5) - (0.5 - corner), 0.0);
    const double dy = std::fmax(std::fabs(p.y - 0.5) - (0.5 - corner), 0.0);
    if (dx * dx + dy * dy > corner * corner) {
        return {0, 0, 0, 0};
    }
    const auto floor = static_cast<std::uint8_t>(24 + 40 * p.y);
    return {floor, floor, static_cast<std::uint8_t>(floor + 16), 255};
}

}  // namespace

std::vector<IconPixel> DrawIconPicture(int size) {
    std::vector<IconPixel> pixels;
    pixels.reserve(static_cast<std::size_t>(size) * static_cast<std::size_t>(size));
    for (int row = 0; row < size; ++row) {
        for (int column = 0; column < size; ++column) {
            const Point centre{(column + 0.5) / size, (row + 0.5) / size};
            pixels.push_back(Shade(centre));
        }
    }
    return pixels;
}
