#pragma once
// The edge map written out step by step, for comparison with cannyEdges: whole response and
// magnitude planes, the local-maximum test as three plain branches with the tie rules spelt out,
// and the hysteresis from a stack. Slow and obviously right; cannyEdges must give the same bytes.

#include "detect/edge_map.h"

#include <cmath>
#include <utility>
#include <vector>

inline ImageBuffer plainCannyEdges(const ImageBuffer& picture, double low, double high)
{
    const int w = picture.width;
    const int h = picture.height;
    ImageBuffer out(w, h, 1, 1);
    if (low > high)
        std::swap(low, high);
    const long lowT = long(std::floor(low));
    const long highT = long(std::floor(high));
    const std::vector<std::int16_t> v = sobelResponse(picture, true);
    const std::vector<std::int16_t> hz = sobelResponse(picture, false);
    auto magnitude = [&](int c, int r) -> long {
        if (c < 0 || r < 0 || c >= w || r >= h)
            return 0;
        const std::size_t i = std::size_t(r) * std::size_t(w) + std::size_t(c);
        return std::abs(v[i]) + std::abs(hz[i]);
    };

    enum State : unsigned char { possible = 0, notEdge = 1, edge = 2 };
    // One state per pixel and a frame of notEdge around them.
    std::vector<State> map(std::size_t(w + 2) * std::size_t(h + 2), notEdge);
    auto state = [&](int c, int r) -> State& {
        return map[std::size_t(r + 1) * std::size_t(w + 2) + std::size_t(c + 1)];
    };
    std::vector<std::pair<int, int>> stack;

    for (int r = 0; r < h; ++r) {
        bool prev = false;
        for (int c = 0; c < w; ++c) {
            const long m = magnitude(c, r);
            if (m <= lowT) {
                state(c, r) = notEdge;
                prev = false;
                continue;
            }
            const std::size_t i = std::size_t(r) * std::size_t(w) + std::size_t(c);
            const long x = std::abs(v[i]);
            const long ys = long(std::abs(hz[i])) * 32768;
            bool maximum;
            if (ys < x * 13573)  // below tan(22.5 degrees): along the row
                maximum = m > magnitude(c - 1, r) && m >= magnitude(c + 1, r);
            else if (ys > x * 79109)  // above tan(67.5 degrees): along the column
                maximum = m > magnitude(c, r - 1) && m >= magnitude(c, r + 1);
            else  // the diagonal from upper left to lower right
                maximum = m > magnitude(c - 1, r - 1) && m > magnitude(c + 1, r + 1);
            if (!maximum) {
                state(c, r) = notEdge;
                prev = false;
            } else if (m > highT && !prev && state(c, r - 1) != edge) {
                state(c, r) = edge;
                stack.push_back({c, r});
                prev = true;
            } else {
                state(c, r) = possible;
            }
        }
    }

    while (!stack.empty()) {
        const auto [c, r] = stack.back();
        stack.pop_back();
        for (int dr = -1; dr <= 1; ++dr)
            for (int dc = -1; dc <= 1; ++dc)
                if ((dr || dc) && state(c + dc, r + dr) == possible) {
                    state(c + dc, r + dr) = edge;
                    stack.push_back({c + dc, r + dr});
                }
    }
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c)
            out.data[std::size_t(r) * std::size_t(w) + std::size_t(c)] =
                state(c, r) == edge ? 255 : 0;
    return out;
}
