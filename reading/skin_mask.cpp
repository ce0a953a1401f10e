#include "reading/skin_mask.h"

#include "reading/hsv.h"
#include "reading/pixel_colours.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <vector>

namespace {

// The skin test with the hue, which costs an arc cosine, asked for only when every other test
// has passed. A NaN in any test fails it.
template <typename Hue>
bool isSkinColourWith(int r, int g, int b, double saturation, double value, Hue hue)
{
    const int sum = r + g + b;
    const double rn = double(r) / sum;  // 0/0 for black: NaN, which fails below
    const double gn = double(g) / sum;
    if (!(rn >= 0.36 && rn <= 0.465 && gn >= 0.28 && gn <= 0.363 && saturation >= 0.2 &&
          saturation <= 0.68 && value >= 0.35 && value <= 1.0))
        return false;
    const double h = hue();
    return h >= 0 && h <= 50;
}

// Integer tests that pass every pixel the skin test could pass, so that most other pixels are
// turned down without a division: outside rn 0.35 .. 0.47, gn 0.27 .. 0.37, saturation
// 0.19 .. 0.69 or below a value of 89 / 255 the exact ranges fail whatever the rounding. Black
// (sum 0) fails on its NaN quotients. When G < B the hue is 360 minus an angle of at most
// 180.06 degrees (pi counted as 3.14), so it lies above 50.
bool cannotBeSkin(int r, int g, int b)
{
    const int sum = r + g + b;
    const int max = std::max({r, g, b}), min = std::min({r, g, b});
    return sum == 0 || g < b || max < 89 || 100 * r < 35 * sum || 100 * r > 47 * sum ||
           100 * g < 27 * sum || 100 * g > 37 * sum || 100 * (max - min) < 19 * max ||
           100 * (max - min) > 69 * max;
}

// The same values read from an rgbToHsv buffer.
struct HsvBufferColours {
    const double* hsv;
    double hue(std::size_t i) const { return hsv[3 * i]; }
    double saturation(std::size_t i) const { return hsv[3 * i + 1]; }
};

// A difference with a NaN fails both tests, so grey pixels never take part in the growth. The
// saturation is compared first, so that a hue is looked at only when it can decide.
template <typename Colours> bool closeInColour(Colours& colours, std::size_t p, std::size_t q)
{
    return std::fabs(colours.saturation(p) - colours.saturation(q)) < 0.1 &&
           std::fabs(colours.hue(p) - colours.hue(q)) < 4;
}

template <typename Colours> void growSkinWith(ImageBuffer& mask, Colours& colours)
{
    const int W = mask.width, H = mask.height;
    // One pass in raster order: a pixel reached by growth is visited later in the same pass and
    // spreads on, but growth never goes left or up.
    for (int y = 0; y + 1 < H; ++y) {
        for (int x = 0; x + 1 < W; ++x) {
            const std::size_t p = std::size_t(y) * W + x;
            if (mask.data[p] != 255)
                continue;
            for (const std::size_t q : {p + 1, p + W, p + W + 1}) {
                if (mask.data[q] == 0 && closeInColour(colours, p, q))
                    mask.data[q] = 255;
            }
        }
    }
}

}  // namespace

bool isSkinColour(int r, int g, int b, double hue, double saturation, double value)
{
    return isSkinColourWith(r, g, b, saturation, value, [hue] { return hue; });
}

int skinMask(const ImageBuffer& rgb, ImageBuffer& mask)
{
    PixelColours colours(rgb);
    return skinMask(rgb, mask, colours);
}

int skinMask(const ImageBuffer& rgb, ImageBuffer& mask, PixelColours& colours)
{
    const int W = rgb.width, H = rgb.height;
    mask = ImageBuffer(W, H, 1, 1);
    if (rgb.channels != 3 || rgb.depth != 1)
        return 0;
    const std::size_t pixels = std::size_t(W) * std::size_t(H);
    for (std::size_t i = 0; i < pixels; ++i) {
        const unsigned char* p = rgb.data + 3 * i;
        const int r = p[0], g = p[1], b = p[2];
        const bool skin = !cannotBeSkin(r, g, b) &&
                          isSkinColourWith(r, g, b, colours.saturation(i), pixelValue(r, g, b),
                                           [&colours, i] { return colours.hue(i); });
        mask.data[i] = skin ? 255 : 0;
    }
    growSkinWith(mask, colours);
    return 0;
}

void growSkin(ImageBuffer& mask, const ImageBuffer& hsv)
{
    HsvBufferColours colours{hsv.samples<double>()};
    growSkinWith(mask, colours);
}
