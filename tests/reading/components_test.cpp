#include "reading/components.h"
#include "synthetic_face.h"
#include "test_support.h"

#include <gtest/gtest.h>

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

// The rules as written: every link made through linkPixels, every region taken through
// componentPixels.
ComponentMap plainLabels(const ImageBuffer& mask, BytePredicate qualifies)
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

void plainKeepLargest(ImageBuffer& mask)
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

void plainFillHoles(ImageBuffer& mask)
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
