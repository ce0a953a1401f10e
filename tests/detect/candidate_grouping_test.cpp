#include "detect/candidate_grouping.h"

#include <gtest/gtest.h>

namespace {

FaceRect at(int x, int y, int width, int height = -1)
{
    return {x, y, width, height < 0 ? width : height, 0};
}

TEST(SimilarRects, SlackAndWidthBoundsComeFromTheCandidateBeingLabelled)
{
    // Later candidate of width 36 at x 7, earlier of width 30 at x 0: d = 7, 30 <= 43, 36 >= 36.
    EXPECT_TRUE(similarRects(at(7, 0, 36), at(0, 0, 30)));
    // The other way round: d = 6, and 7 > 6.
    EXPECT_FALSE(similarRects(at(0, 0, 30), at(7, 0, 36)));

    // The slack is nearest(0.2 x width): 32 gives 6.4 -> 6, 33 gives 6.6 -> 7.
    EXPECT_TRUE(similarRects(at(0, 0, 32), at(6, -6, 32)));
    EXPECT_FALSE(similarRects(at(0, 0, 32), at(7, 0, 32)));
    EXPECT_FALSE(similarRects(at(0, 0, 32), at(0, 7, 32)));
    EXPECT_TRUE(similarRects(at(0, 0, 33), at(-7, 7, 33)));

    // Width bounds: b.width <= nearest(1.2 a.width) and nearest(1.2 b.width) >= a.width.
    EXPECT_TRUE(similarRects(at(0, 0, 30), at(0, 0, 36)));
    EXPECT_FALSE(similarRects(at(0, 0, 30), at(0, 0, 37)));
    EXPECT_TRUE(similarRects(at(0, 0, 36), at(0, 0, 30)));
    EXPECT_FALSE(similarRects(at(0, 0, 37), at(0, 0, 30)));
    // nearest(1.2 x 30) = 36 exactly; nearest(1.2 x 35) = 42.
    EXPECT_TRUE(similarRects(at(0, 0, 35), at(0, 0, 42)));

    // Heights are not compared.
    EXPECT_TRUE(similarRects(at(0, 0, 30, 5), at(0, 0, 30, 90)));
}

TEST(PartitionCandidates, LabelsInOrderOfFirstAppearanceWithoutMerging)
{
    std::vector<int> labels;
    EXPECT_EQ(partitionCandidates({}, labels), 0);
    EXPECT_TRUE(labels.empty());

    const std::vector<FaceRect> worked{at(100, 50, 34), at(102, 50, 34), at(101, 52, 40),
                                       at(300, 40, 34)};
    EXPECT_EQ(partitionCandidates(worked, labels), 2);
    EXPECT_EQ(labels, (std::vector<int>{0, 0, 0, 1}));

    // P (x 0) and Q (x 12) are not similar; R (x 6) resembles both and joins P's group, and the
    // two groups stay apart.
    EXPECT_EQ(partitionCandidates({at(0, 0, 30), at(12, 0, 30), at(6, 0, 30)}, labels), 2);
    EXPECT_EQ(labels, (std::vector<int>{0, 1, 0}));

    // The first similar earlier candidate decides, even when a later one is closer.
    EXPECT_EQ(partitionCandidates(
                  {at(50, 0, 30), at(0, 0, 30), at(56, 0, 30), at(5, 0, 30), at(1, 0, 30)}, labels),
              2);
    EXPECT_EQ(labels, (std::vector<int>{0, 1, 0, 1, 1}));
}

TEST(GroupCandidates, GroupsOfOneAreDroppedAndOthersAveraged)
{
    EXPECT_TRUE(groupCandidates({}).empty());
    EXPECT_TRUE(groupCandidates({at(10, 10, 40)}).empty());
    EXPECT_EQ(groupCandidates({at(10, 10, 40), at(10, 10, 40)}),
              (std::vector<FaceRect>{{10, 10, 40, 40, 2}}));

    EXPECT_EQ(groupCandidates({at(100, 50, 34), at(102, 50, 34), at(101, 52, 40), at(300, 40, 34)}),
              (std::vector<FaceRect>{{101, 51, 36, 36, 3}}));
}

TEST(GroupCandidates, AveragesRoundHalvesUp)
{
    // x: (2 x 21 + 2) / 4 = 11. width: (2 x 103 + 3) / 6 = 34. y: 10.5 -> 11; height 34.33 -> 34.
    const auto faces = groupCandidates({{10, 10, 34, 34, 0}, {11, 11, 34, 34, 0}});
    EXPECT_EQ(faces, (std::vector<FaceRect>{{11, 11, 34, 34, 2}}));
    const auto three = groupCandidates({{0, 0, 34, 34, 0}, {0, 0, 34, 35, 0}, {0, 0, 35, 34, 0}});
    EXPECT_EQ(three, (std::vector<FaceRect>{{0, 0, 34, 34, 3}}));
}

// n copies of a rectangle: a group that averages to it with neighbors n.
std::vector<FaceRect> copies(FaceRect r, int n) { return std::vector<FaceRect>(std::size_t(n), r); }

std::vector<FaceRect> operator+(std::vector<FaceRect> a, const std::vector<FaceRect>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(GroupCandidates, ContainmentRemovesWeakFacesInsideOthers)
{
    const FaceRect big = at(100, 100, 100);
    const FaceRect inner = at(120, 130, 60);
    // A face of 2 inside any other face goes, whatever the other's count.
    EXPECT_EQ(groupCandidates(copies(big, 2) + copies(inner, 2)),
              (std::vector<FaceRect>{{100, 100, 100, 100, 2}}));
    // A face of 5 inside a face of 5 stays; inside one of 6 it goes.
    EXPECT_EQ(groupCandidates(copies(big, 5) + copies(inner, 5)).size(), 2u);
    EXPECT_EQ(groupCandidates(copies(big, 6) + copies(inner, 5)),
              (std::vector<FaceRect>{{100, 100, 100, 100, 6}}));
    // Containment allows the slack of the enclosing face: nearest(0.2 x 100) = 20 on each side.
    EXPECT_EQ(groupCandidates(copies(big, 6) + copies(at(80, 80, 140), 5)),
              (std::vector<FaceRect>{{100, 100, 100, 100, 6}}));
    EXPECT_EQ(groupCandidates(copies(big, 6) + copies(at(79, 80, 140), 5)).size(), 2u);
    EXPECT_EQ(groupCandidates(copies(big, 6) + copies(at(80, 80, 141), 5)).size(), 2u);
    // Weak faces that contain each other within the slack both go.
    EXPECT_TRUE(groupCandidates(copies(big, 2) + copies(at(80, 80, 140), 2)).empty());
}

TEST(RemoveContainedFaces, EqualFacesRemoveEachOtherOnlyWhenWeak)
{
    const FaceRect weak{100, 100, 50, 50, 2};
    EXPECT_TRUE(removeContainedFaces({weak, weak}).empty());
    const FaceRect strong{100, 100, 50, 50, 4};
    EXPECT_EQ(removeContainedFaces({strong, strong}), (std::vector<FaceRect>{strong, strong}));
}

TEST(RemoveContainedFaces, RemovedFacesStillRemoveOthers)
{
    // B lies inside A and goes; C lies inside B (within B's slack) but not inside A, and goes too.
    const FaceRect a{100, 100, 100, 100, 10};
    const FaceRect b{115, 100, 100, 100, 2};
    const FaceRect c{135, 100, 95, 100, 2};
    EXPECT_EQ(removeContainedFaces({a, b, c}), (std::vector<FaceRect>{a}));
    EXPECT_EQ(removeContainedFaces({a, c}), (std::vector<FaceRect>{a, c}));
    EXPECT_EQ(removeContainedFaces({c, b, a}), (std::vector<FaceRect>{a}));
}

}  // namespace
