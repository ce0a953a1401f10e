#pragma once
// Hue and saturation of every pixel of a colour picture, as rgbToHsv gives them, each worked out
// on first use and kept: the hue costs an arc cosine, and the skin map and the mouth point between
// them look at only some pixels' hue, many of them twice.

#include "reading/hsv.h"
#include "vision/image_buffer.h"

#include <utility>
#include <vector>

// The hue and saturation of every pixel of a colour picture, row by row, as rgbToHsv gives them,
// worked out beforehand (for instance taken from a larger picture the image was cut from).
struct KnownColours {
    std::vector<double> hue;
    std::vector<double> saturation;
};

class PixelColours {
public:
    // rgb: 3-channel R,G,B; it must outlive this record. Any other buffer has no pixels here.
    explicit PixelColours(const ImageBuffer& rgb) : PixelColours(rgb, KnownColours()) {}

    // The same, starting from the colours of every pixel when known holds one of each (else it
    // is ignored, and each colour is worked out on use).
    PixelColours(const ImageBuffer& rgb, KnownColours known) : rgb_(rgb.data)
    {
        const std::size_t n = pixels(rgb);
        if (known.hue.size() == n && known.saturation.size() == n) {
            known_.assign(n, hueKnown | saturationKnown);
            hue_ = std::move(known.hue);
            saturation_ = std::move(known.saturation);
        } else {
            known_.assign(n, 0);
            hue_.resize(n);
            saturation_.resize(n);
        }
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
