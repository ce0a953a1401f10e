#pragma once
// References for region labelling and the two cleaning steps: every link made through linkPixels,
// every region taken through componentPixels, as the rules are written.

#include "reading/components.h"
#include "vision/image_buffer.h"

#include <initializer_list>
#include <vector>

inline ComponentMap plainLabels(const ImageBuffer& mask, BytePredicate qualifies)
{
    ComponentMap map;
    const int W = mask.width;
    for (int y = 0; y + 1 < mask.height; ++y)
        for (int x = 0; x + 1 < W; ++x) {
            const int p = y * W + x;
            if (!qualifies(mask.data[p]))
                continue;
            for (const int q : {p + 1, p + W, p + W + 1})
                if (qualifies(mask.data[q]))
                    linkPixels(map, p, q);
        }
    return map;
}

inline void plainKeepLargest(ImageBuffer& mask)
{
    const ComponentMap map = plainLabels(mask, isNonZeroByte);
    int best = -1, bestSize = -1;
    for (int L = 0; L < map.labelCount; ++L)
        if (map.sizes[L] > bestSize) {
            best = L;
            bestSize = map.sizes[L];
        }
    for (int L = 0; L < map.labelCount; ++L)
        if (L != best)
            for (const int p : componentPixels(map, L))
                mask.data[p] = 0;
}

inline void plainFillHoles(ImageBuffer& mask)
{
    const ComponentMap map = plainLabels(mask, isZeroByte);
    const int W = mask.width, H = mask.height;
    for (int L = 0; L < map.labelCount; ++L) {
        const std::vector<int> P = componentPixels(map, L);
        bool border = false;
        for (const int p : P)
            border = border || p % W == 0 || p % W == W - 1 || p / W == 0 || p / W == H - 1;
        if (!border)
            for (const int p : P)
                mask.data[p] = 255;
    }
}
