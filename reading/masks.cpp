#include "reading/masks.h"

#include "vision/diagnostics.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ostream>

ImageBuffer cropRegion(const ImageBuffer& src, int x0, int y0, int x1, int y1)
{
    const auto width = static_cast<unsigned>(std::fabs(static_cast<float>(x0 - x1)));
    const auto height = static_cast<unsigned>(std::fabs(static_cast<float>(y0 - y1)));
    diagnostics() << "new width and height" << width << " " << height << std::endl;

    const int channels = src.channels;
    ImageBuffer out(int(width), int(height), channels, 1);
    for (unsigned y = 0; y < height; ++y) {
        const long sy = long(y0) + long(y);
        if (sy < 0 || sy >= src.height)
            continue;
        for (unsigned x = 0; x < width; ++x) {
            const long sx = long(x0) + long(x);
            if (sx < 0 || sx >= src.width)
                continue;
            std::memcpy(out.data + (std::size_t(y) * width + x) * channels,
                        src.data + (std::size_t(sy) * src.width + sx) * channels, channels);
        }
    }
    return out;
}

void thresholdMask(const ImageBuffer& src, ImageBuffer& dst, int t)
{
    if (&dst != &src)
        dst = ImageBuffer(src.width, src.height, src.channels, src.depth);
    const std::size_t size = src.sizeInBytes();
    for (std::size_t i = 0; i < size; ++i)
        dst.data[i] = src.data[i] >= t ? 255 : 0;
}

ImageBuffer applyMask(const ImageBuffer& colour, const ImageBuffer& mask)
{
    ImageBuffer out(colour.width, colour.height, colour.channels, 1);
    const std::size_t pixels =
        std::min(mask.sizeInBytes(), std::size_t(colour.width) * std::size_t(colour.height));
    const int channels = colour.channels;
    for (std::size_t i = 0; i < pixels; ++i) {
        if (mask.data[i] != 0)
            std::memcpy(out.data + i * channels, colour.data + i * channels, channels);
    }
    return out;
}
