#include "detect/window_evaluation.h"

#include "detect/eight_window_sums.h"
#include "detect/integral_image.h"
#include "detect/wide_stump_sums.h"

#include <cmath>
#include <cstddef>
#include <vector>

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

}  // namespace

double contrastNormAt(const PreparedCascade& p, std::ptrdiff_t offset)
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

namespace {

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
int runStumps(const PreparedCascade& p, int startStage, double varianceNorm, std::ptrdiff_t offset)
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

int runStages(const PreparedCascade& p, int startStage, double varianceNorm, std::ptrdiff_t offset)
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

// Which of a run of stump records have a third rectangle.
enum class Thirds { none, all, some };

// Adds the leaves of the records [s, end) to the stage sums of several windows at once, stump by
// stump: each record is read once for all of them, and each window's sum is built by the same
// products, sums and comparisons, in the same order, as runStumps builds it (the records' order
// differs from the trees' only where that changes no sum).
template <Thirds thirds, std::size_t lanes>
void addStumps(const FastStump* s, const FastStump* end, const int* const* windows,
               const double* varianceNorms, double* stageSum)
{
    for (; s != end; ++s) {
        const Corners r0 = s->rect0;
        const Corners r1 = s->rect1;
        const Corners r2 = s->rect2;
        const bool third =
            thirds == Thirds::all || (thirds == Thirds::some && r2.p0 != absentCorner);
        for (std::size_t k = 0; k < lanes; ++k) {
            const int* window = windows[k];
            double value = rectSum(window, r0) * s->weight0;
            value += rectSum(window, r1) * s->weight1;
            if (third)
                value += rectSum(window, r2) * s->weight2;
            stageSum[k] += s->alpha[value >= s->threshold * varianceNorms[k]];
        }
    }
}

template <std::size_t lanes>
void stageSumsOf(const PreparedCascade& p, const PreparedStage& stage, const int* const* windows,
                 const double* varianceNorms, double* sums)
{
    const FastStump* first = p.fastStumps.data() + stage.firstTree;
    const FastStump* rest = first + stage.leadingTwoRects;
    const FastStump* end = first + stage.count;
    double stageSum[lanes] = {};
    addStumps<Thirds::none, lanes>(first, rest, windows, varianceNorms, stageSum);
    if (stage.restHasThree)
        addStumps<Thirds::all, lanes>(rest, end, windows, varianceNorms, stageSum);
    else
        addStumps<Thirds::some, lanes>(rest, end, windows, varianceNorms, stageSum);
    for (std::size_t k = 0; k < lanes; ++k)
        sums[k] = stageSum[k];
}

// The fast stump path for one window: the same products, sums and comparisons as runStumps, on
// records that hold everything one stump needs side by side. Only a sum below the threshold fails,
// as in runStumps: a NaN sum passes.
int runFastStumps(const PreparedCascade& p, int startStage, double varianceNorm,
                  std::ptrdiff_t offset)
{
    const int* window = p.sum.samples<int>() + offset;
    for (int i = startStage; i < activeStages(p); ++i) {
        const PreparedStage& stage = p.stages[std::size_t(i)];
        double stageSum;
        stageSumsOf<1>(p, stage, &window, &varianceNorm, &stageSum);
        if (stageSum < stage.threshold)
            return -i;
    }
    return 1;
}

// Windows still running through the stages: where each one starts in the sums, its contrast norm,
// and where its result goes.
struct LiveWindows {
    std::vector<std::ptrdiff_t> offset;
    std::vector<double> varianceNorm;
    std::vector<std::size_t> index;

    std::size_t size() const { return index.size(); }
    void keep(std::size_t from, std::size_t to)
    {
        offset[to] = offset[from];
        varianceNorm[to] = varianceNorm[from];
        index[to] = index[from];
    }
    void resize(std::size_t n)
    {
        offset.resize(n);
        varianceNorm.resize(n);
        index.resize(n);
    }
};

// The stage sums of the live windows [at, at + n) by the given form, where n is the number of
// windows that the form takes at once (eight, four, or for the plain form up to four), and at
// most the windows left; returns n.
std::size_t stageSumsAt(const PreparedCascade& p, const PreparedStage& stage, StageSumsForm form,
                        const LiveWindows& live, std::size_t at, double* sums)
{
    const FastStump* first = p.fastStumps.data() + stage.firstTree;
    const int* integral = p.sum.samples<int>();
    const std::size_t left = live.size() - at;
    if (form == StageSumsForm::eight && left >= 8) {
        eightStageSums(stage, first, integral, &live.offset[at], &live.varianceNorm[at], sums);
        return 8;
    }
    if (form != StageSumsForm::plain && left >= 4) {
        wideStageSums(stage, first, integral, &live.offset[at], &live.varianceNorm[at], sums);
        return 4;
    }
    constexpr std::size_t lanes = 4;
    const std::size_t group = left < lanes ? left : lanes;
    const int* windows[lanes];
    for (std::size_t k = 0; k < group; ++k)
        windows[k] = integral + live.offset[at + k];
    if (group == lanes)
        stageSumsOf<lanes>(p, stage, windows, &live.varianceNorm[at], sums);
    else
        for (std::size_t k = 0; k < group; ++k)
            stageSumsOf<1>(p, stage, &windows[k], &live.varianceNorm[at + k], &sums[k]);
    return group;
}

// Runs one stage over every live window, several at a time, and keeps those that pass it, in
// order. Those that fail get -stageIndex.
void runStageOver(const PreparedCascade& p, int stageIndex, StageSumsForm form, LiveWindows& live,
                  int* results)
{
    const PreparedStage& stage = p.stages[std::size_t(stageIndex)];
    const std::size_t count = live.size();
    std::size_t kept = 0;
    double sums[8];
    for (std::size_t at = 0; at < count;) {
        const std::size_t group = stageSumsAt(p, stage, form, live, at, sums);
        // Without a branch, which would guess wrong for about every other window: each window
        // is marked as failed here and copied forward, and only a passing one advances the kept
        // count; its mark is overwritten by a later stage or at the end.
        for (std::size_t k = 0; k < group; ++k) {
            results[live.index[at + k]] = -stageIndex;
            live.keep(at + k, kept);
            kept += sums[k] < stage.threshold ? 0 : 1;
        }
        at += group;
    }
    live.resize(kept);
}

// Whether n windows lie in one row, left to right, within reach + 1 elements, all fitting the
// picture: then one load per corner serves them all.
bool isRowGroup(const HaarCascade& cascade, const PreparedCascade& p, const WindowSpot* w, int n,
                int reach)
{
    // The ends first: the later passes' windows seldom lie this close, and this test tells at once.
    if (w[n - 1].y != w[0].y || w[n - 1].x - w[0].x > reach)
        return false;
    for (int j = 1; j < n; ++j)
        if (w[j].y != w[0].y || w[j].x <= w[j - 1].x)
            return false;
    return windowFits(cascade, p, w[0].x, w[0].y) && windowFits(cascade, p, w[n - 1].x, w[n - 1].y);
}

// Runs the row group of n windows at windows[0] through the stages by the form that takes n.
void runRowGroup(const PreparedCascade& p, int startStage, const WindowSpot* windows, int n,
                 int* results)
{
    int shifts[8];
    for (int j = 0; j < n; ++j)
        shifts[j] = windows[j].x - windows[0].x;
    const std::ptrdiff_t offset = std::ptrdiff_t(windows[0].y) * p.sum.width + windows[0].x;
    if (n == 8)
        eightRowGroup(p, startStage, activeStages(p), offset, shifts, results);
    else
        wideRowGroup(p, startStage, activeStages(p), offset, shifts, results);
}

// Whether the fast stump records can stand for the prepared form: every tree a stump, stages in a
// plain chain, and one record per tree at the current scale.
bool hasFastStumps(const PreparedCascade* p)
{
    return p && p->isStumpBased && !p->isTree && p->fastStumps.size() == p->trees.size();
}

}  // namespace

int runCascadeAtFast(int startStage, const HaarCascade& cascade, int x, int y)
{
    const PreparedCascade* p = cascade.prepared.get();
    if (!hasFastStumps(p))
        return runCascadeAt(startStage, cascade, x, y);
    if (p->hasTilted || !windowFits(cascade, *p, x, y))
        return -1;
    const std::ptrdiff_t offset = std::ptrdiff_t(y) * p->sum.width + x;
    return runFastStumps(*p, startStage < 0 ? 0 : startStage, contrastNormAt(*p, offset), offset);
}

void runCascadesAtFast(int startStage, const HaarCascade& cascade, const WindowSpot* windows,
                       std::size_t count, int* results)
{
    const PreparedCascade* p = cascade.prepared.get();
    if (!hasFastStumps(p) || p->hasTilted) {
        for (std::size_t k = 0; k < count; ++k)
            results[k] = runCascadeAtFast(startStage, cascade, windows[k].x, windows[k].y);
        return;
    }
    // Kept from call to call: the scan asks for every scale, and fresh memory for each would
    // cost a page fault per page touched, which shows in the run's time.
    thread_local LiveWindows live;
    live.resize(0);
    const int firstStage = startStage < 0 ? 0 : startStage;
    const StageSumsForm form = stageSumsForm();
    std::size_t k = 0;
    while (k < count) {
        // Close neighbours in a row go through the stages together, eight or four of them; the
        // others one stage at a time with all the rest.
        if (form == StageSumsForm::eight && count - k >= 8 &&
            isRowGroup(cascade, *p, windows + k, 8, eightRowReach)) {
            runRowGroup(*p, firstStage, windows + k, 8, results + k);
            k += 8;
            continue;
        }
        if (form != StageSumsForm::plain && count - k >= 4 &&
            isRowGroup(cascade, *p, windows + k, 4, rowGroupReach)) {
            runRowGroup(*p, firstStage, windows + k, 4, results + k);
            k += 4;
            continue;
        }
        const WindowSpot w = windows[k];
        if (!windowFits(cascade, *p, w.x, w.y)) {
            results[k] = -1;
        } else {
            live.offset.push_back(std::ptrdiff_t(w.y) * p->sum.width + w.x);
            live.index.push_back(k);
        }
        ++k;
    }
    // The contrast norms, eight at a time where the processor can.
    live.varianceNorm.resize(live.size());
    std::size_t normed = 0;
    if (form == StageSumsForm::eight) {
        normed = live.size() / 8 * 8;
        eightContrastNorms(*p, live.offset.data(), normed, live.varianceNorm.data());
    }
    for (; normed < live.size(); ++normed)
        live.varianceNorm[normed] = contrastNormAt(*p, live.offset[normed]);
    for (int i = firstStage; i < activeStages(*p) && live.size() > 0; ++i)
        runStageOver(*p, i, form, live, results);
    for (std::size_t k = 0; k < live.size(); ++k)
        results[live.index[k]] = 1;
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
    const double varianceNorm = contrastNormAt(*p, offset);

    if (p->isTree)
        return runTreeShaped(*p, varianceNorm, offset);
    if (startStage < 0)
        startStage = 0;
    if (p->isStumpBased)
        return runStumps(*p, startStage, varianceNorm, offset);
    return runStages(*p, startStage, varianceNorm, offset);
}
