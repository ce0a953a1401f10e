#include "detect/edge_map.h"

#include "cascade_builders.h"
#include "plain_edge_map.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <utility>

namespace {

using Pixels = std::vector<std::pair<int, int>>;

ImageBuffer edgesOf(const ImageBuffer& picture, double low = 0.0, double high = 50.0)
{
    ImageBuffer out = greyPicture(picture.width, picture.height, 99);
    EXPECT_TRUE(cannyEdges(out, picture, low, high));
    return out;
}

// The edge pixels as (column, row), row by row; fails on any value other than 0 and 255.
Pixels edgePixels(ImageBuffer& edges)
{
    Pixels found;
    for (int y = 0; y < edges.height; ++y)
        for (int x = 0; x < edges.width; ++x) {
            const int v = pixel(edges, x, y);
            EXPECT_TRUE(v == 0 || v == 255) << v;
            if (v == 255)
                found.push_back({x, y});
        }
    return found;
}

// Columns [0, split) of value `left`, the rest of value `right`.
ImageBuffer columnsStep(int w, int h, int split, unsigned char left, unsigned char right)
{
    ImageBuffer b = greyPicture(w, h, right);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < split; ++x)
            pixel(b, x, y) = left;
    return b;
}

TEST(SobelResponse, HalfWaveResponsesWithZeroBorder)
{
    ImageBuffer p = greyPicture(4, 3);
    // Rows (0 0 0 0), (0 10 0 0), (0 0 0 30).
    pixel(p, 1, 1) = 10;
    pixel(p, 3, 2) = 30;
    const auto v = sobelResponse(p, true);
    const auto h = sobelResponse(p, false);
    ASSERT_EQ(v.size(), 12u);
    // Interior pixels (1,1) and (2,1). Vertical at (2,1): row below (0 0 30) minus row above: 30.
    EXPECT_EQ(v[5], 0);
    EXPECT_EQ(v[6], 30);
    // Horizontal at (2,1): left column (0 10 0) = 20, minus right column (0 0 30) = 30: clamped.
    EXPECT_EQ(h[6], 0);
    // Horizontal at (1,1): left column 0 minus right column 0.
    EXPECT_EQ(h[5], 0);
    for (int i : {0, 1, 2, 3, 4, 7, 8, 9, 10, 11}) {
        EXPECT_EQ(v[std::size_t(i)], 0) << i;
        EXPECT_EQ(h[std::size_t(i)], 0) << i;
    }
    const auto strongest = sobelResponse(columnsStep(3, 3, 1, 255, 0), false);
    EXPECT_EQ(strongest[4], 1020);
}

TEST(CannyEdges, FlatOrTinyPicturesHaveNoEdges)
{
    for (unsigned char value : {0, 128, 255}) {
        ImageBuffer flat = greyPicture(20, 15, value);
        ImageBuffer edges = edgesOf(flat);
        EXPECT_TRUE(edgePixels(edges).empty());
    }
    for (auto [w, h] : {std::pair{2, 9}, {9, 2}, {1, 1}, {1, 7}}) {
        ImageBuffer tiny = noisePicture(w, h, 4);
        ImageBuffer edges = edgesOf(tiny);
        EXPECT_TRUE(edgePixels(edges).empty()) << w << "x" << h;
    }
    ImageBuffer none(0, 0, 1, 1);
    ImageBuffer out(0, 0, 1, 1);
    EXPECT_TRUE(cannyEdges(out, none, 0, 50));
}

TEST(CannyEdges, RefusesMismatchedBuffers)
{
    ImageBuffer picture = noisePicture(8, 8, 1);
    ImageBuffer smaller = greyPicture(7, 8, 3);
    EXPECT_FALSE(cannyEdges(smaller, picture, 0, 50));
    EXPECT_EQ(pixel(smaller, 0, 0), 3);
    ImageBuffer colour(8, 8, 3, 1);
    EXPECT_FALSE(cannyEdges(colour, picture, 0, 50));
}

TEST(CannyEdges, DarkToBrightStepIsClampedAway)
{
    ImageBuffer edges = edgesOf(columnsStep(10, 6, 5, 0, 255));
    EXPECT_TRUE(edgePixels(edges).empty());
}

TEST(CannyEdges, BrightToDarkStepHasTwoEdgesOnRowOne)
{
    // Along the step every pixel has equal neighbours above and below, so only row 1, whose upper
    // neighbour has no response, holds maxima: the left one starts an edge, the right one joins.
    ImageBuffer edges = edgesOf(columnsStep(10, 6, 5, 255, 0));
    EXPECT_EQ(edgePixels(edges), (Pixels{{4, 1}, {5, 1}}));
}

TEST(CannyEdges, EqualNeighboursAlongARowKeepOnlyTheLeftOne)
{
    // Dark above bright: the vertical response runs along two rows of equal magnitudes, compared
    // along the row; only column 1, strictly above its zero-border neighbour, is a maximum.
    ImageBuffer picture = greyPicture(10, 8, 255);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 10; ++x)
            pixel(picture, x, y) = 0;
    ImageBuffer edges = edgesOf(picture);
    EXPECT_EQ(edgePixels(edges), (Pixels{{1, 3}, {1, 4}}));
}

TEST(CannyEdges, ThresholdsAreSwappedAndFloored)
{
    const ImageBuffer picture = noisePicture(30, 20, 9);
    ImageBuffer usual = edgesOf(picture, 0.0, 50.0);
    ImageBuffer swapped = edgesOf(picture, 50.0, 0.0);
    EXPECT_EQ(edgePixels(usual), edgePixels(swapped));
    EXPECT_FALSE(edgePixels(usual).empty());

    // A step of 13 gives magnitude 52: not above 52, but above floor(51.9) = 51.
    const ImageBuffer faint = columnsStep(10, 6, 5, 113, 100);
    ImageBuffer at52 = edgesOf(faint, 0.0, 52.0);
    EXPECT_TRUE(edgePixels(at52).empty());
    ImageBuffer below52 = edgesOf(faint, 0.0, 51.9);
    EXPECT_EQ(edgePixels(below52), (Pixels{{4, 1}, {5, 1}}));
    // Below the high threshold a step is at most a possible edge, and nothing makes it one.
    ImageBuffer weak = edgesOf(columnsStep(10, 6, 5, 112, 100));
    EXPECT_TRUE(edgePixels(weak).empty());
}

TEST(CannyEdges, EveryEdgeChainHoldsAStrongPixel)
{
    // On random pictures every edge pixel has a response, and every 8-connected group of edge
    // pixels contains one of magnitude above the high threshold, where the tracing started.
    for (unsigned seed = 1; seed <= 4; ++seed) {
        ImageBuffer picture = noisePicture(40, 30, seed);
        for (int i = 0; i < 40 * 30; ++i)
            picture.data[i] = static_cast<unsigned char>(picture.data[i] / (seed * 2));
        ImageBuffer edges = edgesOf(picture);
        const auto v = sobelResponse(picture, true);
        const auto h = sobelResponse(picture, false);
        auto magnitude = [&](int x, int y) {
            return v[std::size_t(y * 40 + x)] + h[std::size_t(y * 40 + x)];
        };
        std::vector<int> seen(40 * 30, 0);
        int groups = 0;
        for (auto [x0, y0] : edgePixels(edges)) {
            if (seen[std::size_t(y0 * 40 + x0)])
                continue;
            ++groups;
            int strongest = 0;
            std::vector<std::pair<int, int>> todo{{x0, y0}};
            seen[std::size_t(y0 * 40 + x0)] = 1;
            while (!todo.empty()) {
                auto [x, y] = todo.back();
                todo.pop_back();
                EXPECT_GT(magnitude(x, y), 0);
                strongest = std::max(strongest, magnitude(x, y));
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = x + dx, ny = y + dy;
                        if (nx < 0 || ny < 0 || nx >= 40 || ny >= 30 || pixel(edges, nx, ny) == 0 ||
                            seen[std::size_t(ny * 40 + nx)])
                            continue;
                        seen[std::size_t(ny * 40 + nx)] = 1;
                        todo.push_back({nx, ny});
                    }
            }
            EXPECT_GT(strongest, 50);
        }
        EXPECT_GT(groups, 0) << seed;
    }
}

// The row-at-a-time, branch-free local-maximum test against the plain form, on random pictures:
// raw noise (every direction, many ties), noise smoothed into ramps and blobs (long edges, the
// hysteresis), flat patches (equal neighbours), every size from a sliver up, and thresholds
// around the magnitudes those pictures have, the scan's own (0, 50) among them.
TEST(CannyEdges, SameAsThePlainFormOnRandomPictures)
{
    std::mt19937 rng(2024);
    int edgePixelsSeen = 0;
    for (int round = 0; round < 300; ++round) {
        std::uniform_int_distribution<int> side(1, 48);
        const int w = side(rng), h = side(rng);
        ImageBuffer picture = noisePicture(w, h, rng());
        const int kind = round % 3;
        if (kind == 1) {  // smoothed: each pixel the mean of a 5 x 5 box of the noise
            const ImageBuffer noise = picture;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    int sum = 0, count = 0;
                    for (int dy = -2; dy <= 2; ++dy)
                        for (int dx = -2; dx <= 2; ++dx)
                            if (x + dx >= 0 && x + dx < w && y + dy >= 0 && y + dy < h) {
                                sum += noise.data[std::size_t((y + dy) * w + x + dx)];
                                ++count;
                            }
                    pixel(picture, x, y) = static_cast<unsigned char>(sum / count);
                }
        } else if (kind == 2) {  // a few values only: flat patches and equal magnitudes
            for (std::size_t i = 0; i < picture.sizeInBytes(); ++i)
                picture.data[i] = static_cast<unsigned char>(picture.data[i] / 64 * 60);
        }
        const double low = round % 4 == 0 ? 0.0 : std::uniform_real_distribution<>(0, 200)(rng);
        const double high = round % 4 == 0 ? 50.0 : std::uniform_real_distribution<>(0, 600)(rng);
        SCOPED_TRACE(testing::Message() << "round " << round << ", " << w << " x " << h
                                        << ", thresholds " << low << " and " << high);
        ImageBuffer fast = edgesOf(picture, low, high);
        const ImageBuffer plain = plainCannyEdges(picture, low, high);
        ASSERT_TRUE(std::equal(fast.data, fast.data + fast.sizeInBytes(), plain.data));
        edgePixelsSeen += int(edgePixels(fast).size());
    }
    EXPECT_GT(edgePixelsSeen, 1000);  // the pictures did have edges to agree on
}

}  // namespace
