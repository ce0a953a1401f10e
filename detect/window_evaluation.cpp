#include "detect/window_evaluation.h"

#include "detect/integral_image.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

// activeCount as set by the scan, never beyond the stages that exist.
int activeStages(const PreparedCascade& p)
{
    return p.activeCount < int(p.stages.size()) ? p.activeCount : int(p.stages.size());
}

int rectSum(const int* window, const Corners& c)
{
    return cornerSum(window[c.p0], window[c.p1], window[c.p2], window[c.p3]);
}

// The weighted sum of the node's present rectangles, in this order, in double precision. Both
// evaluation paths use it, so that they always pick the same leaf.
double featureValue(const PreparedNode& node, const int* window, bool twoRects)
{
    double value = rectSum(window, node.rects[0].corners) * double(node.rects[0].weight);
    value += rectSum(window, node.rects[1].corners) * double(node.rects[1].weight);
    if (!twoRects && node.rects[2].isPresent())
        value += rectSum(window, node.rects[2].corners) * double(node.rects[2].weight);
    return value;
}

inline double varianceNormAt(const PreparedCascade& p, std::ptrdiff_t offset)
{
    const int* s = p.sum.samples<int>() + offset;
    const double* q = p.sqsum.samples<double>() + offset;
    const Corners& c = p.sumCorners;
    const Corners& v = p.varianceCorners;
    const double mean = rectSum(s, c) * p.invWindowArea;
    const double variance = (q[v.p0] - q[v.p1] - q[v.p2] + q[v.p3]) * p.invWindowArea - mean * mean;
    // Rounding can push a near-uniform window's variance just below 0.
    return variance >= 0.0 ? std::sqrt(variance) : 1.0;
}

double stageSumOf(const PreparedCascade& p, const PreparedStage& stage, double varianceNorm,
                  std::ptrdiff_t offset)
{
    double stageSum = 0.0;
    for (int t = 0; t < stage.count; ++t)
        stageSum += evalTree(p, p.trees[std::size_t(stage.firstTree + t)], varianceNorm, offset);
    return stageSum;
}

// Stages linked as a tree: a passed stage leads to its child, a failed one to the next stage of
// itself or of its nearest ancestor that has one. Only the stage determines where the walk goes,
// so a walk that evaluates some stage twice has entered a loop (a damaged file): such a window is
// rejected, as is one whose climb through the parents goes round in a circle.
int runTreeShaped(const PreparedCascade& p, double varianceNorm, std::ptrdiff_t offset)
{
    const long stageCount = long(p.stages.size());
    long evaluated = 0;
    int current = 0;
    for (;;) {
        if (++evaluated > stageCount)
            return 0;
        const PreparedStage& stage = p.stages[std::size_t(current)];
        if (stageSumOf(p, stage, varianceNorm, offset) >= stage.threshold) {
            if (stage.child == noStage)
                return 1;
            current = stage.child;
            continue;
        }
        long climbed = 0;
        while (p.stages[std::size_t(current)].next == noStage) {
            current = p.stages[std::size_t(current)].parent;
            if (current == noStage || ++climbed > stageCount)
                return 0;
        }
        current = p.stages[std::size_t(current)].next;
    }
}

// Every tree a single node: the node is evaluated in place, without the tree walk, and stages
// whose nodes all have two rectangles skip the test for a third.
int runStumps(const PreparedCascade& p, int startStage, double varianceNorm,
              std::ptrdiff_t offset)
{
    const int* window = p.sum.samples<int>() + offset;
    for (int i = startStage; i < activeStages(p); ++i) {
        const PreparedStage& stage = p.stages[std::size_t(i)];
        const bool twoRects = stage.twoRects != 0;
        double stageSum = 0.0;
        for (int t = 0; t < stage.count; ++t) {
            const PreparedTree& tree = p.trees[std::size_t(stage.firstTree + t)];
            const PreparedNode& node = p.nodes[std::size_t(tree.firstNode)];
            const double threshold = node.threshold * varianceNorm;
            const float* alpha = &p.alphas[std::size_t(tree.firstAlpha)];
            stageSum += featureValue(node, window, twoRects) >= threshold ? alpha[1] : alpha[0];
        }
        if (stageSum < stage.threshold)
            return -i;
    }
    return 1;
}

int runStages(const PreparedCascade& p, int startStage, double varianceNorm,
              std::ptrdiff_t offset)
{
    for (int i = startStage; i < activeStages(p); ++i) {
        const PreparedStage& stage = p.stages[std::size_t(i)];
        if (stageSumOf(p, stage, varianceNorm, offset) < stage.threshold)
            return -i;
    }
    return 1;
}

bool windowFits(const HaarCascade& cascade, const PreparedCascade& p, int x, int y)
{
    if (x < 0 || y < 0)
        return false;
    // The kept images must be a matching pair for the shared offsets to be right.
    if (p.sqsum.width != p.sum.width || p.sqsum.height != p.sum.height)
        return false;
    // Two pixels of room on the right and at the bottom: the scaled feature rectangles may reach
    // one pixel beyond the rounded window size.
    return long(x) + cascade.realWindowSize.width < long(p.sum.width) - 2 &&
           long(y) + cascade.realWindowSize.height < long(p.sum.height) - 2;
}

// A rectangle's corner offsets as two pairs, each read by one 64-bit load: the stump loop is
// bound by its loads, and this takes the offset loads from eight to four per stump.
struct OffsetPair {
    std::ptrdiff_t first;
    std::ptrdiff_t second;
};

static_assert(offsetof(Corners, p1) == offsetof(Corners, p0) + sizeof(int) &&
                  offsetof(Corners, p3) == offsetof(Corners, p2) + sizeof(int),
              "corner pairs must be adjacent");

inline OffsetPair offsetPair(const Corners& c, std::size_t firstOffset)
{
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&c) + firstOffset;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    std::uint64_t bits;
    std::memcpy(&bits, bytes, sizeof bits);
    // Little-endian: the first int is the low half.
    return {std::int32_t(std::uint32_t(bits)), std::int32_t(std::uint32_t(bits >> 32))};
#else
    int pair[2];
    std::memcpy(pair, bytes, sizeof pair);
    return {pair[0], pair[1]};
#endif
}

int sumAt(const int* window, const Corners& c)
{
    const OffsetPair top = offsetPair(c, offsetof(Corners, p0));
    const OffsetPair bottom = offsetPair(c, offsetof(Corners, p2));
    return cornerSum(window[top.first], window[top.second], window[bottom.first],
                     window[bottom.second]);
}

// The leaf of one stump, by the same products, sums and comparison as runStumps. Stages of
// two-rectangle stumps never test for a third rectangle.
template <bool threeRects>
double stumpLeaf(const FastStump& s, const int* window, double varianceNorm)
{
    double value = sumAt(window, s.rect0) * s.weight0;
    value += sumAt(window, s.rect1) * s.weight1;
    // The same stumps take this branch for every window, which keeps it predictable.
    if (threeRects && s.rect2.p0 != absentCorner)
        value += sumAt(window, s.rect2) * s.weight2;
    return s.alpha[value >= s.threshold * varianceNorm];
}

// Whether the window fails the stage, by the sum of all its leaves in order. Only a sum below the
// threshold fails, as in runStumps: a NaN sum passes.
template <bool threeRects>
bool failsStage(const FastStump* s, const FastStump* end, const int* window,
                double varianceNorm, double threshold)
{
    double stageSum = 0.0;
    for (; s != end; ++s)
        stageSum += stumpLeaf<threeRects>(*s, window, varianceNorm);
    return stageSum < threshold;
}

// The fast stump path: the same products, sums and comparisons as runStumps, on records that hold
// everything one stump needs side by side.
int runFastStumps(const PreparedCascade& p, int startStage, double varianceNorm,
                  std::ptrdiff_t offset)
{
    const int* window = p.sum.samples<int>() + offset;
    const FastStump* stumps = p.fastStumps.data();
    for (int i = startStage; i < activeStages(p); ++i) {
        const PreparedStage& stage = p.stages[std::size_t(i)];
        const FastStump* first = stumps + stage.firstTree;
        const FastStump* end = first + stage.count;
        const bool fails =
            stage.twoRects ? failsStage<false>(first, end, window, varianceNorm, stage.threshold)
                           : failsStage<true>(first, end, window, varianceNorm, stage.threshold);
        if (fails)
            return -i;
    }
    return 1;
}

}  // namespace

int runCascadeAtFast(int startStage, const HaarCascade& cascade, int x, int y)
{
    const PreparedCascade* p = cascade.prepared.get();
    if (!p || !p->isStumpBased || p->isTree ||
        p->fastStumps.size() != p->trees.size())
        return runCascadeAt(startStage, cascade, x, y);
    if (p->hasTilted || !windowFits(cascade, *p, x, y))
        return -1;
    const std::ptrdiff_t offset = std::ptrdiff_t(y) * p->sum.width + x;
    return runFastStumps(*p, startStage < 0 ? 0 : startStage, varianceNormAt(*p, offset), offset);
}

float evalTree(const PreparedCascade& prepared, const PreparedTree& tree, double varianceNorm,
               std::ptrdiff_t offset)
{
    const int* window = prepared.sum.samples<int>() + offset;
    const PreparedNode* nodes = &prepared.nodes[std::size_t(tree.firstNode)];
    int index = 0;
    do {
        const PreparedNode& node = nodes[index];
        const double threshold = node.threshold * varianceNorm;
        index = featureValue(node, window, false) < threshold ? node.left : node.right;
    } while (index > 0);
    return prepared.alphas[std::size_t(tree.firstAlpha - index)];
}

int runCascadeAt(int startStage, const HaarCascade& cascade, int x, int y)
{
    const PreparedCascade* p = cascade.prepared.get();
    if (!p || p->hasTilted || !windowFits(cascade, *p, x, y))
        return -1;
    const std::ptrdiff_t offset = std::ptrdiff_t(y) * p->sum.width + x;
    const double varianceNorm = varianceNormAt(*p, offset);

    if (p->isTree)
        return runTreeShaped(*p, varianceNorm, offset);
    if (startStage < 0)
        startStage = 0;
    if (p->isStumpBased)
        return runStumps(*p, startStage, varianceNorm, offset);
    return runStages(*p, startStage, varianceNorm, offset);
}
