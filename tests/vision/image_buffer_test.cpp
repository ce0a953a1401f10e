#include "vision/image_buffer.h"
#include "vision/qimage_buffer.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

ImageBuffer pixelBuffer(int channels, std::initializer_list<unsigned char> bytes)
{
    ImageBuffer b(1, 1, channels, 1);
    std::copy(bytes.begin(), bytes.end(), b.data);
    return b;
}

TEST(ImageBuffer, EmptyAndStep)
{
    ImageBuffer empty;
    EXPECT_EQ(empty.data, nullptr);
    EXPECT_EQ(empty.width, 0);
    EXPECT_EQ(empty.channels, 0);
    EXPECT_EQ(empty.depth, 1);
    EXPECT_EQ(empty.sizeInBytes(), 0u);

    EXPECT_EQ(ImageBuffer(7, 1, 1, 1).step(), 0);
    EXPECT_EQ(ImageBuffer(7, 2, 3, 8).step(), 168);
    EXPECT_EQ(ImageBuffer(7, 2, 3, 8).sizeInBytes(), 7u * 2 * 3 * 8);
}

TEST(ImageBuffer, CopiesAreDeepAndSelfAssignmentKeepsData)
{
    ImageBuffer a(3, 2, 1, 1);
    a.data[4] = 9;
    ImageBuffer b = a;
    b.data[4] = 1;
    EXPECT_EQ(a.data[4], 9);
    EXPECT_NE(a.data, b.data);

    ImageBuffer c;
    c = a;
    EXPECT_EQ(c.width, 3);
    EXPECT_EQ(c.data[4], 9);
    auto& alias = c;
    c = alias;
    EXPECT_EQ(c.data[4], 9);

    c.release();
    EXPECT_TRUE(c.isEmpty());
    EXPECT_EQ(c.width, 0);
}

// Every colour, in both pixel layouts, against the weighted sum multiplied out product by product.
TEST(ToGray, EveryColourIsTheWeightedSumInItsOrder)
{
    ImageBuffer rgb(256 * 256, 1, 3, 1), bgra(256 * 256, 1, 4, 1);
    for (int r = 0; r < 256; ++r) {
        for (int i = 0; i < 256 * 256; ++i) {
            const unsigned char g = static_cast<unsigned char>(i >> 8);
            const unsigned char b = static_cast<unsigned char>(i & 255);
            unsigned char* p = rgb.data + 3 * i;
            p[0] = static_cast<unsigned char>(r), p[1] = g, p[2] = b;
            unsigned char* q = bgra.data + 4 * i;
            q[0] = b, q[1] = g, q[2] = static_cast<unsigned char>(r), q[3] = 255;
        }
        const ImageBuffer fromRgb = toGray(rgb), fromBgra = toGray(bgra);
        for (int i = 0; i < 256 * 256; ++i) {
            double s = 0.587 * (i >> 8) + 0.299 * r;
            s = s + 0.114 * (i & 255);
            const auto expected = static_cast<unsigned char>(s);
            ASSERT_EQ(fromRgb.data[i], expected) << r << "," << (i >> 8) << "," << (i & 255);
            ASSERT_EQ(fromBgra.data[i], expected);
        }
    }
}

TEST(ToGray, NeutralValuesFollowTheRoundingOfEachProduct)
{
    auto grey = [](unsigned char v) { return toGray(pixelBuffer(3, {v, v, v})).data[0]; };
    EXPECT_EQ(grey(1), 0);
    EXPECT_EQ(grey(128), 127);
    EXPECT_EQ(grey(100), 100);
    EXPECT_EQ(grey(255), 255);
    int below = 0;
    for (int v = 0; v < 256; ++v) {
        const int g = grey(static_cast<unsigned char>(v));
        EXPECT_TRUE(g == v || g == v - 1) << v;
        below += g == v - 1;
    }
    EXPECT_EQ(below, 65);
}

TEST(ToGray, FourChannelsAreBlueGreenRedAlpha)
{
    EXPECT_EQ(toGray(pixelBuffer(4, {0, 0, 255, 255})).data[0], 76);
    EXPECT_EQ(toGray(pixelBuffer(4, {0, 0, 255, 0})).data[0], 76);    // alpha never counts
    EXPECT_EQ(toGray(pixelBuffer(3, {255, 0, 0})).data[0], 76);       // red first in R,G,B
    EXPECT_EQ(toGray(pixelBuffer(4, {255, 0, 0, 255})).data[0], 29);  // blue: 0.114 x 255
}

TEST(ToGray, OtherChannelCountsGiveTheEmptyBuffer)
{
    EXPECT_TRUE(toGray(ImageBuffer(4, 4, 1, 1)).isEmpty());
    EXPECT_TRUE(toGray(ImageBuffer(4, 4, 2, 1)).isEmpty());
}

TEST(BgraToRgb, SwapsAndDropsAlpha)
{
    ImageBuffer rgb = bgraToRgb(pixelBuffer(4, {10, 20, 30, 255}));
    ASSERT_EQ(rgb.channels, 3);
    EXPECT_EQ(rgb.data[0], 30);
    EXPECT_EQ(rgb.data[1], 20);
    EXPECT_EQ(rgb.data[2], 10);
    EXPECT_TRUE(bgraToRgb(pixelBuffer(3, {1, 2, 3})).isEmpty());
}

TEST(LoadImageBuffer, CopiesPixelsAsBlueGreenRedAlpha)
{
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(Qt::black);
    image.setPixel(2, 1, qRgb(200, 150, 120));
    ImageBuffer b = loadImageBuffer(image);
    ASSERT_EQ(b.width, 3);
    ASSERT_EQ(b.height, 2);
    ASSERT_EQ(b.channels, 4);
    const unsigned char* p = b.data + (1 * 3 + 2) * 4;
    EXPECT_EQ(p[0], 120);
    EXPECT_EQ(p[1], 150);
    EXPECT_EQ(p[2], 200);
    EXPECT_EQ(p[3], 255);
}

TEST(LoadImageBuffer, ZeroSizedImageGivesNoSamples)
{
    ImageBuffer b = loadImageBuffer(QImage());
    EXPECT_EQ(b.sizeInBytes(), 0u);
    EXPECT_EQ(toGray(b).sizeInBytes(), 0u);
    EXPECT_EQ(bgraToRgb(b).sizeInBytes(), 0u);
}

}  // namespace
