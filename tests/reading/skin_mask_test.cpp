#include "plain_reading_steps.h"
#include "reading/hsv.h"
#include "reading/skin_mask.h"
#include "synthetic_face.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

namespace {

bool isSkin(unsigned char r, unsigned char g, unsigned char b)
{
    ImageBuffer mask;
    skinMask(rgbFilled(1, 1, r, g, b), mask);
    return mask.data[0] == 255;
}

TEST(SkinMask, PixelTestOnColours)
{
    EXPECT_TRUE(isSkin(200, 150, 120));
    EXPECT_FALSE(isSkin(255, 0, 0));      // far too red
    EXPECT_FALSE(isSkin(0, 0, 0));        // black: NaN everywhere
    EXPECT_FALSE(isSkin(128, 128, 128));  // grey: NaN hue
    EXPECT_FALSE(isSkin(80, 60, 48));     // skin's hue and saturation, too dark
}

TEST(SkinMask, RangeBoundsAreInclusive)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // r = 93, g = 72, b = 35 gives rn exactly 0.465 when summed to 200.
    EXPECT_TRUE(isSkinColour(93, 72, 35, 25, 0.5, 0.5));
    EXPECT_FALSE(isSkinColour(94, 71, 35, 25, 0.5, 0.5));
    EXPECT_TRUE(isSkinColour(90, 70, 40, 0, 0.2, 0.35));
    EXPECT_TRUE(isSkinColour(90, 70, 40, 50, 0.68, 1.0));
    EXPECT_FALSE(isSkinColour(90, 70, 40, 50.001, 0.5, 0.5));
    EXPECT_FALSE(isSkinColour(90, 70, 40, nan, 0.5, 0.5));
    EXPECT_FALSE(isSkinColour(90, 70, 40, 20, nan, 0.5));
    EXPECT_FALSE(isSkinColour(90, 70, 40, 20, 0.5, 0.349));
}

TEST(SkinMask, ShapeOfTheResult)
{
    ImageBuffer mask;
    EXPECT_EQ(skinMask(rgbFilled(5, 3, 200, 150, 120), mask), 0);
    EXPECT_EQ(mask.width, 5);
    EXPECT_EQ(mask.height, 3);
    EXPECT_EQ(mask.channels, 1);
    EXPECT_EQ(mask.depth, 1);
}

// Dark skin (80, 60, 48) has skin's hue and saturation but fails the value range, so it becomes
// skin only by growth.
TEST(SkinMask, GrowsOnlyRightDownAndDownRight)
{
    ImageBuffer rgb = rgbFilled(3, 3, 80, 60, 48);
    setRgb(rgb, 1, 1, 200, 150, 120);
    ImageBuffer mask;
    skinMask(rgb, mask);
    EXPECT_EQ(rowsOfMask(mask), (std::vector<std::string>{"...", ".##", ".##"}));
}

TEST(SkinMask, GrowthContinuesInTheSamePass)
{
    ImageBuffer rgb = rgbFilled(6, 2, 80, 60, 48);
    setRgb(rgb, 0, 0, 200, 150, 120);
    ImageBuffer mask;
    skinMask(rgb, mask);
    EXPECT_EQ(rowsOfMask(mask), (std::vector<std::string>{"######", "######"}));

    // From the middle of a row, nothing to its left is reached.
    ImageBuffer middle = rgbFilled(6, 2, 80, 60, 48);
    setRgb(middle, 3, 0, 200, 150, 120);
    skinMask(middle, mask);
    EXPECT_EQ(rowsOfMask(mask), (std::vector<std::string>{"...###", "...###"}));
}

TEST(SkinMask, GreyNeighboursDoNotGrow)
{
    ImageBuffer rgb = rgbFilled(2, 2, 128, 128, 128);
    setRgb(rgb, 0, 0, 200, 150, 120);
    ImageBuffer mask;
    skinMask(rgb, mask);
    EXPECT_EQ(rowsOfMask(mask), (std::vector<std::string>{"#.", ".."}));
}

TEST(GrowSkin, DifferencesOfExactlyFourOrPointOneDoNotGrow)
{
    // Two rows so that the first row's pixels are visited.
    auto grows = [](std::pair<double, double> p, std::pair<double, double> q) {
        ImageBuffer hsv(2, 2, 3, 8);
        double* v = hsv.samples<double>();
        const std::pair<double, double> pixels[] = {p, q, {500, 5}, {500, 5}};
        for (int i = 0; i < 4; ++i) {
            v[3 * i] = pixels[i].first;
            v[3 * i + 1] = pixels[i].second;
        }
        ImageBuffer mask = maskFromRows({"#.", ".."});
        growSkin(mask, hsv);
        return mask.data[1] == 255;
    };
    EXPECT_TRUE(grows({10, 0.1}, {13.9, 0.15}));
    EXPECT_FALSE(grows({10, 0.1}, {14, 0.1}));
    EXPECT_FALSE(grows({14, 0.1}, {10, 0.1}));
    EXPECT_FALSE(grows({10, 0.1}, {10, 0.2}));  // 0.2 - 0.1 is exactly 0.1 in doubles
    EXPECT_TRUE(grows({10, 0.1}, {12, 0.15}));
    EXPECT_FALSE(grows({10, std::numeric_limits<double>::quiet_NaN()}, {10, 0.1}));
}

// The map turns most colours down on integer tests before working out any quotient or hue. On a
// picture of one row nothing grows, so its map is the pixel test of each colour: here every colour
// there is. A hue decides only when the other four ranges pass (the test takes all five
// together), so the plain test needs a hue only for those colours.
TEST(SkinMask, PixelTestOfEveryColourIsThePlainTest)
{
    ImageBuffer row(256 * 256, 1, 3, 1);
    ImageBuffer mask;
    int skin = 0;
    for (int r = 0; r < 256; ++r) {
        for (int i = 0; i < 256 * 256; ++i)
            setRgb(row, i, 0, r, i >> 8, i & 255);
        skinMask(row, mask);
        for (int i = 0; i < 256 * 256; ++i) {
            const int g = i >> 8, b = i & 255;
            const double saturation = pixelSaturation(r, g, b), value = pixelValue(r, g, b);
            const bool plain = isSkinColour(r, g, b, 25, saturation, value) &&
                               isSkinColour(r, g, b, pixelHue(r, g, b), saturation, value);
            ASSERT_EQ(mask.data[i] == 255, plain) << r << "," << g << "," << b;
            skin += plain;
        }
    }
    EXPECT_GT(skin, 10000);
}

// Skin-like pictures with noise, grey and black pixels, so that growth runs far and often stops.
TEST(SkinMask, SameAsThePlainMapOnRandomPictures)
{
    Lcg random{2718};
    for (int trial = 0; trial < 80; ++trial) {
        const int W = 1 + random.below(50), H = 1 + random.below(50);
        const int noise = 1 + random.below(50);
        ImageBuffer rgb(W, H, 3, 1);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const int kind = random.below(20);
                if (kind == 0) {
                    const unsigned char v = static_cast<unsigned char>(random.below(256));
                    setRgb(rgb, x, y, v, v, v);
                    continue;
                }
                const int base[3][3] = {{200, 150, 120}, {150, 105, 80}, {90, 110, 150}};
                const int* c = base[kind < 14 ? 0 : kind < 18 ? 1 : 2];
                auto jitter = [&](int v) {
                    return static_cast<unsigned char>(
                        std::clamp(v + random.below(2 * noise + 1) - noise, 0, 255));
                };
                setRgb(rgb, x, y, jitter(c[0]), jitter(c[1]), jitter(c[2]));
            }
        ImageBuffer mask;
        skinMask(rgb, mask);
        SCOPED_TRACE(testing::Message() << "trial " << trial << " " << W << "x" << H);
        ASSERT_EQ(rowsOfMask(mask), rowsOfMask(plainSkinMask(rgb)));
    }
}

TEST(SkinMask, TinyAndEmptyInputsAreSafe)
{
    ImageBuffer mask;
    skinMask(ImageBuffer(0, 0, 3, 1), mask);
    EXPECT_EQ(mask.sizeInBytes(), 0u);
    skinMask(rgbFilled(1, 7, 200, 150, 120), mask);
    EXPECT_EQ(mask.data[6], 255);
    skinMask(rgbFilled(7, 1, 200, 150, 120), mask);
    EXPECT_EQ(mask.data[6], 255);
}

}  // namespace
