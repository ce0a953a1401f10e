#include "plain_components.h"
#include "reading/components.h"
#include "synthetic_face.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <numeric>

namespace {

using Rows = std::vector<std::string>;

int sumOfSizes(const ComponentMap& map)
{
    return std::accumulate(map.sizes.begin(), map.sizes.end(), 0);
}

TEST(LabelComponents, NothingQualifying)
{
    const ImageBuffer mask = maskFromRows({"....", "....", "...."});
    const ComponentMap map = labelComponents(mask, isNonZeroByte);
    EXPECT_EQ(map.labelCount, 0);
    EXPECT_TRUE(map.labels.empty());

    ImageBuffer kept = mask;
    keepLargestComponent(kept);
    EXPECT_EQ(rowsOfMask(kept), rowsOfMask(mask));

    const ImageBuffer full = maskFromRows({"####", "####", "####"});
    ImageBuffer filled;
    fillHoles(full, filled);
    EXPECT_EQ(rowsOfMask(filled), rowsOfMask(full));
}

TEST(LabelComponents, UpRightDiagonalIsNoLink)
{
    // (2, 0) and (1, 1) touch only along the up-right diagonal.
    const ComponentMap map = labelComponents(maskFromRows({"..#.", ".#..", "...."}), isNonZeroByte);
    EXPECT_EQ(map.labelCount, 0);
    EXPECT_TRUE(map.labels.empty());

    // The down-right diagonal is a link.
    const ComponentMap linked =
        labelComponents(maskFromRows({".#..", "..#.", "...."}), isNonZeroByte);
    EXPECT_EQ(linked.labelCount, 1);
    EXPECT_EQ(linked.labels, (std::map<int, int>{{1, 0}, {6, 0}}));
    EXPECT_EQ(linked.sizes, (std::vector<int>{2}));
}

TEST(LabelComponents, ArmsOfAUMergeIntoTheLowerLabel)
{
    const ImageBuffer mask = maskFromRows({
        "#..#.",
        "#..#.",
        "####.",
        ".....",
    });
    const ComponentMap map = labelComponents(mask, isNonZeroByte);
    EXPECT_EQ(map.labelCount, 2);
    ASSERT_EQ(map.sizes.size(), 2u);
    EXPECT_EQ(map.sizes[0], 8);
    EXPECT_EQ(map.sizes[1], 0);
    for (const auto& [pixel, label] : map.labels)
        EXPECT_EQ(label, 0) << pixel;
    EXPECT_EQ(sumOfSizes(map), int(map.labels.size()));
    EXPECT_EQ(componentPixels(map, 0), (std::vector<int>{0, 3, 5, 8, 10, 11, 12, 13}));
    EXPECT_TRUE(componentPixels(map, 1).empty());
}

TEST(LinkPixels, AllFiveCases)
{
    ComponentMap map;
    linkPixels(map, 4, 9);  // both new
    EXPECT_EQ(map.labelCount, 1);
    EXPECT_EQ(map.sizes, (std::vector<int>{2}));
    linkPixels(map, 20, 4);  // first new
    linkPixels(map, 9, 30);  // second new
    EXPECT_EQ(map.sizes, (std::vector<int>{4}));
    linkPixels(map, 30, 20);  // same label
    EXPECT_EQ(map.sizes, (std::vector<int>{4}));

    linkPixels(map, 50, 51);
    linkPixels(map, 52, 51);
    EXPECT_EQ(map.labelCount, 2);
    // The pixel of the higher label comes first: the lower label still wins.
    linkPixels(map, 52, 4);
    EXPECT_EQ(map.labelCount, 2);
    EXPECT_EQ(map.sizes, (std::vector<int>{7, 0}));
    EXPECT_EQ(map.labels.at(50), 0);
    EXPECT_EQ(sumOfSizes(map), int(map.labels.size()));
}

TEST(KeepLargestComponent, EqualSizesKeepTheEarlierRegion)
{
    ImageBuffer mask = maskFromRows({
        "##.....",
        "##...##",
        "##...##",
        "##...##",
        "##...##",
        ".....##",
        ".......",
    });
    keepLargestComponent(mask);
    EXPECT_EQ(rowsOfMask(mask), (Rows{
                                    "##.....",
                                    "##.....",
                                    "##.....",
                                    "##.....",
                                    "##.....",
                                    ".......",
                                    ".......",
                                }));
}

TEST(KeepLargestComponent, LargerLaterRegionWinsAndIsolatedPixelsStay)
{
    ImageBuffer mask = maskFromRows({
        "##.....",
        "##.....",
        ".....#.",
        "#......",
        "...###.",
        "...###.",
        ".......",
    });
    keepLargestComponent(mask);
    EXPECT_EQ(rowsOfMask(mask), (Rows{
                                    ".......",
                                    ".......",
                                    ".....#.",
                                    "#......",
                                    "...###.",
                                    "...###.",
                                    ".......",
                                }));
}

TEST(FillHoles, EnclosedBlockFilledSingleGapAndBorderRegionsNot)
{
    const ImageBuffer mask = maskFromRows({
        "########",
        "#..###.#",
        "#..#####",
        "######..",
        "##.#####",
        "########",
    });
    ImageBuffer out;
    fillHoles(mask, out);
    EXPECT_EQ(rowsOfMask(out), (Rows{
                                   "########",
                                   "######.#",  // 2x2 block filled, lone gap kept
                                   "########",
                                   "######..",  // touches column W - 1
                                   "##.#####",  // a lone gap has no link
                                   "########",
                               }));
    EXPECT_EQ(out.width, 8);
    EXPECT_EQ(out.channels, 1);
    EXPECT_EQ(rowsOfMask(mask)[1], "#..###.#");  // the source is untouched

    ImageBuffer inPlace = mask;
    fillHoles(inPlace, inPlace);
    EXPECT_EQ(rowsOfMask(inPlace), rowsOfMask(out));
}

TEST(FillHoles, BorderTestUsesWidthForColumnsAndHeightForRows)
{
    // Wide mask: a region reaching the last column, one reaching the last row, one enclosed.
    const ImageBuffer wide = maskFromRows({
        "##########",
        "#..####..#",
        "#..####...",
        "####..####",
        "####..####",
    });
    ImageBuffer out;
    fillHoles(wide, out);
    EXPECT_EQ(rowsOfMask(out), (Rows{
                                   "##########",
                                   "#######..#",
                                   "#######...",
                                   "####..####",
                                   "####..####",
                               }));

    const ImageBuffer tall = maskFromRows({
        "####",
        "#..#",
        "#..#",
        "####",
        "#..#",
        "#..#",
        "####",
        "##..",
        "##..",
        "####",
    });
    fillHoles(tall, out);
    EXPECT_EQ(rowsOfMask(out), (Rows{
                                   "####",
                                   "####",
                                   "####",
                                   "####",
                                   "####",
                                   "####",
                                   "####",
                                   "##..",
                                   "##..",
                                   "####",
                               }));
}

TEST(Components, SameAsThePlainRulesOnRandomMasks)
{
    Lcg random{4242};
    for (int trial = 0; trial < 60; ++trial) {
        const int W = 2 + random.below(40), H = 2 + random.below(40);
        const int density = 20 + random.below(60);
        ImageBuffer mask(W, H, 1, 1);
        for (std::size_t i = 0; i < mask.sizeInBytes(); ++i)
            mask.data[i] = random.below(100) < density ? 255 : 0;
        SCOPED_TRACE(testing::Message() << "trial " << trial << " " << W << "x" << H);

        for (const BytePredicate predicate : {isNonZeroByte, isZeroByte}) {
            const ComponentMap fast = labelComponents(mask, predicate);
            const ComponentMap plain = plainLabels(mask, predicate);
            EXPECT_EQ(fast.labelCount, plain.labelCount);
            EXPECT_EQ(fast.sizes, plain.sizes);
            EXPECT_EQ(fast.labels, plain.labels);
            EXPECT_EQ(sumOfSizes(fast), int(fast.labels.size()));
        }

        ImageBuffer kept = mask, keptPlain = mask;
        keepLargestComponent(kept);
        plainKeepLargest(keptPlain);
        EXPECT_EQ(rowsOfMask(kept), rowsOfMask(keptPlain));

        ImageBuffer filled, filledPlain = mask;
        fillHoles(mask, filled);
        plainFillHoles(filledPlain);
        EXPECT_EQ(rowsOfMask(filled), rowsOfMask(filledPlain));
    }
}

// The cleaning steps find regions run by run; these masks stress what runs make special: the last
// row (no links along it), the last column (no links of its own), single pixels, one or two rows
// or columns, isolated pixels and masks nearly full.
TEST(Components, CleaningMatchesThePlainRulesOnNarrowSparseAndFullMasks)
{
    struct Shape {
        int widthFrom, widthSpan, heightFrom, heightSpan, densityFrom, densitySpan;
    };
    const Shape shapes[] = {
        {1, 3, 1, 30, 10, 80},   // one to three columns
        {1, 30, 1, 3, 10, 80},   // one to three rows
        {2, 20, 2, 20, 2, 15},   // scattered pixels
        {2, 20, 2, 20, 85, 15},  // nearly full
        {3, 60, 3, 60, 40, 30},  // larger, mixed
    };
    Lcg random{777};
    for (const Shape& shape : shapes) {
        for (int trial = 0; trial < 40; ++trial) {
            const int W = shape.widthFrom + random.below(shape.widthSpan);
            const int H = shape.heightFrom + random.below(shape.heightSpan);
            const int density = shape.densityFrom + random.below(shape.densitySpan);
            ImageBuffer mask(W, H, 1, 1);
            for (std::size_t i = 0; i < mask.sizeInBytes(); ++i)
                mask.data[i] = random.below(100) < density ? 1 + random.below(255) : 0;
            SCOPED_TRACE(testing::Message() << W << "x" << H << " density " << density);

            ImageBuffer kept = mask, keptPlain = mask;
            keepLargestComponent(kept);
            plainKeepLargest(keptPlain);
            ASSERT_EQ(rowsOfMask(kept), rowsOfMask(keptPlain));
            ASSERT_EQ(0, std::memcmp(kept.data, keptPlain.data, kept.sizeInBytes()));

            ImageBuffer filled, filledPlain = mask;
            fillHoles(mask, filled);
            plainFillHoles(filledPlain);
            ASSERT_EQ(0, std::memcmp(filled.data, filledPlain.data, filled.sizeInBytes()));
            ImageBuffer inPlace = mask;
            fillHoles(inPlace, inPlace);
            ASSERT_EQ(0, std::memcmp(inPlace.data, filledPlain.data, filled.sizeInBytes()));
        }
    }
}

TEST(Components, TinyMasksAreSafe)
{
    for (const auto& [w, h] : {std::pair{0, 0}, {1, 1}, {1, 5}, {5, 1}}) {
        ImageBuffer mask(w, h, 1, 1);
        EXPECT_EQ(labelComponents(mask, isZeroByte).labelCount, 0);
        keepLargestComponent(mask);
        ImageBuffer out;
        fillHoles(mask, out);
        EXPECT_EQ(out.sizeInBytes(), mask.sizeInBytes());
    }
}

}  // namespace
