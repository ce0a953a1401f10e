#include "reading/hsv.h"

#include <algorithm>
#include <cmath>

namespace {

void pixelToHsv(const unsigned char* p, double* out)
{
    const int R = p[0], G = p[1], B = p[2];
    const double r = R / 255.0, g = G / 255.0, b = B / 255.0;
    const double num = 0.5 * ((r - g) + (r - b));
    const double den = std::sqrt((r - g) * (r - g) + (r - b) * (g - b));
    // The reader's thresholds were tuned with this rounded pi, so it stays.
    const double theta = std::acos(num / den) * 180 / 3.14;
    out[0] = G >= B ? theta : 360 - theta;
    const int max = std::max({R, G, B});
    const int min = std::min({R, G, B});
    out[1] = double(max - min) / double(max);
    out[2] = max / 255.0;
}

}  // namespace

ImageBuffer rgbToHsv(const ImageBuffer& rgb)
{
    ImageBuffer hsv(rgb.width, rgb.height, rgb.channels, 8);
    if (rgb.channels != 3 || rgb.depth != 1)
        return hsv;
    const std::size_t pixels = std::size_t(rgb.width) * std::size_t(rgb.height);
    double* out = hsv.samples<double>();
    for (std::size_t i = 0; i < pixels; ++i)
        pixelToHsv(rgb.data + 3 * i, out + 3 * i);
    return hsv;
}
