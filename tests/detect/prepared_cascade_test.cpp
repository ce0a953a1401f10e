#include "detect/prepared_cascade.h"

#include "detect/integral_image.h"

#include "cascade_builders.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>

namespace {

std::unique_ptr<HaarCascade> cascadeOf(std::vector<HaarFeature> features)
{
    std::vector<HaarTree> trees;
    for (const HaarFeature& f : features)
        trees.push_back(makeStump(f, 0.0f, -1.0f, 1.0f));
    std::vector<HaarStage> stages;
    stages.push_back(makeStage(-0.5f, trees));
    return makeCascade(20, 20, std::move(stages));
}

// Attaches the integrals of a w x h picture at the given scale.
void target(HaarCascade& c, int w, int h, double scale)
{
    ImageBuffer sum, sqsum;
    computeIntegrals(greyPicture(w, h, 9), sum, &sqsum);
    setImagesForScale(c, &sum, &sqsum, scale);
}

Corners cornersOf(int x, int y, int width, int height, int stride)
{
    return {y * stride + x, y * stride + x + width, (y + height) * stride + x,
            (y + height) * stride + x + width};
}

void expectCorners(const Corners& got, const Corners& want)
{
    EXPECT_EQ(got.p0, want.p0);
    EXPECT_EQ(got.p1, want.p1);
    EXPECT_EQ(got.p2, want.p2);
    EXPECT_EQ(got.p3, want.p3);
}

TEST(PrepareCascade, FlattensStagesTreesAndLeaves)
{
    auto c = cascadeOf({halvesFeature(), halvesFeature()});
    c->stages.push_back(constantStage(true));
    c->count = 2;
    PreparedCascade* p = prepareCascade(*c);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p, c->prepared.get());
    EXPECT_EQ(p->activeCount, 2);
    EXPECT_EQ(p->isStumpBased, 1);
    EXPECT_EQ(p->hasTilted, 0);
    EXPECT_EQ(p->isTree, 0);
    ASSERT_EQ(p->stages.size(), 2u);
    EXPECT_EQ(p->stages[0].count, 2);
    EXPECT_EQ(p->stages[1].firstTree, 2);
    EXPECT_EQ(p->trees.size(), 3u);
    EXPECT_EQ(p->alphas, (std::vector<float>{-1, 1, -1, 1, 0, 0}));
    // The threshold margin: -0.5 less the float 0.0001, in double, stored as a float.
    EXPECT_EQ(p->stages[0].threshold, -0.5001f);
}

TEST(PrepareCascade, SecondPreparationIsRefusedAndKeepsTheFirst)
{
    auto c = cascadeOf({halvesFeature()});
    PreparedCascade* first = prepareCascade(*c);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(prepareCascade(*c), nullptr);
    EXPECT_EQ(c->prepared.get(), first);
}

TEST(PrepareCascade, RefusesBrokenCascades)
{
    auto empty = makeCascade(20, 20, {});
    EXPECT_EQ(prepareCascade(*empty), nullptr);

    auto noTrees = cascadeOf({halvesFeature()});
    noTrees->stages[0].count = 0;
    EXPECT_EQ(prepareCascade(*noTrees), nullptr);

    // x + width = 21 in a window 20 wide.
    auto wide = cascadeOf({makeFeature({{15, 0, 6, 4, -1}, {15, 0, 3, 4, 2}})});
    EXPECT_EQ(prepareCascade(*wide), nullptr);
    EXPECT_FALSE(wide->prepared);

    auto low = cascadeOf({makeFeature({{0, 17, 6, 4, -1}, {0, 17, 3, 4, 2}})});
    EXPECT_EQ(prepareCascade(*low), nullptr);
    auto negative = cascadeOf({makeFeature({{-1, 0, 6, 4, -1}, {0, 0, 3, 4, 2}})});
    EXPECT_EQ(prepareCascade(*negative), nullptr);
    auto negativeHeight = cascadeOf({makeFeature({{0, 0, 6, -4, -1}, {0, 0, 3, 4, 2}})});
    EXPECT_EQ(prepareCascade(*negativeHeight), nullptr);

    // A rectangle of width 0 is not checked at all.
    auto unchecked = cascadeOf({makeFeature({{0, 0, 6, 4, -1}, {-50, 99, 0, 4, 2}})});
    EXPECT_NE(prepareCascade(*unchecked), nullptr);
}

TEST(PrepareCascade, RefusesTreesThatCannotBeWalked)
{
    // A link back to the node itself would walk forever; one beyond the leaves reads past them.
    auto loop = cascadeOf({halvesFeature()});
    HaarTree& t = loop->stages[0].trees[0];
    t.count = 2;
    t.features[1] = halvesFeature();
    t.left[0] = 1;
    t.left[1] = 1;
    EXPECT_EQ(prepareCascade(*loop), nullptr);

    auto farLeaf = cascadeOf({halvesFeature()});
    farLeaf->stages[0].trees[0].right[0] = -2;
    EXPECT_EQ(prepareCascade(*farLeaf), nullptr);

    auto noNodes = cascadeOf({halvesFeature()});
    noNodes->stages[0].trees[0].count = 0;
    EXPECT_EQ(prepareCascade(*noNodes), nullptr);
}

TEST(PrepareCascade, TiltedFeaturesAreCheckedByTheirOwnBounds)
{
    // Rotated by 45 degrees a rectangle reaches height pixels to the left and width + height down.
    auto tilted = cascadeOf({makeFeature({{4, 0, 6, 4, -1}, {4, 0, 3, 2, 2}}, 1)});
    PreparedCascade* p = prepareCascade(*tilted);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->hasTilted, 1);

    auto left = cascadeOf({makeFeature({{3, 0, 6, 4, -1}, {4, 0, 3, 2, 2}}, 1)});
    EXPECT_EQ(prepareCascade(*left), nullptr);
    auto down = cascadeOf({makeFeature({{4, 11, 6, 4, -1}, {4, 0, 3, 2, 2}}, 1)});
    EXPECT_EQ(prepareCascade(*down), nullptr);
}

TEST(PrepareCascade, FlagsForStumpsAndTreeShapedStages)
{
    auto twoNodes = cascadeOf({halvesFeature(), halvesFeature()});
    HaarTree& t = twoNodes->stages[0].trees[1];
    t.count = 2;
    t.features[1] = halvesFeature();
    t.left[0] = 1;
    t.right[1] = -2;
    ASSERT_NE(prepareCascade(*twoNodes), nullptr);
    EXPECT_EQ(twoNodes->prepared->isStumpBased, 0);
    EXPECT_EQ(twoNodes->prepared->alphas.size(), 5u);

    auto tree = makeCascade(20, 20, {constantStage(true), constantStage(true)});
    tree->stages[0].next = 1;
    ASSERT_NE(prepareCascade(*tree), nullptr);
    EXPECT_EQ(tree->prepared->isTree, 1);
    EXPECT_EQ(tree->prepared->stages[0].next, 1);
    EXPECT_EQ(tree->prepared->stages[0].child, 1);
    EXPECT_EQ(tree->prepared->stages[1].parent, 0);

    // A link outside the cascade leads nowhere instead of to a stage that does not exist.
    auto stray = cascadeOf({halvesFeature()});
    stray->stages[0].next = 7;
    ASSERT_NE(prepareCascade(*stray), nullptr);
    EXPECT_EQ(stray->prepared->stages[0].next, noStage);
    EXPECT_EQ(stray->prepared->isTree, 0);
}

TEST(PrepareCascade, ThirdRectangleAbsenceRules)
{
    auto withThird = [](HaarRect third) {
        return makeFeature({{0, 0, 6, 4, -1}, {0, 2, 6, 2, 2}, third});
    };
    auto c = cascadeOf({withThird({1, 1, 2, 2, 0.0f}), withThird({1, 1, 0, 2, 1.0f}),
                        withThird({1, 1, 2, 0, 1.0f}), withThird({1, 1, 2, 2, 1e-20f})});
    ASSERT_NE(prepareCascade(*c), nullptr);
    for (const PreparedNode& n : c->prepared->nodes) {
        EXPECT_TRUE(n.rects[0].isPresent());
        EXPECT_TRUE(n.rects[1].isPresent());
        EXPECT_FALSE(n.rects[2].isPresent());
    }
    EXPECT_EQ(c->prepared->stages[0].twoRects, 1);

    auto present = cascadeOf({halvesFeature(), withThird({1, 1, 2, 2, 1e-10f})});
    ASSERT_NE(prepareCascade(*present), nullptr);
    EXPECT_TRUE(present->prepared->nodes[1].rects[2].isPresent());
    EXPECT_EQ(present->prepared->stages[0].twoRects, 0);
}

TEST(PrepareCascade, StagesWhoseLeafSumsCannotRoundAreMarked)
{
    using Leaves = std::vector<std::pair<float, float>>;
    auto marked = [](const Leaves& leaves) {
        std::vector<HaarTree> trees;
        for (const auto& [below, above] : leaves)
            trees.push_back(makeStump(halvesFeature(), 0.0f, below, above));
        auto c = makeCascade(20, 20, {makeStage(0.0f, trees)});
        return prepareCascade(*c) ? c->prepared->stages[0].sumsInAnyOrder : -1;
    };
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float big = std::ldexp(1.0f, 60);
    EXPECT_EQ(marked({{-1.0f, 1.0f}, {0.25f, -0.75f}}), 1);
    EXPECT_EQ(marked(Leaves(300, {0.1f, -0.3f})), 1);  // the real cascade's kind of values
    EXPECT_EQ(marked({{0.0f, 0.0f}, {0.0f, 0.0f}}), 1);
    EXPECT_EQ(marked({{big, big}, {0.5f, 0.5f}}), 0);  // 2^60 + 0.5 rounds
    EXPECT_EQ(marked({{1e-30f, 1.0f}}), 0);            // 1 + 1e-30 rounds
    EXPECT_EQ(marked({{inf, 1.0f}}), 0);
    EXPECT_EQ(marked({{nan, 1.0f}}), 0);
}

TEST(SetImagesForScale, RecordsWithAThirdRectangleComeLastOnlyWhereOrderIsFree)
{
    const HaarFeature three = makeFeature({{0, 0, 6, 4, -1}, {0, 2, 6, 2, 2}, {1, 1, 2, 2, 1}});
    const HaarFeature two = halvesFeature();
    const float big = std::ldexp(1.0f, 60);
    // Leaves tell the records apart: tree t has leaves t and t + 0.5, except tree 0 of the second
    // stage, whose leaves 2^60 make that stage's sums round.
    auto stumps = [&](bool exactSums) {
        std::vector<HaarTree> trees;
        const HaarFeature* kinds[5] = {&three, &two, &three, &two, &two};
        for (int t = 0; t < 5; ++t) {
            const float leaf = exactSums || t != 0 ? float(t) : big;
            trees.push_back(makeStump(*kinds[t], 0.0f, leaf, leaf + 0.5f));
        }
        return trees;
    };
    auto c = makeCascade(20, 20, {makeStage(0.0f, stumps(true)), makeStage(0.0f, stumps(false))});
    target(*c, 40, 30, 1.3);
    const PreparedCascade& p = *c->prepared;
    ASSERT_EQ(p.fastStumps.size(), 10u);
    auto order = [&](int stage) {
        std::vector<double> leaves;
        for (int k = 0; k < 5; ++k)
            leaves.push_back(p.fastStumps[std::size_t(5 * stage + k)].alpha[0]);
        return leaves;
    };
    EXPECT_EQ(order(0), (std::vector<double>{1, 3, 4, 0, 2}));
    EXPECT_EQ(p.stages[0].leadingTwoRects, 3);
    EXPECT_EQ(p.stages[0].restHasThree, 1);
    EXPECT_EQ(order(1), (std::vector<double>{double(big), 1, 2, 3, 4}));
    EXPECT_EQ(p.stages[1].leadingTwoRects, 0);
    EXPECT_EQ(p.stages[1].restHasThree, 0);
}

TEST(SetImagesForScale, WindowAndVarianceWindowAtScaleOne)
{
    auto c = cascadeOf({halvesFeature()});
    target(*c, 40, 30, 1.0);
    const PreparedCascade& p = *c->prepared;
    EXPECT_EQ(c->scale, 1.0);
    EXPECT_EQ(c->realWindowSize.width, 20);
    EXPECT_EQ(c->realWindowSize.height, 20);
    EXPECT_EQ(p.invWindowArea, 1.0 / 324);
    EXPECT_EQ(p.sum.width, 41);
    EXPECT_EQ(p.sqsum.height, 31);
    expectCorners(p.sumCorners, cornersOf(1, 1, 18, 18, 41));
    expectCorners(p.varianceCorners, cornersOf(1, 1, 18, 18, 41));
}

TEST(SetImagesForScale, ScaledSizesRoundHalvesToEven)
{
    auto c = cascadeOf({makeFeature({{5, 15, 1, 1, -1}, {15, 5, 1, 1, 1}})});
    target(*c, 40, 30, 1.69);
    EXPECT_EQ(c->realWindowSize.width, 34);                               // nearest(33.8)
    EXPECT_EQ(c->prepared->invWindowArea, 1.0 / 900);                     // nearest(30.42) squared
    expectCorners(c->prepared->sumCorners, cornersOf(2, 2, 30, 30, 41));  // nearest(1.69) = 2

    // Without images the earlier ones stay and only the scale changes.
    setImagesForScale(*c, nullptr, nullptr, 1.3);
    EXPECT_EQ(c->prepared->sum.width, 41);
    EXPECT_EQ(c->realWindowSize.width, 26);
    const PreparedNode& n = c->prepared->nodes[0];
    // 5 x 1.3 = 6.5 goes to 6, 15 x 1.3 = 19.5 goes to 20; 1.3 goes to 1.
    expectCorners(n.rects[0].corners, cornersOf(6, 20, 1, 1, 41));
    expectCorners(n.rects[1].corners, cornersOf(20, 6, 1, 1, 41));
}

TEST(SetImagesForScale, FirstRectangleBalancesTheOthers)
{
    auto c = cascadeOf({halvesFeature()});
    target(*c, 40, 30, 1.0);
    const PreparedNode& n = c->prepared->nodes[0];
    EXPECT_EQ(n.rects[1].weight, static_cast<float>(2.0 / 324));
    EXPECT_NEAR(n.rects[1].weight, 0.0061728, 1e-7);
    // The file's -1 is replaced: 12 pixels of weight 2/324 balanced over 24 pixels.
    EXPECT_EQ(n.rects[0].weight, -n.rects[1].weight / 2);
    EXPECT_NEAR(n.rects[0].weight, -0.0030864, 1e-7);
    EXPECT_FALSE(n.rects[2].isPresent());

    // Three rectangles: the first balances the sum of both others.
    auto three = cascadeOf({makeFeature({{0, 0, 4, 4, 5}, {0, 0, 2, 4, 1}, {2, 0, 1, 2, 3}})});
    target(*three, 40, 30, 1.0);
    const PreparedNode& m = three->prepared->nodes[0];
    const double other = double(m.rects[1].weight) * 8 + double(m.rects[2].weight) * 2;
    EXPECT_EQ(m.rects[0].weight, static_cast<float>(-(other / 16)));
}

TEST(SetImagesForScale, PreparesTheCascadeWhenNeededAndIgnoresARefusedOne)
{
    auto c = cascadeOf({halvesFeature()});
    target(*c, 40, 30, 1.0);
    EXPECT_TRUE(c->prepared);

    auto refused = cascadeOf({makeFeature({{15, 0, 6, 4, -1}, {15, 0, 3, 4, 2}})});
    target(*refused, 40, 30, 1.0);
    EXPECT_FALSE(refused->prepared);
    EXPECT_EQ(refused->scale, 0.0);
}

}  // namespace
