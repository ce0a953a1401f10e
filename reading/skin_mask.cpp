#include "reading/skin_mask.h"

#include "reading/hsv.h"

#include <cmath>
#include <initializer_list>

bool isSkinColour(int r, int g, int b, double hue, double saturation, double value)
{
    const int sum = r + g + b;
    const double rn = double(r) / sum;  // 0/0 for black: NaN, which fails below
    const double gn = double(g) / sum;
    return rn >= 0.36 && rn <= 0.465 && gn >= 0.28 && gn <= 0.363 && hue >= 0 && hue <= 50 &&
           saturation >= 0.2 && saturation <= 0.68 && value >= 0.35 && value <= 1.0;
}

namespace {

// A difference with a NaN fails both tests, so grey pixels never take part in the growth.
bool closeInColour(const double* p, const double* q)
{
    return std::fabs(p[0] - q[0]) < 4 && std::fabs(p[1] - q[1]) < 0.1;
}

}  // namespace

int skinMask(const ImageBuffer& rgb, ImageBuffer& mask)
{
    const int W = rgb.width, H = rgb.height;
    mask = ImageBuffer(W, H, 1, 1);
    if (rgb.channels != 3 || rgb.depth != 1)
        return 0;
    const ImageBuffer hsv = rgbToHsv(rgb);
    const double* h = hsv.samples<double>();
    const std::size_t pixels = std::size_t(W) * std::size_t(H);
    for (std::size_t i = 0; i < pixels; ++i) {
        const unsigned char* p = rgb.data + 3 * i;
        const double* v = h + 3 * i;
        mask.data[i] = isSkinColour(p[0], p[1], p[2], v[0], v[1], v[2]) ? 255 : 0;
    }
    growSkin(mask, hsv);
    return 0;
}

void growSkin(ImageBuffer& mask, const ImageBuffer& hsv)
{
    const int W = mask.width, H = mask.height;
    const double* h = hsv.samples<double>();
    // One pass in raster order: a pixel reached by growth is visited later in the same pass and
    // spreads on, but growth never goes left or up.
    for (int y = 0; y + 1 < H; ++y) {
        for (int x = 0; x + 1 < W; ++x) {
            const std::size_t p = std::size_t(y) * W + x;
            if (mask.data[p] != 255)
                continue;
            for (const std::size_t q : {p + 1, p + W, p + W + 1}) {
                if (mask.data[q] == 0 && closeInColour(h + 3 * p, h + 3 * q))
                    mask.data[q] = 255;
            }
        }
    }
}
