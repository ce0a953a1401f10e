#include "reading/components.h"

#include <algorithm>
#include <initializer_list>

ComponentMap labelComponents(const ImageBuffer& mask, BytePredicate qualifies)
{
    ComponentMap map;
    const int W = mask.width, H = mask.height;
    const unsigned char* m = mask.data;
    for (int y = 0; y + 1 < H; ++y) {
        for (int x = 0; x + 1 < W; ++x) {
            const int p = y * W + x;
            if (!qualifies(m[p]))
                continue;
            for (const int q : {p + 1, p + W, p + W + 1}) {
                if (qualifies(m[q]))
                    linkPixels(map, p, q);
            }
        }
    }
    return map;
}

void linkPixels(ComponentMap& map, int a, int b)
{
    const auto ia = map.labels.find(a);
    const auto ib = map.labels.find(b);
    const bool hasA = ia != map.labels.end();
    const bool hasB = ib != map.labels.end();
    if (!hasA && !hasB) {
        const int label = map.labelCount++;
        map.labels[a] = label;
        map.sizes.push_back(1);
        map.labels[b] = label;
        ++map.sizes[label];
    } else if (!hasA) {
        map.labels[a] = ib->second;
        ++map.sizes[ib->second];
    } else if (!hasB) {
        map.labels[b] = ia->second;
        ++map.sizes[ia->second];
    } else if (ia->second != ib->second) {
        const int lo = std::min(ia->second, ib->second);
        const int hi = std::max(ia->second, ib->second);
        int moved = 0;
        for (auto& entry : map.labels) {
            if (entry.second == hi) {
                entry.second = lo;
                ++moved;
            }
        }
        map.sizes[lo] += moved;
        map.sizes[hi] -= moved;
    }
}

std::vector<int> componentPixels(const ComponentMap& map, int label)
{
    std::vector<int> pixels;
    for (const auto& entry : map.labels) {
        if (entry.second == label)
            pixels.push_back(entry.first);
    }
    return pixels;
}

void keepLargestComponent(ImageBuffer& mask)
{
    const ComponentMap map = labelComponents(mask, isNonZeroByte);
    int best = -1, bestSize = -1;
    for (int label = 0; label < map.labelCount; ++label) {
        if (map.sizes[label] > bestSize) {
            best = label;
            bestSize = map.sizes[label];
        }
    }
    for (int label = 0; label < map.labelCount; ++label) {
        // A label merged away has no pixels left; skipping it saves a walk of the whole map.
        if (label == best || map.sizes[label] == 0)
            continue;
        for (const int p : componentPixels(map, label))
            mask.data[p] = 0;
    }
}

namespace {

bool touchesBorder(const std::vector<int>& pixels, int W, int H)
{
    for (const int p : pixels) {
        const int x = p % W, y = p / W;
        if (x == 0 || x == W - 1 || y == 0 || y == H - 1)
            return true;
    }
    return false;
}

}  // namespace

void fillHoles(const ImageBuffer& mask, ImageBuffer& out)
{
    const ComponentMap map = labelComponents(mask, isZeroByte);
    if (&out != &mask)
        out = mask;
    for (int label = 0; label < map.labelCount; ++label) {
        if (map.sizes[label] == 0)
            continue;
        const std::vector<int> pixels = componentPixels(map, label);
        if (touchesBorder(pixels, mask.width, mask.height))
            continue;
        for (const int p : pixels)
            out.data[p] = 255;
    }
}
