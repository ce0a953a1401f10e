#include "detect/prepared_cascade.h"

#include "detect/rounding.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

void PreparedCascadeDeleter::operator()(PreparedCascade* prepared) const { delete prepared; }

namespace {

// A third rectangle whose weight is this small contributes nothing and is dropped, so that stages
// whose features all have two rectangles take the cheaper evaluation.
constexpr double negligibleWeight = 2.220446049250313e-16;

// Only rectangles of non-zero width are checked; the others add nothing to a feature.
bool isChecked(const HaarRect& r) { return r.width != 0; }

// Whether a checked rectangle lies inside the trained window. Sums in 64 bits, so that absurd
// values in a damaged file are refused rather than overflowing.
bool fitsWindow(const HaarRect& r, bool tilted, WindowSize window)
{
    const std::int64_t x = r.x, y = r.y, w = r.width, h = r.height;
    if (w < 0 || h < 0 || y < 0 || x + w > window.width)
        return false;
    if (!tilted)
        return x >= 0 && y + h <= window.height;
    return x - h >= 0 && y + w + h <= window.height;
}

// A tree can be walked only if its node count fits its storage and every link leads forward to a
// node of the tree or to one of its count + 1 leaves; a backward link would walk forever.
bool hasSoundLinks(const HaarTree& tree)
{
    if (tree.count < 1 || tree.count > HaarTree::maxNodes)
        return false;
    for (int l = 0; l < tree.count; ++l) {
        for (int link : {tree.left[l], tree.right[l]}) {
            if (link > 0 && (link <= l || link >= tree.count))
                return false;
            if (link <= 0 && -std::int64_t(link) > tree.count)
                return false;
        }
    }
    return true;
}

// Stage links outside the cascade lead nowhere.
int stageLink(int link, int stageCount) { return link >= 0 && link < stageCount ? link : noStage; }

struct CascadeCheck {
    bool valid = false;
    bool hasTilted = false;
    int trees = 0;
    int nodes = 0;
};

CascadeCheck checkCascade(const HaarCascade& cascade)
{
    CascadeCheck check;
    if (cascade.count <= 0 || std::size_t(cascade.count) > cascade.stages.size())
        return check;
    for (int i = 0; i < cascade.count; ++i) {
        const HaarStage& stage = cascade.stages[std::size_t(i)];
        if (stage.count <= 0 || std::size_t(stage.count) > stage.trees.size())
            return check;
        for (int t = 0; t < stage.count; ++t) {
            const HaarTree& tree = stage.trees[std::size_t(t)];
            if (!hasSoundLinks(tree))
                return check;
            for (int l = 0; l < tree.count; ++l) {
                const HaarFeature& feature = tree.features[l];
                for (const HaarRect& r : feature.rects) {
                    if (!isChecked(r))
                        continue;
                    if (feature.tilted)
                        check.hasTilted = true;
                    if (!fitsWindow(r, feature.tilted != 0, cascade.origWindowSize))
                        return check;
                }
            }
            check.nodes += tree.count;
        }
        check.trees += stage.count;
    }
    check.valid = true;
    return check;
}

bool isAbsentThirdRect(const HaarRect& r)
{
    return std::fabs(r.weight) < negligibleWeight || r.width == 0 || r.height == 0;
}

// The exponent of the lowest set bit of a finite, non-zero value's significand: the value is a
// whole multiple of 2 to that power.
int lowestBitExponent(double value)
{
    int exponent = 0;
    const double significand = std::frexp(std::fabs(value), &exponent);  // in [0.5, 1)
    std::uint64_t bits = static_cast<std::uint64_t>(std::ldexp(significand, 53));
    int zeros = 0;
    while ((bits & 1u) == 0) {
        bits >>= 1;
        ++zeros;
    }
    return exponent - 53 + zeros;
}

// Whether every sum of leaf values, one leaf per stump, in whatever order and grouping they are
// added, is exact in double: all leaves are whole multiples of one power of two 2^q, and the
// largest possible magnitude of any partial sum stays below 2^(q + 52), well inside the 53 bits
// of the significand. Then no addition rounds, and every order gives the same sum.
bool sumsInAnyOrder(const PreparedCascade& p, const PreparedStage& stage)
{
    int lowest = std::numeric_limits<int>::max();
    double largestSum = 0.0;
    for (int t = 0; t < stage.count; ++t) {
        const PreparedTree& tree = p.trees[std::size_t(stage.firstTree + t)];
        double largestLeaf = 0.0;
        for (int a = 0; a <= tree.count; ++a) {
            const double leaf = p.alphas[std::size_t(tree.firstAlpha + a)];
            if (!std::isfinite(leaf))
                return false;
            if (leaf != 0.0)
                lowest = std::min(lowest, lowestBitExponent(leaf));
            largestLeaf = std::max(largestLeaf, std::fabs(leaf));
        }
        largestSum += largestLeaf;
    }
    if (lowest == std::numeric_limits<int>::max())
        return true;  // every leaf 0
    // The bound's own rounding is far below the factor of 2 left as margin.
    return lowest > -1000 && largestSum < std::ldexp(1.0, lowest + 52);
}

PreparedNode prepareNode(const HaarTree& tree, int l, PreparedStage& stage)
{
    PreparedNode node;  // every corner set (offset 0) until a scale places it
    node.threshold = tree.thresholds[l];
    node.left = tree.left[l];
    node.right = tree.right[l];
    if (isAbsentThirdRect(tree.features[l].rects[2]))
        node.rects[2].corners.p0 = node.rects[2].corners.p1 = node.rects[2].corners.p2 =
            node.rects[2].corners.p3 = absentCorner;
    else
        stage.twoRects = 0;
    return node;
}

}  // namespace

PreparedCascade* prepareCascade(HaarCascade& cascade)
{
    if (cascade.prepared)
        return nullptr;
    const CascadeCheck check = checkCascade(cascade);
    if (!check.valid)
        return nullptr;

    auto prepared = std::unique_ptr<PreparedCascade, PreparedCascadeDeleter>(new PreparedCascade);
    PreparedCascade& p = *prepared;
    p.activeCount = cascade.count;
    p.isStumpBased = 1;
    p.hasTilted = check.hasTilted ? 1 : 0;
    p.isTree = 0;
    p.stages.reserve(std::size_t(cascade.count));
    p.trees.reserve(std::size_t(check.trees));
    p.nodes.reserve(std::size_t(check.nodes));
    p.alphas.reserve(std::size_t(check.nodes) + std::size_t(check.trees));

    for (int i = 0; i < cascade.count; ++i) {
        const HaarStage& source = cascade.stages[std::size_t(i)];
        PreparedStage stage;
        stage.count = source.count;
        // The difference in double, the margin being the float constant, then stored as a float.
        stage.threshold =
            static_cast<float>(double(source.threshold) - double(stageThresholdMargin));
        stage.firstTree = int(p.trees.size());
        stage.twoRects = 1;
        stage.next = stageLink(source.next, cascade.count);
        stage.child = stageLink(source.child, cascade.count);
        stage.parent = stageLink(source.parent, cascade.count);
        if (stage.next != noStage)
            p.isTree = 1;

        for (int t = 0; t < source.count; ++t) {
            const HaarTree& tree = source.trees[std::size_t(t)];
            PreparedTree prepTree;
            prepTree.count = tree.count;
            prepTree.firstNode = int(p.nodes.size());
            prepTree.firstAlpha = int(p.alphas.size());
            for (int l = 0; l < tree.count; ++l)
                p.nodes.push_back(prepareNode(tree, l, stage));
            for (int a = 0; a <= tree.count; ++a)
                p.alphas.push_back(tree.alpha[a]);
            if (tree.count != 1)
                p.isStumpBased = 0;
            p.trees.push_back(prepTree);
        }
        stage.sumsInAnyOrder = sumsInAnyOrder(p, stage) ? 1 : 0;
        p.stages.push_back(stage);
    }

    cascade.prepared = std::move(prepared);
    return cascade.prepared.get();
}

namespace {

struct ScaledRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

ScaledRect scaleRect(const HaarRect& r, double scale)
{
    // A rectangle of width 0 was never checked against the window and sums to 0 wherever it
    // lies, so it is kept at the window's corner rather than at a position outside the image.
    if (r.width == 0)
        return {0, 0, 0, 0};
    return {nearest(scale * r.x), nearest(scale * r.y), nearest(scale * r.width),
            nearest(scale * r.height)};
}

Corners cornersAt(int x, int y, int width, int height, int stride)
{
    // Computed in 64 bits; a window that can be evaluated keeps every corner well inside int.
    auto at = [stride](std::int64_t cx, std::int64_t cy) {
        return static_cast<int>(cy * stride + cx);
    };
    return {at(x, y), at(std::int64_t(x) + width, y), at(x, std::int64_t(y) + height),
            at(std::int64_t(x) + width, std::int64_t(y) + height)};
}

void scaleNode(const HaarFeature& feature, PreparedNode& node, double scale, double invWindowArea,
               int stride)
{
    const int present = node.rects[2].isPresent() ? 3 : 2;
    double area0 = 0.0;
    double sum0 = 0.0;
    for (int k = 0; k < present; ++k) {
        const ScaledRect r = scaleRect(feature.rects[k], scale);
        PreparedRect& out = node.rects[k];
        out.corners = cornersAt(r.x, r.y, r.width, r.height, stride);
        out.weight = static_cast<float>(double(feature.rects[k].weight) * invWindowArea);
        const double area = double(std::int64_t(r.width) * r.height);
        if (k == 0)
            area0 = area;
        else
            sum0 += double(out.weight) * area;
    }
    // The first rectangle balances the others over their scaled areas, so that a feature gives 0
    // on a uniform picture whatever the rounding of the scaled rectangles.
    node.rects[0].weight = static_cast<float>(-(sum0 / area0));
}

FastStump fastStumpOf(const PreparedCascade& p, const PreparedStage& stage, int t)
{
    const PreparedTree& tree = p.trees[std::size_t(stage.firstTree + t)];
    const PreparedNode& node = p.nodes[std::size_t(tree.firstNode)];
    FastStump stump;
    stump.rect0 = node.rects[0].corners;
    stump.rect1 = node.rects[1].corners;
    stump.weight0 = node.rects[0].weight;
    stump.weight1 = node.rects[1].weight;
    if (!stage.twoRects && node.rects[2].isPresent()) {
        stump.rect2 = node.rects[2].corners;
        stump.weight2 = node.rects[2].weight;
    }
    stump.threshold = node.threshold;
    stump.alpha[0] = p.alphas[std::size_t(tree.firstAlpha)];
    stump.alpha[1] = p.alphas[std::size_t(tree.firstAlpha) + 1];
    return stump;
}

bool hasThirdRect(const FastStump& stump) { return stump.rect2.p0 != absentCorner; }

// One record per tree, stage by stage. Where the order of a stage's sum does not matter, the
// records with a third rectangle go behind the others (each kind keeping its own order).
void buildFastStumps(PreparedCascade& p)
{
    p.fastStumps.clear();
    if (!p.isStumpBased)
        return;
    p.fastStumps.reserve(p.trees.size());
    std::vector<FastStump> withThird;  // of an order-free stage, held back until its end
    for (PreparedStage& stage : p.stages) {
        const std::size_t first = p.fastStumps.size();
        withThird.clear();
        for (int t = 0; t < stage.count; ++t) {
            const FastStump stump = fastStumpOf(p, stage, t);
            if (stage.sumsInAnyOrder && hasThirdRect(stump))
                withThird.push_back(stump);
            else
                p.fastStumps.push_back(stump);
        }
        p.fastStumps.insert(p.fastStumps.end(), withThird.begin(), withThird.end());
        const auto begin = p.fastStumps.begin() + std::ptrdiff_t(first);
        const auto rest = std::find_if(begin, p.fastStumps.end(), hasThirdRect);
        stage.leadingTwoRects = int(rest - begin);
        stage.restHasThree = std::all_of(rest, p.fastStumps.end(), hasThirdRect) ? 1 : 0;
    }
}

// Sets the scale on a prepared form whose images are already in place.
void scalePrepared(HaarCascade& cascade, double scale)
{
    PreparedCascade& p = *cascade.prepared;
    cascade.scale = scale;
    cascade.realWindowSize.width = nearest(scale * cascade.origWindowSize.width);
    cascade.realWindowSize.height = nearest(scale * cascade.origWindowSize.height);
    const int stride = p.sum.width;

    // The variance window: the trained window shrunk by one pixel on every side, scaled.
    const int e = nearest(scale);
    const int ew = nearest(scale * (double(cascade.origWindowSize.width) - 2));
    const int eh = nearest(scale * (double(cascade.origWindowSize.height) - 2));
    p.invWindowArea = 1.0 / double(std::int64_t(ew) * eh);
    p.sumCorners = cornersAt(e, e, ew, eh, stride);
    p.varianceCorners = p.sumCorners;

    for (std::size_t i = 0; i < p.stages.size(); ++i) {
        const HaarStage& source = cascade.stages[i];
        const PreparedStage& stage = p.stages[i];
        for (int t = 0; t < stage.count; ++t) {
            const HaarTree& tree = source.trees[std::size_t(t)];
            const PreparedTree& prepTree = p.trees[std::size_t(stage.firstTree + t)];
            for (int l = 0; l < prepTree.count; ++l)
                scaleNode(tree.features[l], p.nodes[std::size_t(prepTree.firstNode + l)], scale,
                          p.invWindowArea, stride);
        }
    }
    buildFastStumps(p);
}

}  // namespace

void setImagesForScale(HaarCascade& cascade, const ImageBuffer* sum, const ImageBuffer* sqsum,
                       double scale)
{
    if (!cascade.prepared && !prepareCascade(cascade))
        return;
    if (sum)
        cascade.prepared->sum = *sum;
    if (sqsum)
        cascade.prepared->sqsum = *sqsum;
    scalePrepared(cascade, scale);
}

void setImagesForScale(HaarCascade& cascade, ImageBuffer&& sum, ImageBuffer&& sqsum, double scale)
{
    if (!cascade.prepared && !prepareCascade(cascade))
        return;
    cascade.prepared->sum = std::move(sum);
    cascade.prepared->sqsum = std::move(sqsum);
    scalePrepared(cascade, scale);
}
