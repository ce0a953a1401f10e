#include "plain_reading_steps.h"
#include "reading/mouth_point.h"
#include "synthetic_face.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr unsigned char grey = 128;

TEST(MouthPoint, GreyAreaGivesItsCornerAndAreaBounds)
{
    CapturedDiagnostics captured;
    const MouthPoint p = locateMouthPoint(rgbFilled(67, 100, grey, grey, grey));
    EXPECT_EQ(p.x, 16);
    EXPECT_EQ(p.y, 62);
    EXPECT_EQ(captured.text(), "new width and height34 38\n");

    const MouthPoint black = locateMouthPoint(rgbFilled(67, 100, 0, 0, 0));
    EXPECT_EQ(black.x, 16);
    EXPECT_EQ(black.y, 62);
}

TEST(MouthPoint, OneClassedPixelIsItsOwnCentreAndWeighsNothing)
{
    ImageBuffer rgb = rgbFilled(67, 100, grey, grey, grey);
    setRgb(rgb, 16 + 20, 62 + 30, 200, 40, 50);
    CapturedDiagnostics captured;
    const MouthPoint p = locateMouthPoint(rgb);
    EXPECT_EQ(p.x, 16);
    EXPECT_EQ(p.y, 62);
}

TEST(MouthPoint, TwoPixelsMeetInTheMiddle)
{
    ImageBuffer rgb = rgbFilled(67, 100, grey, grey, grey);
    setRgb(rgb, 16 + 10, 62 + 5, 200, 40, 50);
    setRgb(rgb, 16 + 20, 62 + 15, 200, 40, 50);
    CapturedDiagnostics captured;
    const MouthPoint p = locateMouthPoint(rgb);
    EXPECT_EQ(p.x, 16 + 15);
    EXPECT_EQ(p.y, 62 + 10);
}

TEST(MouthPoint, WeightsFavourPixelsNearTheFirstCentre)
{
    // Three pixels of one red. First centre: x (7 + 10 + 8) / 3 = 8, y (3 + 6 + 3) / 3 = 4.
    // (7, 3) is 1 off in both directions and weighs floor(sqrt(34 x 38)) = 35; (10, 6) is 2 off
    // and weighs floor(sqrt(17 x 38 / 2)) = 17; (8, 3) lies in the centre's column: no weight.
    ImageBuffer rgb = rgbFilled(67, 100, grey, grey, grey);
    setRgb(rgb, 16 + 7, 62 + 3, 200, 40, 50);
    setRgb(rgb, 16 + 10, 62 + 6, 200, 40, 50);
    setRgb(rgb, 16 + 8, 62 + 3, 200, 40, 50);
    CapturedDiagnostics captured;
    const MouthPoint p = locateMouthPoint(rgb);
    EXPECT_EQ(p.x, 16 + (35 * 7 + 17 * 10) / 52);
    EXPECT_EQ(p.y, 62 + (35 * 3 + 17 * 6) / 52);
}

TEST(MouthPoint, PurpleRedsAboveThreeHundredThirtyCount)
{
    // A warm skin background sets the smallest hue; magenta-red pixels (hue above 330) near the
    // largest hue are class 88 and pull the point towards them.
    ImageBuffer rgb = rgbFilled(67, 100, grey, grey, grey);
    const int left = 16, top = 62;
    setRgb(rgb, left + 2, top + 2, 200, 150, 120);
    setRgb(rgb, left + 30, top + 30, 200, 150, 120);
    setRgb(rgb, left + 15, top + 20, 200, 40, 90);
    setRgb(rgb, left + 17, top + 22, 200, 40, 90);
    CapturedDiagnostics captured;
    const MouthPoint p = locateMouthPoint(rgb);
    // Skin pixels weigh 941 and the purple-reds 345 in the first centre (16, 17); near it the
    // purple-reds dominate the second: weights 2, 2, 20 and 16.
    EXPECT_EQ(p.x, left + 15);
    EXPECT_EQ(p.y, top + 20);
}

// The mouth point takes the hues it needs, and no others, from the whole face's colours; the plain
// form works out every pixel of the area. Reds, purple-reds, skin, greys and black.
TEST(MouthPoint, SameAsThePlainFormOnRandomPictures)
{
    Lcg random{1618};
    CapturedDiagnostics captured;
    for (int trial = 0; trial < 120; ++trial) {
        const int W = 1 + random.below(70), H = 1 + random.below(70);
        ImageBuffer rgb(W, H, 3, 1);
        const unsigned char palette[6][3] = {{200, 150, 120}, {190, 40, 50}, {170, 30, 120},
                                             {128, 128, 128}, {0, 0, 0},     {60, 90, 140}};
        const int colours = 2 + random.below(5);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const unsigned char* c = palette[random.below(colours)];
                const int n = random.below(12);
                setRgb(rgb, x, y, static_cast<unsigned char>(std::min(c[0] + n, 255)), c[1],
                       static_cast<unsigned char>(std::max(c[2] - n, 0)));
            }
        const MouthPoint fast = locateMouthPoint(rgb), plain = plainMouthPoint(rgb);
        ASSERT_EQ(fast.x, plain.x) << "trial " << trial << " " << W << "x" << H;
        ASSERT_EQ(fast.y, plain.y) << "trial " << trial;
    }
}

TEST(MouthHueClass, BoundsAreStrict)
{
    const double nan = std::nan("");
    EXPECT_EQ(mouthHueClass(24.9, 0.5, 10, 340), 240);
    EXPECT_EQ(mouthHueClass(25, 0.5, 10, 340), 0);  // exactly hMin + 15
    EXPECT_EQ(mouthHueClass(335, 0.5, 10, 340), 88);
    EXPECT_EQ(mouthHueClass(330, 0.5, 10, 340), 0);  // not above 330
    EXPECT_EQ(mouthHueClass(325, 0.5, 10, 340), 0);  // exactly hMax - 15
    EXPECT_EQ(mouthHueClass(20, 0, 10, 340), 0);
    EXPECT_EQ(mouthHueClass(nan, nan, 10, 340), 0);
    EXPECT_EQ(mouthHueClass(20, nan, 10, 340), 240);  // a NaN saturation is not 0
}

TEST(MouthPoint, TinyPicturesGiveTheCorner)
{
    CapturedDiagnostics captured;
    for (const auto& [w, h] : {std::pair{0, 0}, {1, 1}, {3, 1}, {1, 9}, {2, 2}}) {
        const MouthPoint p = locateMouthPoint(rgbFilled(w, h, 200, 40, 50));
        EXPECT_EQ(p.x, w / 4);
        EXPECT_EQ(p.y, 5 * h / 8);
    }
}

}  // namespace
