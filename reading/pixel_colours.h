#pragma once
// Hue and saturation of every pixel of a colour picture, as rgbToHsv gives them, each worked out
// on first use and kept: the hue costs an arc cosine, and the skin map and the mouth point between
// them look at only some pixels' hue, many of them twice.

#include "reading/hsv.h"
#include "vision/image_buffer.h"

#include <vector>

class PixelColours {
public:
    // rgb: 3-channel R,G,B; it must outlive this record. Any other buffer has no pixels here.
    explicit PixelColours(const ImageBuffer& rgb)
        : rgb_(rgb.data), known_(pixels(rgb), 0), hue_(known_.size()), saturation_(known_.size())
    {
    }

    double hue(std::size_t i)
    {
        if (!(known_[i] & hueKnown)) {
            const unsigned char* p = rgb_ + 3 * i;
            hue_[i] = pixelHue(p[0], p[1], p[2]);
            known_[i] |= hueKnown;
        }
        return hue_[i];
    }

    double saturation(std::size_t i)
    {
        if (!(known_[i] & saturationKnown)) {
            const unsigned char* p = rgb_ + 3 * i;
            saturation_[i] = pixelSaturation(p[0], p[1], p[2]);
            known_[i] |= saturationKnown;
        }
        return saturation_[i];
    }

private:
    static constexpr unsigned char hueKnown = 1, saturationKnown = 2;
    static std::size_t pixels(const ImageBuffer& rgb)
    {
        return rgb.channels == 3 && rgb.depth == 1
                   ? std::size_t(rgb.width) * std::size_t(rgb.height)
                   : 0;
    }

    const unsigned char* rgb_;
    std::vector<unsigned char> known_;
    std::vector<double> hue_;
    std::vector<double> saturation_;
};
