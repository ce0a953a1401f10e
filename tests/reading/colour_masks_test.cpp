#include "reading/hsv.h"
#include "reading/masks.h"
#include "synthetic_face.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct Hsv {
    double hue, saturation, value;
};

Hsv hsvOf(unsigned char r, unsigned char g, unsigned char b)
{
    const ImageBuffer hsv = rgbToHsv(rgbFilled(1, 1, r, g, b));
    const double* v = hsv.samples<double>();
    return {v[0], v[1], v[2]};
}

TEST(RgbToHsv, PrimaryAndSkinColours)
{
    const Hsv red = hsvOf(255, 0, 0);
    EXPECT_DOUBLE_EQ(red.hue, 0);
    EXPECT_DOUBLE_EQ(red.saturation, 1);
    EXPECT_DOUBLE_EQ(red.value, 1);

    // Degrees are taken with pi = 3.14: blue is not at 240 but a little below.
    const Hsv blue = hsvOf(0, 0, 255);
    EXPECT_NEAR(blue.hue, 360 - std::acos(-0.5) * 180 / 3.14, 1e-12);
    EXPECT_NEAR(blue.hue, 239.939, 1e-3);

    const Hsv skin = hsvOf(200, 150, 120);
    EXPECT_NEAR(skin.hue, 21.80, 0.01);
    EXPECT_DOUBLE_EQ(skin.saturation, 0.4);
    EXPECT_DOUBLE_EQ(skin.value, 200 / 255.0);
}

TEST(RgbToHsv, NeutralAndBlackGiveNaN)
{
    const Hsv grey = hsvOf(128, 128, 128);
    EXPECT_TRUE(std::isnan(grey.hue));
    EXPECT_DOUBLE_EQ(grey.saturation, 0);
    EXPECT_DOUBLE_EQ(grey.value, 128 / 255.0);

    const Hsv black = hsvOf(0, 0, 0);
    EXPECT_TRUE(std::isnan(black.hue));
    EXPECT_TRUE(std::isnan(black.saturation));
    EXPECT_DOUBLE_EQ(black.value, 0);
}

TEST(RgbToHsv, KeepsShapeInDoublesPerPixel)
{
    ImageBuffer rgb = rgbFilled(3, 2, 0, 0, 0);
    setRgb(rgb, 2, 1, 255, 0, 0);
    const ImageBuffer hsv = rgbToHsv(rgb);
    EXPECT_EQ(hsv.width, 3);
    EXPECT_EQ(hsv.height, 2);
    EXPECT_EQ(hsv.channels, 3);
    EXPECT_EQ(hsv.depth, 8);
    EXPECT_DOUBLE_EQ(hsv.samples<double>()[5 * 3 + 1], 1);  // last pixel's saturation
    EXPECT_EQ(rgbToHsv(ImageBuffer(0, 0, 3, 1)).sizeInBytes(), 0u);
}

// The values as formulas, every quotient divided out, and the per-pixel functions the reader's
// steps call one by one, on a lattice of colours and every grey: the same doubles, NaN included.
TEST(RgbToHsv, SameDoublesAsTheFormulasAndThePixelFunctions)
{
    auto same = [](double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; };
    std::vector<std::array<int, 3>> colours;
    for (int r = 0; r < 256; r += 5)
        for (int g = 0; g < 256; g += 5)
            for (int b = 0; b < 256; b += 5)
                colours.push_back({r, g, b});
    for (int v = 0; v < 256; ++v)
        colours.push_back({v, v, v});
    ImageBuffer rgb(int(colours.size()), 1, 3, 1);
    for (std::size_t i = 0; i < colours.size(); ++i)
        setRgb(rgb, int(i), 0, colours[i][0], colours[i][1], colours[i][2]);
    const ImageBuffer hsv = rgbToHsv(rgb);
    for (std::size_t i = 0; i < colours.size(); ++i) {
        const int R = colours[i][0], G = colours[i][1], B = colours[i][2];
        const double r = R / 255.0, g = G / 255.0, b = B / 255.0;
        const double num = 0.5 * ((r - g) + (r - b));
        const double den = std::sqrt((r - g) * (r - g) + (r - b) * (g - b));
        const double theta = std::acos(num / den) * 180 / 3.14;
        const double hue = G >= B ? theta : 360 - theta;
        const int max = std::max({R, G, B}), min = std::min({R, G, B});
        const double saturation = double(max - min) / double(max), value = max / 255.0;
        const double* v = hsv.samples<double>() + 3 * i;
        ASSERT_TRUE(same(v[0], hue) && same(pixelHue(R, G, B), hue)) << R << "," << G << "," << B;
        ASSERT_TRUE(same(v[1], saturation) && same(pixelSaturation(R, G, B), saturation));
        ASSERT_TRUE(same(v[2], value) && same(pixelValue(R, G, B), value));
    }
}

ImageBuffer numberedPicture(int width, int height)
{
    ImageBuffer src(width, height, 3, 1);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            setRgb(src, x, y, x, y, 7);
    return src;
}

TEST(CropRegion, SizeDiagnosticAndOrigin)
{
    const ImageBuffer src = numberedPicture(100, 100);
    CapturedDiagnostics captured;
    const ImageBuffer area = cropRegion(src, 25, 62, 75, 100);
    EXPECT_EQ(captured.text(), "new width and height50 38\n");
    EXPECT_EQ(area.width, 50);
    EXPECT_EQ(area.height, 38);
    EXPECT_EQ(area.channels, 3);
    EXPECT_EQ(area.depth, 1);
    EXPECT_EQ(area.data[0], 25);
    EXPECT_EQ(area.data[1], 62);
    const unsigned char* last = area.data + (37 * 50 + 49) * 3;
    EXPECT_EQ(last[0], 74);
    EXPECT_EQ(last[1], 99);
}

TEST(CropRegion, OriginIsTheFirstCornerEvenWhenLarger)
{
    const ImageBuffer src = numberedPicture(100, 100);
    CapturedDiagnostics captured;
    const ImageBuffer area = cropRegion(src, 30, 20, 10, 10);
    EXPECT_EQ(area.width, 20);
    EXPECT_EQ(area.height, 10);
    EXPECT_EQ(area.data[0], 30);
    EXPECT_EQ(area.data[1], 20);
}

// Corners partly or wholly outside the source: those pixels stay 0, the others are copied.
TEST(CropRegion, PixelsOutsideTheSourceStayZero)
{
    const ImageBuffer src = numberedPicture(20, 10);
    CapturedDiagnostics captured;
    const int corners[][4] = {{-3, -2, 5, 4}, {15, 6, 25, 14}, {-5, 3, 30, 5},
                              {30, 0, 35, 3}, {4, -6, 9, -1},  {19, 9, 10, 5}};
    for (const auto& c : corners) {
        const ImageBuffer area = cropRegion(src, c[0], c[1], c[2], c[3]);
        ASSERT_EQ(area.width, std::abs(c[0] - c[2]));
        ASSERT_EQ(area.height, std::abs(c[1] - c[3]));
        for (int y = 0; y < area.height; ++y)
            for (int x = 0; x < area.width; ++x) {
                const int sx = c[0] + x, sy = c[1] + y;
                const bool inside = sx >= 0 && sx < 20 && sy >= 0 && sy < 10;
                const unsigned char* p = area.data + (y * area.width + x) * 3;
                ASSERT_EQ(p[0], inside ? sx : 0) << c[0] << "," << c[1] << " " << x << "," << y;
                ASSERT_EQ(p[1], inside ? sy : 0);
                ASSERT_EQ(p[2], inside ? 7 : 0);
            }
    }
}

TEST(ThresholdMask, OneMakesEveryNonZeroByte255InPlaceOrNot)
{
    ImageBuffer src(256, 1, 1, 1);
    for (int i = 0; i < 256; ++i)
        src.data[i] = static_cast<unsigned char>(i);
    ImageBuffer dst;
    thresholdMask(src, dst, 1);
    ASSERT_EQ(dst.sizeInBytes(), 256u);
    EXPECT_EQ(dst.data[0], 0);
    for (int i = 1; i < 256; ++i)
        ASSERT_EQ(dst.data[i], 255) << i;

    thresholdMask(src, src, 1);
    EXPECT_EQ(0, std::memcmp(src.data, dst.data, 256));

    ImageBuffer higher(3, 1, 1, 1);
    higher.data[0] = 9;
    higher.data[1] = 10;
    higher.data[2] = 11;
    thresholdMask(higher, higher, 10);
    EXPECT_EQ(higher.data[0], 0);
    EXPECT_EQ(higher.data[1], 255);
    EXPECT_EQ(higher.data[2], 255);
}

TEST(ThresholdMask, EveryThresholdAsTheByteComparison)
{
    ImageBuffer src(256, 2, 1, 1);
    for (int i = 0; i < 512; ++i)
        src.data[i] = static_cast<unsigned char>(i * 97);
    for (const int t : {-300, -1, 0, 1, 2, 127, 254, 255, 256, 1000}) {
        ImageBuffer dst, inPlace = src;
        thresholdMask(src, dst, t);
        thresholdMask(inPlace, inPlace, t);
        for (int i = 0; i < 512; ++i) {
            ASSERT_EQ(dst.data[i], src.data[i] >= t ? 255 : 0) << t << " " << i;
            ASSERT_EQ(inPlace.data[i], dst.data[i]);
        }
    }
}

TEST(ApplyMask, AnyChannelCountAsPixelByPixelCopies)
{
    Lcg random{5};
    for (int channels = 1; channels <= 5; ++channels) {
        ImageBuffer colour(7, 5, channels, 1), mask(7, 5, 1, 1);
        for (std::size_t i = 0; i < colour.sizeInBytes(); ++i)
            colour.data[i] = static_cast<unsigned char>(random.below(256));
        for (std::size_t i = 0; i < mask.sizeInBytes(); ++i)
            mask.data[i] = random.below(2) ? static_cast<unsigned char>(random.below(256)) : 0;
        const ImageBuffer out = applyMask(colour, mask);
        ASSERT_EQ(out.channels, channels);
        for (std::size_t i = 0; i < out.sizeInBytes(); ++i)
            ASSERT_EQ(out.data[i], mask.data[i / channels] ? colour.data[i] : 0) << channels;
    }
}

TEST(ApplyMask, KeepsColourOnlyUnderTheMask)
{
    const ImageBuffer colour = rgbFilled(2, 2, 10, 20, 30);
    const ImageBuffer none = applyMask(colour, ImageBuffer(2, 2, 1, 1));
    EXPECT_EQ(none.width, 2);
    EXPECT_EQ(none.channels, 3);
    for (std::size_t i = 0; i < none.sizeInBytes(); ++i)
        ASSERT_EQ(none.data[i], 0);

    const ImageBuffer mask = maskFromRows({".#", "#."});
    const ImageBuffer some = applyMask(colour, mask);
    const unsigned char expected[] = {0, 0, 0, 10, 20, 30, 10, 20, 30, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(some.data, expected, sizeof expected));
}

}  // namespace
