#pragma once
// References for the reader's faster steps: each step as plainly written, every value worked out
// for every pixel. The library's steps must agree with them byte for byte.

#include "reading/hsv.h"
#include "reading/masks.h"
#include "reading/mouth_point.h"
#include "reading/skin_mask.h"
#include "vision/image_buffer.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

// The skin map: every pixel's hue, saturation and value, the pixel test, then the growing pass.
inline ImageBuffer plainSkinMask(const ImageBuffer& rgb)
{
    const int W = rgb.width, H = rgb.height;
    ImageBuffer mask(W, H, 1, 1);
    const ImageBuffer hsv = rgbToHsv(rgb);
    const double* v = hsv.samples<double>();
    for (int i = 0; i < W * H; ++i) {
        const unsigned char* p = rgb.data + 3 * i;
        const double* c = v + 3 * i;
        mask.data[i] = isSkinColour(p[0], p[1], p[2], c[0], c[1], c[2]) ? 255 : 0;
    }
    for (int y = 0; y + 1 < H; ++y)
        for (int x = 0; x + 1 < W; ++x) {
            const int p = y * W + x;
            if (mask.data[p] != 255)
                continue;
            for (const int q : {p + 1, p + W, p + W + 1})
                if (mask.data[q] == 0 && std::fabs(v[3 * p] - v[3 * q]) < 4 &&
                    std::fabs(v[3 * p + 1] - v[3 * q + 1]) < 0.1)
                    mask.data[q] = 255;
        }
    return mask;
}

// The mouth point: the area's hue range, the class of every area pixel, then the two centres.
inline MouthPoint plainMouthPoint(const ImageBuffer& rgb)
{
    const int W = rgb.width, H = rgb.height;
    const int left = W / 4, top = (5 * H) / 8;
    const ImageBuffer area = cropRegion(rgb, left, top, (3 * W) / 4, H);
    const int cw = area.width, ch = area.height, n = cw * ch;
    const ImageBuffer hsv = rgbToHsv(area);
    const double* v = hsv.samples<double>();
    double hMin = 360, hMax = 0;
    for (int i = 0; i < n; ++i) {
        if (v[3 * i + 1] == 0)
            continue;
        if (v[3 * i] < hMin)
            hMin = v[3 * i];
        if (v[3 * i] > hMax)
            hMax = v[3 * i];
    }
    std::vector<int> classes(n);
    for (int i = 0; i < n; ++i)
        classes[i] = mouthHueClass(v[3 * i], v[3 * i + 1], hMin, hMax);
    long long S = 0, Sx = 0, Sy = 0;
    for (int i = 0; i < n; ++i) {
        const int w = (classes[i] * 1000) / 255;
        S += w;
        Sx += w * (i % cw);
        Sy += w * (i / cw);
    }
    if (S == 0)
        return {left, top};
    const int mx = int(Sx / S), my = int(Sy / S);
    long long T = 0, Tx = 0, Ty = 0;
    for (int i = 0; i < n; ++i) {
        const int x = i % cw, y = i / cw, dx = std::abs(mx - x), dy = std::abs(my - y);
        if (classes[i] == 0 || dx == 0 || dy == 0)
            continue;
        const int weight = std::min(int(std::sqrt((double(cw) / dx) * ch / dy)), 100);
        T += weight;
        Tx += weight * x;
        Ty += weight * y;
    }
    if (T == 0)
        return {left, top};
    return {left + int(Tx / T), top + int(Ty / T)};
}

// The contrast of every pixel against its whole 5 x 5 window, summed pixel by pixel.
inline ImageBuffer plainContrastEdges(const ImageBuffer& buffer)
{
    const ImageBuffer g = buffer.channels == 1 ? buffer : toGray(buffer);
    const int W = g.width, H = g.height;
    ImageBuffer out(W, H, 1, 1);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            int d = 0;
            if (x >= 2 && x <= W - 3 && y >= 2 && y <= H - 3) {
                int windowSum = 0;
                for (int v = y - 2; v <= y + 2; ++v)
                    for (int u = x - 2; u <= x + 2; ++u)
                        windowSum += g.data[v * W + u];
                d = std::clamp(25 * g.data[y * W + x] - windowSum, 0, 255);
            }
            out.data[y * W + x] = static_cast<unsigned char>(255 - d);
        }
    return out;
}
