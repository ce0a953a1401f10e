#include "reading/mouth_point.h"

#include "reading/hsv.h"
#include "reading/masks.h"

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

// The most reddish hues of the area: those near its smallest hue (class 240), and purple-reds
// near its largest hue above 330 degrees (class 88).
std::vector<int> hueClasses(const ImageBuffer& hsv)
{
    const std::size_t pixels = std::size_t(hsv.width) * std::size_t(hsv.height);
    const double* v = hsv.samples<double>();
    double hMin = 360, hMax = 0;
    for (std::size_t i = 0; i < pixels; ++i) {
        const double hue = v[3 * i], saturation = v[3 * i + 1];
        if (saturation == 0)  // a NaN saturation is not 0 and takes part
            continue;
        if (hue < hMin)
            hMin = hue;
        if (hue > hMax)
            hMax = hue;
    }
    std::vector<int> classes(pixels);
    for (std::size_t i = 0; i < pixels; ++i)
        classes[i] = mouthHueClass(v[3 * i], v[3 * i + 1], hMin, hMax);
    return classes;
}

}  // namespace

MouthPoint locateMouthPoint(const ImageBuffer& rgb)
{
    const int W = rgb.width, H = rgb.height;
    const int left = W / 4, top = (5 * H) / 8, right = (3 * W) / 4;
    const MouthPoint corner{left, top};
    const ImageBuffer area = cropRegion(rgb, left, top, right, H);
    const int cw = area.width, ch = area.height;
    const std::vector<int> classes = hueClasses(rgbToHsv(area));

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
