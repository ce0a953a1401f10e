#include "reading/mouth_point.h"

#include "reading/masks.h"
#include "reading/pixel_colours.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

int mouthHueClass(double hue, double saturation, double hMin, double hMax)
{
    if (saturation == 0)
        return 0;
    if (hue < hMin + 15)
        return 240;
    if (hue > hMax - 15 && hue > 330)
        return 88;
    return 0;
}

namespace {

// The searched area's pixels, numbered row by row within the area, read from the colours of the
// whole face image.
struct AreaColours {
    PixelColours& colours;
    int left, top, areaWidth, faceWidth;

    std::size_t inFace(std::size_t i) const
    {
        return std::size_t(top + int(i / areaWidth)) * faceWidth + left + int(i % areaWidth);
    }
    double hue(std::size_t i) const { return colours.hue(inFace(i)); }
    double saturation(std::size_t i) const { return colours.saturation(inFace(i)); }
};

// The most reddish hues of the area: those near its smallest hue (class 240), and purple-reds
// near its largest hue above 330 degrees (class 88). Pixels without saturation have no class, so
// their hue is never needed.
std::vector<int> hueClasses(const AreaColours& area, std::size_t pixels)
{
    double hMin = 360, hMax = 0;
    for (std::size_t i = 0; i < pixels; ++i) {
        if (area.saturation(i) == 0)  // a NaN saturation is not 0 and takes part
            continue;
        const double hue = area.hue(i);
        if (hue < hMin)
            hMin = hue;
        if (hue > hMax)
            hMax = hue;
    }
    std::vector<int> classes(pixels, 0);
    for (std::size_t i = 0; i < pixels; ++i) {
        const double saturation = area.saturation(i);
        if (saturation != 0)
            classes[i] = mouthHueClass(area.hue(i), saturation, hMin, hMax);
    }
    return classes;
}

}  // namespace

MouthPoint locateMouthPoint(const ImageBuffer& rgb)
{
    PixelColours colours(rgb);
    return locateMouthPoint(rgb, colours);
}

MouthPoint locateMouthPoint(const ImageBuffer& rgb, PixelColours& colours)
{
    const int W = rgb.width, H = rgb.height;
    const int left = W / 4, top = (5 * H) / 8, right = (3 * W) / 4;
    const MouthPoint corner{left, top};
    // The area lies inside the face image; its copy is made for its size and its diagnostic line,
    // while its colours come from those of the whole face.
    const ImageBuffer area = cropRegion(rgb, left, top, right, H);
    const int cw = area.width, ch = area.height;
    if (rgb.channels != 3 || rgb.depth != 1)
        return corner;
    const std::vector<int> classes =
        hueClasses(AreaColours{colours, left, top, cw, W}, std::size_t(cw) * std::size_t(ch));

    // First centre: weighted by class.
    // Wide sums: a large area would overflow 32 bits in the coordinate sums.
    long long S = 0, Sx = 0, Sy = 0;
    for (std::size_t i = 0; i < classes.size(); ++i) {
        const int w = (classes[i] * 1000) / 255;
        S += w;
        Sx += w * int(i % cw);
        Sy += w * int(i / cw);
    }
    if (S == 0)
        return corner;
    const int mx = int(Sx / S), my = int(Sy / S);

    // Second centre: pixels close to the first centre in both directions weigh most; those in its
    // own row or column not at all.
    long long T = 0, Tx = 0, Ty = 0;
    for (std::size_t i = 0; i < classes.size(); ++i) {
        if (classes[i] == 0)
            continue;
        const int x = int(i % cw), y = int(i / cw);
        const int dx = std::abs(mx - x), dy = std::abs(my - y);
        if (dx == 0 || dy == 0)
            continue;
        const double closeness = (double(cw) / dx) * ch / dy;
        const int weight = std::min(static_cast<int>(std::sqrt(closeness)), 100);
        T += weight;
        Tx += weight * x;
        Ty += weight * y;
    }
    if (T == 0)
        return corner;
    return {left + int(Tx / T), top + int(Ty / T)};
}
