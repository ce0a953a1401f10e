#include "reading/components.h"
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
