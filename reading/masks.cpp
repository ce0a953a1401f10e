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
    // Each row copies the run of its pixels that lies inside the source.
    const long fromX = std::max(0L, -long(x0));
    const long toX = std::min(long(width), long(src.width) - long(x0));
    for (unsigned y = 0; y < height && fromX < toX; ++y) {
        const long sy = long(y0) + long(y);
        if (sy < 0 || sy >= src.height)
            continue;
        std::memcpy(out.data + (std::size_t(y) * width + fromX) * channels,
                    src.data + (std::size_t(sy) * src.width + (x0 + fromX)) * channels,
                    std::size_t(toX - fromX) * channels);
    }
    return out;
}

void thresholdMask(const ImageBuffer& src, ImageBuffer& dst, int t)
{
    if (&dst != &src)
        dst = ImageBuffer(src.width, src.height, src.channels, src.depth);
    const std::size_t size = src.sizeInBytes();
    // Every byte is at least 0 and at most 255; in between, the comparison of bytes.
    if (t <= 0 || t > 255) {
        std::fill(dst.data, dst.data + size, t <= 0 ? 255 : 0);
        return;
    }
    const auto threshold = static_cast<unsigned char>(t);
    for (std::size_t i = 0; i < size; ++i)
        dst.data[i] = src.data[i] >= threshold ? 255 : 0;
}

namespace {

template <int channels>
void keepMasked(const unsigned char* colour, const unsigned char* mask, unsigned char* out,
                std::size_t pixels)
{
    for (std::size_t i = 0; i < pixels; ++i) {
        const unsigned char keep = mask[i] != 0 ? 0xFF : 0;
        for (int j = 0; j < channels; ++j)
            out[i * channels + j] = colour[i * channels + j] & keep;
    }
}

}  // namespace

ImageBuffer applyMask(const ImageBuffer& colour, const ImageBuffer& mask)
{
    ImageBuffer out(colour.width, colour.height, colour.channels, 1);
    const std::size_t pixels =
        std::min(mask.sizeInBytes(), std::size_t(colour.width) * std::size_t(colour.height));
    switch (colour.channels) {
    case 1: keepMasked<1>(colour.data, mask.data, out.data, pixels); break;
    case 3: keepMasked<3>(colour.data, mask.data, out.data, pixels); break;
    case 4: keepMasked<4>(colour.data, mask.data, out.data, pixels); break;
    default:
        for (std::size_t i = 0; i < pixels; ++i) {
            if (mask.data[i] != 0)
                std::memcpy(out.data + i * colour.channels, colour.data + i * colour.channels,
                            colour.channels);
        }
    }
    return out;
}
