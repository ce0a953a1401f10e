#include "reading/hsv.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// byteFraction()[v] = v / 255.0, the same quotient, looked up instead of divided.
const double* byteFraction()
{
    static const auto table = [] {
        std::array<double, 256> t{};
        for (int v = 0; v < 256; ++v)
            t[v] = v / 255.0;
        return t;
    }();
    return table.data();
}

}  // namespace

double pixelHue(int R, int G, int B)
{
    const double* fraction = byteFraction();
    const double r = fraction[R], g = fraction[G], b = fraction[B];
    const double num = 0.5 * ((r - g) + (r - b));
    const double den = std::sqrt((r - g) * (r - g) + (r - b) * (g - b));
    // The reader's thresholds were tuned with this rounded pi, so it stays.
    const double theta = std::acos(num / den) * 180 / 3.14;
    return G >= B ? theta : 360 - theta;
}

double pixelSaturation(int R, int G, int B)
{
    const int max = std::max({R, G, B});
    const int min = std::min({R, G, B});
    return double(max - min) / double(max);
}

double pixelValue(int R, int G, int B) { return byteFraction()[std::max({R, G, B})]; }

ImageBuffer rgbToHsv(const ImageBuffer& rgb)
{
    ImageBuffer hsv(rgb.width, rgb.height, rgb.channels, 8);
    if (rgb.channels != 3 || rgb.depth != 1)
        return hsv;
    const std::size_t pixels = std::size_t(rgb.width) * std::size_t(rgb.height);
    double* out = hsv.samples<double>();
    for (std::size_t i = 0; i < pixels; ++i) {
        const unsigned char* p = rgb.data + 3 * i;
        out[3 * i] = pixelHue(p[0], p[1], p[2]);
        out[3 * i + 1] = pixelSaturation(p[0], p[1], p[2]);
        out[3 * i + 2] = pixelValue(p[0], p[1], p[2]);
    }
    return hsv;
}
