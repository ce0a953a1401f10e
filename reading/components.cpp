#include "reading/components.h"

#include "reading/linked_regions.h"

#include <algorithm>
#include <initializer_list>

namespace {

// Labels as linkPixels gives them, without its walk of the whole map on every merge. A merge
// leaves each region with the smallest label that ever took part in it, so the labels are kept
// in a union-find forest whose roots are those smallest labels; a pixel's final label is the root
// of the label it got when it entered. Label numbers, sizes and final labels come out exactly as
// a run of linkPixels over the same links in the same order would leave them.
class LabelForest {
public:
    explicit LabelForest(std::size_t pixels) : labelOf_(pixels, -1) {}

    void link(int a, int b)
    {
        const int la = labelOf_[a], lb = labelOf_[b];
        if (la < 0 && lb < 0) {
            const int label = int(parent_.size());
            parent_.push_back(label);
            size_.push_back(2);
            labelOf_[a] = labelOf_[b] = label;
        } else if (la < 0) {
            labelOf_[a] = root(lb);
            ++size_[labelOf_[a]];
        } else if (lb < 0) {
            labelOf_[b] = root(la);
            ++size_[labelOf_[b]];
        } else {
            const int ra = root(la), rb = root(lb);
            if (ra == rb)
                return;
            const int lo = std::min(ra, rb), hi = std::max(ra, rb);
            parent_[hi] = lo;
            size_[lo] += size_[hi];
            size_[hi] = 0;
        }
    }

    ComponentMap toMap()
    {
        ComponentMap map;
        map.labelCount = int(parent_.size());
        map.sizes = size_;
        for (std::size_t p = 0; p < labelOf_.size(); ++p) {
            if (labelOf_[p] >= 0)
                map.labels.emplace_hint(map.labels.end(), int(p), root(labelOf_[p]));
        }
        return map;
    }

private:
    int root(int label)
    {
        while (parent_[label] != label) {
            parent_[label] = parent_[parent_[label]];
            label = parent_[label];
        }
        return label;
    }

    std::vector<int> labelOf_;  // -1 until the pixel is linked
    std::vector<int> parent_;
    std::vector<int> size_;
};

}  // namespace

ComponentMap labelComponents(const ImageBuffer& mask, BytePredicate qualifies)
{
    const int W = mask.width, H = mask.height;
    LabelForest forest(std::size_t(W) * std::size_t(H));
    const unsigned char* m = mask.data;
    for (int y = 0; y + 1 < H; ++y) {
        for (int x = 0; x + 1 < W; ++x) {
            const int p = y * W + x;
            if (!qualifies(m[p]))
                continue;
            for (const int q : {p + 1, p + W, p + W + 1}) {
                if (qualifies(m[q]))
                    forest.link(p, q);
            }
        }
    }
    return forest.toMap();
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

// Both cleaning steps change the pixels that componentPixels would give for the labels concerned;
// they find them run by run (linked_regions.h). The label that survives a merge is the smaller,
// and labels are made in raster order of the links, so a region's final label is the one made at
// its first pixel: regions compare by their first pixels as their labels do.
void keepLargestComponent(ImageBuffer& mask)
{
    const LinkedRegions regions = linkedRegions(mask, true);
    int best = -1, bestSize = -1;
    for (int region = 0; region < int(regions.sizes.size()); ++region) {
        if (regions.sizes[region] > bestSize) {
            best = region;
            bestSize = regions.sizes[region];
        }
    }
    for (const LinkedRegions::Run& run : regions.runs) {
        if (run.region >= 0 && run.region != best) {
            unsigned char* row = mask.data + std::size_t(run.row) * mask.width;
            std::fill(row + run.first, row + run.last + 1, 0);
        }
    }
}

void fillHoles(const ImageBuffer& mask, ImageBuffer& out)
{
    const LinkedRegions regions = linkedRegions(mask, false);
    if (&out != &mask)
        out = mask;
    const int W = mask.width, H = mask.height;
    std::vector<unsigned char> touchesBorder(regions.sizes.size(), 0);
    for (const LinkedRegions::Run& run : regions.runs) {
        if (run.region >= 0 &&
            (run.row == 0 || run.row == H - 1 || run.first == 0 || run.last == W - 1))
            touchesBorder[run.region] = 1;
    }
    for (const LinkedRegions::Run& run : regions.runs) {
        if (run.region >= 0 && !touchesBorder[run.region]) {
            unsigned char* row = out.data + std::size_t(run.row) * W;
            std::fill(row + run.first, row + run.last + 1, 255);
        }
    }
}
