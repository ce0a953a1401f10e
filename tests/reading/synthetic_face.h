#pragma once
// Drawn faces for the reader's tests: a skin-coloured ellipse with a darker jaw line and a red
// mouth on a blue-grey background, as 4-channel B,G,R,A buffers like loadImageBuffer makes them.

#include "vision/image_buffer.h"

#include <cmath>
#include <cstdint>

struct Rgb {
    unsigned char r, g, b;
};

inline void setPixel(ImageBuffer& bgra, int x, int y, Rgb c)
{
    unsigned char* p = bgra.data + (std::size_t(y) * bgra.width + x) * 4;
    p[0] = c.b;
    p[1] = c.g;
    p[2] = c.r;
    p[3] = 255;
}

struct FaceDrawing {
    int width = 67;
    int height = 100;
    double centreX = 33.5;
    double centreY = 50;
    double radiusX = 30;
    double radiusY = 36;
    Rgb skin{200, 150, 120};
    Rgb jaw{150, 105, 80};
    Rgb mouth{190, 40, 50};
    Rgb background{60, 90, 140};
};

inline ImageBuffer drawFace(const FaceDrawing& f = {})
{
    ImageBuffer bgra(f.width, f.height, 4, 1);
    for (int y = 0; y < f.height; ++y) {
        for (int x = 0; x < f.width; ++x) {
            const double u = (x - f.centreX) / f.radiusX, v = (y - f.centreY) / f.radiusY;
            const double d = u * u + v * v;
            Rgb c = f.background;
            if (d <= 1)
                c = (d > 0.8 && y > f.centreY) ? f.jaw : f.skin;
            const double mu = (x - f.centreX) / (f.radiusX * 0.35);
            const double mv = (y - (f.centreY + f.radiusY * 0.55)) / (f.radiusY * 0.06);
            if (mu * mu + mv * mv <= 1)
                c = f.mouth;
            setPixel(bgra, x, y, c);
        }
    }
    return bgra;
}

// A small deterministic generator, so that random faces are the same on every run.
struct Lcg {
    std::uint32_t state;
    std::uint32_t next()
    {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    int below(int n) { return int(next() % std::uint32_t(n)); }
};
