#include "detect/window_evaluation.h"

#include "detect/eight_window_sums.h"
#include "detect/integral_image.h"
#include "detect/wide_stump_sums.h"

#include "cascade_builders.h"
#include "stage_sums_forms.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <vector>

namespace {

void attach(HaarCascade& c, const ImageBuffer& picture, double scale = 1.0)
{
    ImageBuffer sum, sqsum;
    computeIntegrals(picture, sum, &sqsum);
    setImagesForScale(c, &sum, &sqsum, scale);
}

std::unique_ptr<HaarCascade> stagesFailingAt(int count, int failing)
{
    std::vector<HaarStage> stages;
    for (int i = 0; i < count; ++i)
        stages.push_back(constantStage(i != failing));
    return makeCascade(20, 20, std::move(stages));
}

// A window whose 6 x 4 corner block is bright in its lower half (feature value above 0) or in its
// upper half (below 0).
ImageBuffer halfBrightPicture(bool lowerBright)
{
    ImageBuffer b = greyPicture(40, 30, 0);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            pixel(b, x, y) = ((y >= 2) == lowerBright) ? 200 : 0;
    return b;
}

TEST(RunCascadeAt, WindowMustEndTwoPixelsInsideThePicture)
{
    auto c = stagesFailingAt(1, -1);
    attach(*c, greyPicture(100, 40, 50));
    EXPECT_EQ(runCascadeAt(0, *c, 78, 0), 1);
    EXPECT_EQ(runCascadeAt(0, *c, 79, 0), -1);  // 79 + 20 >= 101 - 2
    EXPECT_EQ(runCascadeAt(0, *c, 0, 18), 1);
    EXPECT_EQ(runCascadeAt(0, *c, 0, 19), -1);
    EXPECT_EQ(runCascadeAt(0, *c, -1, 0), -1);
    EXPECT_EQ(runCascadeAt(0, *c, 0, -1), -1);
    EXPECT_EQ(runCascadeAtFast(0, *c, 78, 18), 1);
    EXPECT_EQ(runCascadeAtFast(0, *c, 79, 0), -1);

    // A picture smaller than the window fits nowhere.
    auto small = stagesFailingAt(1, -1);
    attach(*small, greyPicture(19, 19, 50));
    EXPECT_EQ(runCascadeAt(0, *small, 0, 0), -1);
}

TEST(RunCascadeAt, NothingToEvaluateGivesMinusOne)
{
    auto unprepared = stagesFailingAt(1, -1);
    EXPECT_EQ(runCascadeAt(0, *unprepared, 0, 0), -1);
    EXPECT_EQ(runCascadeAtFast(0, *unprepared, 0, 0), -1);

    auto noImages = stagesFailingAt(1, -1);
    ASSERT_NE(prepareCascade(*noImages), nullptr);
    EXPECT_EQ(runCascadeAt(0, *noImages, 0, 0), -1);
    EXPECT_EQ(runCascadeAtFast(0, *noImages, 0, 0), -1);

    // Tilted features have no sums to be evaluated against.
    auto tilted = makeCascade(
        20, 20,
        {makeStage(-1.0f, {makeStump(makeFeature({{4, 0, 6, 4, -1}, {4, 0, 3, 2, 2}}, 1), 0.0f,
                                     0.0f, 0.0f)})});
    attach(*tilted, greyPicture(40, 40, 50));
    EXPECT_EQ(runCascadeAt(0, *tilted, 0, 0), -1);
}

TEST(RunCascadeAt, ResultNamesTheRejectingStage)
{
    const ImageBuffer picture = noisePicture(40, 40, 5);
    for (auto [failing, expected] : std::map<int, int>{{0, 0}, {1, -1}, {5, -5}, {-1, 1}}) {
        auto c = stagesFailingAt(6, failing);
        attach(*c, picture);
        EXPECT_EQ(runCascadeAt(0, *c, 3, 4), expected) << failing;
        EXPECT_EQ(runCascadeAtFast(0, *c, 3, 4), expected) << failing;
    }
}

TEST(RunCascadeAt, StartAndActiveStagesBoundTheEvaluation)
{
    const ImageBuffer picture = noisePicture(40, 40, 6);
    auto late = stagesFailingAt(22, 0);
    attach(*late, picture);
    EXPECT_EQ(runCascadeAt(2, *late, 1, 1), 1);  // stage 0 is never run
    late->prepared->activeCount = 2;
    EXPECT_EQ(runCascadeAt(0, *late, 1, 1), 0);

    auto failing = stagesFailingAt(22, 10);
    attach(*failing, picture);
    failing->prepared->activeCount = 10;
    EXPECT_EQ(runCascadeAt(2, *failing, 1, 1), 1);
    failing->prepared->activeCount = 22;
    EXPECT_EQ(runCascadeAt(2, *failing, 1, 1), -10);
    EXPECT_EQ(runCascadeAtFast(2, *failing, 1, 1), -10);

    // Start stage equal to the active count: nothing is evaluated.
    auto all = stagesFailingAt(3, 0);
    attach(*all, picture);
    EXPECT_EQ(runCascadeAt(3, *all, 1, 1), 1);
    EXPECT_EQ(runCascadeAtFast(3, *all, 1, 1), 1);
}

TEST(RunCascadeAt, FeatureEqualToTheThresholdTakesTheRightBranch)
{
    // On a uniform picture the balanced feature is exactly 0 and so is the scaled threshold (the
    // standard deviation is 0): the stump must answer with its second leaf.
    auto c =
        makeCascade(20, 20, {makeStage(0.5f, {makeStump(halvesFeature(), 0.5f, -1.0f, 1.0f)})});
    attach(*c, greyPicture(40, 40, 77));
    EXPECT_EQ(runCascadeAt(0, *c, 5, 5), 1);
    EXPECT_EQ(runCascadeAtFast(0, *c, 5, 5), 1);
    const PreparedCascade& p = *c->prepared;
    EXPECT_EQ(evalTree(p, p.trees[0], 0.0, 5 * 41 + 5), 1.0f);
}

TEST(RunCascadeAt, StumpsPickTheirLeafByTheFeatureSign)
{
    for (bool lowerBright : {true, false}) {
        auto c =
            makeCascade(20, 20, {makeStage(0.5f, {makeStump(halvesFeature(), 0.0f, -1.0f, 1.0f)})});
        attach(*c, halfBrightPicture(lowerBright));
        EXPECT_EQ(runCascadeAt(0, *c, 0, 0), lowerBright ? 1 : 0);
        EXPECT_EQ(runCascadeAtFast(0, *c, 0, 0), lowerBright ? 1 : 0);
    }
}

TEST(RunCascadeAtFast, UnorderedStageSumsPassLikeThePlainEvaluation)
{
    // A NaN leaf makes the stage sum NaN, which is not below any threshold: both paths let the
    // window pass, in a stage of two-rectangle stumps and in one with a third rectangle.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    HaarFeature threeRects = halvesFeature();
    threeRects.rects[2] = {0, 0, 2, 2, 1.0f};
    for (const HaarFeature& feature : {halvesFeature(), threeRects}) {
        auto c = makeCascade(20, 20,
                             {makeStage(0.5f, {makeStump(feature, 0.0f, nan, nan),
                                               makeStump(feature, 0.0f, -1.0f, -1.0f)}),
                              makeStage(0.5f, {makeStump(feature, 0.0f, -1.0f, -1.0f)})});
        attach(*c, halfBrightPicture(true));
        EXPECT_EQ(c->prepared->stages[0].twoRects, feature.rects[2].width == 0 ? 1 : 0);
        EXPECT_EQ(runCascadeAt(0, *c, 0, 0), -1);  // passes stage 0, fails stage 1
        EXPECT_EQ(runCascadeAtFast(0, *c, 0, 0), -1);
    }
}

TEST(EvalTree, WalksNodesToTheirLeaves)
{
    // Node 0 sends a feature below its threshold to node 1, whose own test picks leaf 1 or 2;
    // at or above, node 0 gives leaf 0.
    HaarTree t = makeStump(halvesFeature(), 0.0f, 0.0f, 0.0f);
    t.count = 2;
    t.left[0] = 1;
    t.right[0] = 0;
    t.features[1] = halvesFeature();
    t.thresholds[1] = -1e6f;
    t.left[1] = -1;
    t.right[1] = -2;
    t.alpha[0] = 5.0f, t.alpha[1] = 6.0f, t.alpha[2] = 7.0f;
    for (bool lowerBright : {true, false}) {
        auto c = makeCascade(20, 20, {makeStage(6.5f, {t})});
        attach(*c, halfBrightPicture(lowerBright));
        const PreparedCascade& p = *c->prepared;
        EXPECT_EQ(p.isStumpBased, 0);
        EXPECT_EQ(evalTree(p, p.trees[0], 1.0, 0), lowerBright ? 5.0f : 7.0f);
        EXPECT_EQ(runCascadeAt(0, *c, 0, 0), lowerBright ? 0 : 1);
    }
}

TEST(RunCascadeAt, TreeShapedCascadesFollowTheirLinks)
{
    const ImageBuffer picture = noisePicture(40, 40, 7);
    // 0 passes to its child 1, which fails; neither 1 nor its parent 0 has a next: rejected.
    std::vector<HaarStage> stages = {constantStage(true), constantStage(false), constantStage(true),
                                     constantStage(true)};
    stages[1].parent = 0;
    stages[0].child = 1;
    stages[2].next = 3;
    auto dead = makeCascade(20, 20, stages);
    dead->stages[1].child = -1;
    dead->stages[2].parent = -1;
    dead->stages[3].parent = -1;
    attach(*dead, picture);
    ASSERT_EQ(dead->prepared->isTree, 1);
    EXPECT_EQ(runCascadeAt(5, *dead, 1, 1), 0);  // the start stage is ignored

    // Failing stage 1 has a next (2), which passes and has no child: accepted.
    auto rescued = makeCascade(20, 20, stages);
    rescued->stages[1].next = 2;
    rescued->stages[1].child = -1;
    rescued->stages[2].child = -1;
    attach(*rescued, picture);
    EXPECT_EQ(runCascadeAt(0, *rescued, 1, 1), 1);
    EXPECT_EQ(runCascadeAtFast(0, *rescued, 1, 1), 1);

    // Links that lead round in a circle reject the window instead of running forever.
    auto circle = makeCascade(20, 20, {constantStage(false), constantStage(true)});
    circle->stages[0].next = 1;
    circle->stages[1].child = 0;
    attach(*circle, picture);
    EXPECT_EQ(runCascadeAt(0, *circle, 1, 1), 0);
}

// The batch evaluation of a few windows, compared with the plain one window at a time.
void expectBatchAgrees(int start, const HaarCascade& c, const std::vector<WindowSpot>& windows)
{
    std::vector<int> plain;
    for (const WindowSpot& w : windows)
        plain.push_back(runCascadeAt(start, c, w.x, w.y));
    std::vector<int> batched(windows.size(), 7);
    runCascadesAtFast(start, c, windows.data(), windows.size(), batched.data());
    EXPECT_EQ(batched, plain);
}

TEST(RunCascadesAtFast, GivesTheSingleWindowResultOnEveryPath)
{
    // Inside, on the edge of fitting, outside, and at negative positions.
    const std::vector<WindowSpot> windows{{1, 1},  {3, 4},  {18, 18}, {19, 0}, {0, 19},
                                          {-1, 0}, {0, -1}, {5, 5},   {2, 7}};
    const ImageBuffer picture = noisePicture(40, 40, 8);

    auto unprepared = stagesFailingAt(1, -1);
    expectBatchAgrees(0, *unprepared, windows);
    auto noImages = stagesFailingAt(1, -1);
    ASSERT_NE(prepareCascade(*noImages), nullptr);
    expectBatchAgrees(0, *noImages, windows);

    for (int failing : {0, 1, 5, -1}) {
        auto c = stagesFailingAt(6, failing);
        attach(*c, picture);
        for (int start : {-3, 0, 2, 6, 9})
            expectBatchAgrees(start, *c, windows);
        c->prepared->activeCount = 3;
        expectBatchAgrees(0, *c, windows);
    }

    auto tilted = makeCascade(
        20, 20,
        {makeStage(-1.0f, {makeStump(makeFeature({{4, 0, 6, 4, -1}, {4, 0, 3, 2, 2}}, 1), 0.0f,
                                     0.0f, 0.0f)})});
    attach(*tilted, picture);
    expectBatchAgrees(0, *tilted, windows);

    auto tree = stagesFailingAt(3, 1);
    tree->stages[0].next = 2;
    attach(*tree, picture);
    ASSERT_EQ(tree->prepared->isTree, 1);
    expectBatchAgrees(0, *tree, windows);

    // No windows at all.
    runCascadesAtFast(0, *tree, nullptr, 0, nullptr);
}

void expectFastPathsAgreeOnRandomCascades()
{
    std::map<int, int> outcomes;
    for (unsigned seed = 1; seed <= 6; ++seed) {
        auto c = randomStumpCascade(seed, 8, 5);
        const ImageBuffer picture = noisePicture(90, 70, seed);
        for (double scale : {1.0, 1.3, 1.69, 2.197}) {
            attach(*c, picture, scale);
            for (int start : {0, 2}) {
                std::vector<WindowSpot> windows;
                std::vector<int> plainResults;
                for (int y = 0; y < 70; y += 3)
                    for (int x = 0; x < 90; ++x) {
                        const int plain = runCascadeAt(start, *c, x, y);
                        ASSERT_EQ(runCascadeAtFast(start, *c, x, y), plain)
                            << seed << " " << scale << " " << x << "," << y;
                        ++outcomes[plain];
                        windows.push_back({x, y});
                        plainResults.push_back(plain);
                    }
                // All at once, and in batches whose sizes leave every remainder of the lanes.
                std::vector<int> together(windows.size(), 7);
                runCascadesAtFast(start, *c, windows.data(), windows.size(), together.data());
                ASSERT_EQ(together, plainResults) << seed << " " << scale << " " << start;
                for (std::size_t size : {1u, 2u, 3u, 5u, 6u, 7u}) {
                    std::vector<int> batched(windows.size(), 7);
                    for (std::size_t first = 0; first < windows.size(); first += size) {
                        const std::size_t n = std::min(size, windows.size() - first);
                        runCascadesAtFast(start, *c, &windows[first], n, &batched[first]);
                    }
                    ASSERT_EQ(batched, plainResults) << seed << " " << scale << " " << size;
                }
            }
        }
    }
    // Windows ended at many stages, were accepted, and did not fit.
    EXPECT_GE(outcomes.size(), 6u);
    EXPECT_GT(outcomes[1], 0);
    EXPECT_GT(outcomes[0], 0);
}

// The random cascades' leaf values add up exactly in any order, so their fast records are
// regrouped; every form of the sums must still give the plain evaluation's results.
TEST(RunCascadeAtFast, AgreesWithThePlainEvaluationOnRandomCascades)
{
    for (StageSumsForm form : runnableForms()) {
        SCOPED_TRACE(formName(form));
        FormInUse inUse(form);
        expectFastPathsAgreeOnRandomCascades();
    }
}

TEST(StageSumsForms, OnlyFormsTheProcessorHasCanBeChosen)
{
    EXPECT_TRUE(canRunStageSumsForm(StageSumsForm::plain));
    EXPECT_TRUE(canRunStageSumsForm(StageSumsForm::four) ||
                !canRunStageSumsForm(StageSumsForm::eight));
    for (StageSumsForm form : {StageSumsForm::plain, StageSumsForm::four, StageSumsForm::eight}) {
        useStageSumsForm(StageSumsForm::plain);
        EXPECT_EQ(useStageSumsForm(form), canRunStageSumsForm(form)) << formName(form);
        EXPECT_EQ(stageSumsForm(), canRunStageSumsForm(form) ? form : StageSumsForm::plain);
        EXPECT_EQ(haveWideStageSums(), stageSumsForm() != StageSumsForm::plain);
    }
    allowWideStageSums(false);
    EXPECT_EQ(stageSumsForm(), StageSumsForm::plain);
    allowWideStageSums(true);
    EXPECT_EQ(stageSumsForm(), runnableForms().back());  // the widest
    EXPECT_EQ(haveWideStageSums(), canRunStageSumsForm(StageSumsForm::four));
}

TEST(RunCascadesAtFast, CloseNeighboursInARowGiveTheSingleWindowResults)
{
    // Four windows within eight pixels of one row are evaluated together from shared loads; rows
    // of every spacing around that limit, up to the last window that fits, and runs broken by a
    // change of row, a step back or a window that does not fit.
    // Eight windows go together when they lie within sixteen pixels: steps of 2 reach 14, the
    // seven steps of {2, 2, 2, 2, 2, 2, 3} 15, and {2, 2, 2, 2, 2, 3, 3} 16, one too many.
    const std::vector<std::vector<int>> steps{{1},
                                              {2},
                                              {2, 3},
                                              {3, 2, 2},
                                              {2, 2, 3},
                                              {3},
                                              {1, 1, 6},
                                              {2, 2, 2, 2, 2, 2, 3},
                                              {2, 2, 2, 2, 2, 3, 3},
                                              {1, 1, 1, 1, 1, 1, 9}};
    std::map<int, int> outcomes;
    for (unsigned seed = 1; seed <= 3; ++seed) {
        auto c = randomStumpCascade(seed + 20, 6, 5);
        const ImageBuffer picture = noisePicture(64, 48, seed);
        for (double scale : {1.0, 1.3}) {
            attach(*c, picture, scale);
            std::vector<WindowSpot> windows;
            for (const std::vector<int>& step : steps)
                for (int y : {0, 7, 14, 21, 26, 27})  // at scale 1, 26 is the last row that fits
                    for (int x = 0, k = 0; x < 64; x += step[std::size_t(k++) % step.size()])
                        windows.push_back({x, y});
            windows.push_back({3, 3});
            windows.push_back({1, 3});
            windows.push_back({2, 4});
            windows.push_back({4, 4});
            for (int start : {0, 3}) {
                std::vector<int> plain;
                for (const WindowSpot& w : windows) {
                    plain.push_back(runCascadeAt(start, *c, w.x, w.y));
                    ++outcomes[plain.back()];
                }
                for (StageSumsForm form : runnableForms()) {
                    FormInUse inUse(form);
                    for (std::size_t skip : {0u, 1u, 2u, 3u, 5u}) {
                        std::vector<int> batched(windows.size() - skip, 7);
                        runCascadesAtFast(start, *c, windows.data() + skip, batched.size(),
                                          batched.data());
                        ASSERT_EQ(batched,
                                  std::vector<int>(plain.begin() + long(skip), plain.end()))
                            << formName(form) << " " << seed << " " << scale << " " << start << " "
                            << skip;
                    }
                }
            }
        }
    }
    EXPECT_GE(outcomes.size(), 5u);
}

TEST(RunCascadeAtFast, StagesWhoseSumsRoundKeepTheTreeOrder)
{
    // In tree order 2^60 + 200 rounds to 2^60 + 256 and the stage sum ends at 256.5, above the
    // threshold; with the two-rectangle stumps added first it would be 256, below it. So this
    // stage's records must keep the order of its trees on every path.
    HaarFeature three = halvesFeature();
    three.rects[2] = {0, 0, 2, 2, 1.0f};
    const HaarFeature two = halvesFeature();
    const float big = std::ldexp(1.0f, 60);
    auto c = makeCascade(
        20, 20,
        {makeStage(256.25f,
                   {makeStump(three, 0.0f, big, big), makeStump(two, 0.0f, 200.0f, 200.0f),
                    makeStump(three, 0.0f, -big, -big), makeStump(two, 0.0f, 0.5f, 0.5f)})});
    attach(*c, noisePicture(40, 40, 3));
    ASSERT_EQ(c->prepared->stages[0].sumsInAnyOrder, 0);
    // Scattered windows, enough for the eight-window sums and the others, and one row of eight.
    std::vector<WindowSpot> windows{{0, 0}, {1, 2}, {3, 1}, {5, 5}, {7, 2},
                                    {2, 9}, {4, 4}, {6, 1}, {8, 3}, {9, 9}};
    for (int x = 0; x < 16; x += 2)
        windows.push_back({x, 6});
    for (StageSumsForm form : runnableForms()) {
        FormInUse inUse(form);
        for (const WindowSpot& w : windows) {
            EXPECT_EQ(runCascadeAt(0, *c, w.x, w.y), 1);
            EXPECT_EQ(runCascadeAtFast(0, *c, w.x, w.y), 1) << formName(form);
        }
        std::vector<int> batched(windows.size(), 7);
        runCascadesAtFast(0, *c, windows.data(), windows.size(), batched.data());
        EXPECT_EQ(batched, std::vector<int>(windows.size(), 1)) << formName(form);
    }
}

// The contrast norms taken eight at a time are those of one window, to the bit: on noise, on a
// black block (variance 0, norm 0) and on a white one, whose variance rounding takes below 0 in a
// 5 x 15 variance window (norm 1), at several scales, with the windows in no order.
TEST(EightContrastNorms, AreTheOneWindowNormsToTheBit)
{
    if (!canRunStageSumsForm(StageSumsForm::eight))
        GTEST_SKIP() << "no AVX-512";
    ImageBuffer picture = noisePicture(90, 70, 5);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x) {
            pixel(picture, x, y) = 0;
            pixel(picture, x + 50, y + 35) = 255;
        }
    auto c = makeCascade(7, 17, {makeStage(0.0f, {makeStump(halvesFeature(), 0.0f, 1, 2)})});
    std::size_t zeros = 0;
    std::size_t ones = 0;
    for (double scale : {1.0, 1.3, 2.5}) {
        attach(*c, picture, scale);
        const PreparedCascade& p = *c->prepared;
        std::vector<std::ptrdiff_t> offsets;
        for (int y = 0; y + c->realWindowSize.height < p.sum.height - 2; ++y)
            for (int x = 0; x + c->realWindowSize.width < p.sum.width - 2; ++x)
                offsets.push_back(std::ptrdiff_t(y) * p.sum.width + x);
        std::reverse(offsets.begin() + std::ptrdiff_t(offsets.size() / 3), offsets.end());
        offsets.resize(offsets.size() / 8 * 8);
        std::vector<double> norms(offsets.size());
        eightContrastNorms(p, offsets.data(), offsets.size(), norms.data());
        for (std::size_t k = 0; k < offsets.size(); ++k) {
            const double expected = contrastNormAt(p, offsets[k]);
            ASSERT_EQ(std::memcmp(&norms[k], &expected, sizeof expected), 0)
                << "scale " << scale << " offset " << offsets[k] << ": " << norms[k] << " against "
                << expected;
            zeros += expected == 0.0 ? 1 : 0;
            ones += expected == 1.0 ? 1 : 0;
        }
    }
    EXPECT_GT(zeros, 0u);
    EXPECT_GT(ones, 0u);
}

}  // namespace
