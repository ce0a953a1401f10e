#pragma once
// The reference for the reader's lower outline search: the four nested loops as plainly written,
// every candidate counted in full. The library's search must agree with it, ties included.

#include "reading/face_measures.h"
#include "reading/mouth_point.h"
#include "vision/image_buffer.h"

#include <algorithm>

inline FaceMeasures plainLowerSearch(const ImageBuffer& E, MouthPoint mouth)
{
    const int W = E.width, H = E.height, px = mouth.x, py = mouth.y;
    auto edgeAt = [&](int c, int r) {
        return c >= 0 && c < W && r >= 0 && r < H && E.data[r * W + c] == 0;
    };
    FaceMeasures m;
    int best = 0;
    for (double a1 = 0.02; a1 < 0.04; a1 += 0.0005) {
        for (double a2 = 0.02; a2 < 0.04; a2 += 0.0005) {
            for (int x0 = px - px / 4; x0 < (px + W) / 2; ++x0) {
                for (int y0 = py + W / 5; y0 < H - 1; ++y0) {
                    int n = 0;
                    for (int c = 0; c < x0 && c < W; ++c) {
                        const int r = int(y0 - ((c - x0) * a1) * (c - x0));
                        if (py < r && r < H && edgeAt(c, r))
                            ++n;
                    }
                    for (int c = std::max(x0, 0); c < W; ++c) {
                        const int r = int(y0 - ((c - x0) * a2) * (c - x0));
                        if (py < r && r < H && edgeAt(c, r))
                            ++n;
                    }
                    if (n > best) {
                        best = n;
                        m.x0 = x0;
                        m.y0 = y0;
                        m.a1 = a1;
                        m.a2 = a2;
                    }
                }
            }
        }
    }
    return m;
}
