#include "detect/integral_image.h"

#include "cascade_builders.h"

#include <gtest/gtest.h>

namespace {

std::vector<int> sums(const ImageBuffer& b)
{
    return std::vector<int>(b.samples<int>(), b.samples<int>() + b.width * b.height);
}

std::vector<double> squares(const ImageBuffer& b)
{
    return std::vector<double>(b.samples<double>(), b.samples<double>() + b.width * b.height);
}

TEST(IntegralImage, SmallPicturesGiveTheWorkedValues)
{
    ImageBuffer one = greyPicture(1, 1, 7);
    ImageBuffer sum, sqsum;
    ASSERT_TRUE(computeIntegrals(one, sum, &sqsum));
    EXPECT_EQ(sum.width, 2);
    EXPECT_EQ(sum.height, 2);
    EXPECT_EQ(sum.depth, 4);
    EXPECT_EQ(sqsum.depth, 8);
    EXPECT_EQ(sums(sum), (std::vector<int>{0, 0, 0, 7}));
    EXPECT_EQ(squares(sqsum), (std::vector<double>{0, 0, 0, 49}));

    ImageBuffer two = greyPicture(2, 2);
    two.data[0] = 1, two.data[1] = 2, two.data[2] = 3, two.data[3] = 4;
    ASSERT_TRUE(computeIntegrals(two, sum, &sqsum));
    EXPECT_EQ(sums(sum), (std::vector<int>{0, 0, 0, 0, 1, 3, 0, 4, 10}));
    EXPECT_EQ(squares(sqsum), (std::vector<double>{0, 0, 0, 0, 1, 5, 0, 10, 30}));

    ImageBuffer empty(0, 0, 1, 1);
    ASSERT_TRUE(computeIntegrals(empty, sum, &sqsum));
    EXPECT_EQ(sums(sum), std::vector<int>{0});
    EXPECT_EQ(squares(sqsum), std::vector<double>{0});
}

TEST(IntegralImage, BuffersOfTheSameShapeAreOverwrittenCompletely)
{
    ImageBuffer sum(4, 3, 1, 4), sqsum(4, 3, 1, 8);
    for (int i = 0; i < 12; ++i)
        sum.samples<int>()[i] = -5, sqsum.samples<double>()[i] = -5;
    const ImageBuffer picture = noisePicture(3, 2, 8);
    ImageBuffer freshSum, freshSqsum;
    ASSERT_TRUE(computeIntegrals(picture, freshSum, &freshSqsum));
    ASSERT_TRUE(computeIntegrals(picture, sum, &sqsum));
    EXPECT_EQ(sums(sum), sums(freshSum));
    EXPECT_EQ(squares(sqsum), squares(freshSqsum));
}

TEST(IntegralImage, SumsOnlyWhenNoSquaresAreAsked)
{
    ImageBuffer sum;
    ASSERT_TRUE(computeIntegrals(greyPicture(3, 1, 5), sum));
    EXPECT_EQ(sums(sum), (std::vector<int>{0, 0, 0, 0, 0, 5, 10, 15}));
}

TEST(IntegralImage, RefusesPicturesThatAreNotGrey)
{
    ImageBuffer sum, sqsum;
    EXPECT_FALSE(computeIntegrals(ImageBuffer(4, 4, 3, 1), sum, &sqsum));
    EXPECT_FALSE(computeIntegrals(ImageBuffer(4, 4, 1, 4), sum, &sqsum));
    EXPECT_TRUE(sum.isEmpty());
    EXPECT_TRUE(sqsum.isEmpty());
}

TEST(IntegralImage, SaturatedPictureSumsEverything)
{
    ImageBuffer sum, sqsum;
    ASSERT_TRUE(computeIntegrals(greyPicture(37, 23, 255), sum, &sqsum));
    EXPECT_EQ(sum.samples<int>()[sum.width * sum.height - 1], 255 * 37 * 23);
    EXPECT_EQ(sqsum.samples<double>()[sqsum.width * sqsum.height - 1], 65025.0 * 37 * 23);
}

TEST(IntegralImage, RectangleSumsMatchCountedSums)
{
    const ImageBuffer picture = noisePicture(41, 29, 3);
    ImageBuffer sum, sqsum;
    ASSERT_TRUE(computeIntegrals(picture, sum, &sqsum));
    std::mt19937 rng(11);
    for (int n = 0; n < 500; ++n) {
        const int x = int(rng() % 41), y = int(rng() % 29);
        const int w = int(rng() % (41 - x + 1)), h = int(rng() % (29 - y + 1));
        int counted = 0;
        double countedSquares = 0;
        for (int r = y; r < y + h; ++r)
            for (int c = x; c < x + w; ++c) {
                counted += picture.data[r * 41 + c];
                countedSquares += double(picture.data[r * 41 + c]) * picture.data[r * 41 + c];
            }
        ASSERT_EQ(integralRectSum(sum, x, y, w, h), counted)
            << x << "," << y << " " << w << "x" << h;
        const double* q = sqsum.samples<double>();
        const int s = sqsum.width;
        EXPECT_EQ(q[(y + h) * s + x + w] - q[(y + h) * s + x] - q[y * s + x + w] + q[y * s + x],
                  countedSquares);
    }
    EXPECT_EQ(integralRectSum(sum, 5, 5, 0, 7), 0);
    EXPECT_EQ(integralRectSum(sum, 5, 5, 7, 0), 0);
}

}  // namespace
