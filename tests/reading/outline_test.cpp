#include "plain_lower_search.h"
#include "plain_reading_steps.h"
#include "reading/outline.h"
#include "synthetic_face.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <iterator>

namespace {

TEST(CoefficientGrids, RepeatedAdditionGivesFortyAndThreeHundredTwenty)
{
    const std::vector<double>& lower = lowerCoefficients();
    ASSERT_EQ(lower.size(), 40u);
    EXPECT_EQ(lower.front(), 0.02);
    EXPECT_NEAR(lower.back(), 0.0395, 1e-12);
    const std::vector<double>& side = sideCoefficients();
    ASSERT_EQ(side.size(), 320u);
    EXPECT_EQ(side.front(), 0.04);
    EXPECT_NEAR(side.back(), 0.1995, 1e-12);
    EXPECT_LT(side.back(), 0.2);
    // Built by addition, not multiplication: the values carry its rounding.
    double a = 0.02;
    for (int i = 0; i < 10; ++i)
        a += 0.0005;
    EXPECT_EQ(lower[10], a);
}

ImageBuffer greyFilled(int width, int height, unsigned char v)
{
    ImageBuffer g(width, height, 1, 1);
    std::fill(g.data, g.data + g.sizeInBytes(), v);
    return g;
}

TEST(ContrastEdges, ResponseAt255IsAnEdgeAndBelowIsNot)
{
    // Centre 11 on black: s = 24 x 11 minus the other window pixels.
    ImageBuffer g = greyFilled(5, 5, 0);
    g.data[12] = 11;
    g.data[0] = 9;  // s = 264 - 9 = 255
    ImageBuffer e = contrastEdges(g);
    EXPECT_EQ(e.data[12], 0);
    EXPECT_TRUE(isEdge(edgeMap(g), 2, 2));

    g.data[0] = 10;  // s = 254
    e = contrastEdges(g);
    EXPECT_EQ(e.data[12], 1);
    EXPECT_FALSE(isEdge(edgeMap(g), 2, 2));

    g.data[12] = 0;  // negative response: clamped to 0
    e = contrastEdges(g);
    EXPECT_EQ(e.data[12], 255);
}

TEST(ContrastEdges, OuterTwoRingsAndSmallPicturesHaveNoResponse)
{
    ImageBuffer g = greyFilled(7, 7, 0);
    for (int i = 0; i < 49; ++i)
        g.data[i] = (i * 37) % 256;
    const ImageBuffer e = contrastEdges(g);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 7; ++x)
            if (x < 2 || x > 4 || y < 2 || y > 4) {
                EXPECT_EQ(e.data[y * 7 + x], 255) << x << "," << y;
            }

    for (const auto& [w, h] : {std::pair{4, 50}, {50, 4}, {0, 0}, {1, 1}}) {
        ImageBuffer bright = greyFilled(w, h, 0);
        for (std::size_t i = 0; i < bright.sizeInBytes(); i += 2)
            bright.data[i] = 255;
        const ImageBuffer small = contrastEdges(bright);
        for (std::size_t i = 0; i < small.sizeInBytes(); ++i)
            ASSERT_EQ(small.data[i], 255);
    }
}

TEST(ContrastEdges, ColourGoesThroughGrey)
{
    ImageBuffer rgb = rgbFilled(5, 5, 0, 0, 0);
    setRgb(rgb, 2, 2, 0, 0, 255);  // grey 29: s = 696
    EXPECT_EQ(contrastEdges(rgb).data[12], 0);
    EXPECT_EQ(contrastEdges(rgb).channels, 1);
}

// The responses come from running window sums; the plain form sums every window pixel by pixel.
TEST(ContrastEdges, SameAsWindowByWindowSumsOnRandomPictures)
{
    Lcg random{31};
    for (int trial = 0; trial < 60; ++trial) {
        const int W = random.below(trial < 30 ? 9 : 70), H = random.below(trial < 30 ? 9 : 70);
        const int channels = trial % 3 == 0 ? 1 : trial % 3 == 1 ? 3 : 4;
        ImageBuffer picture(W, H, channels, 1);
        // Smooth ramps with noise, so that responses fall on both sides of 255.
        for (std::size_t i = 0; i < picture.sizeInBytes(); ++i)
            picture.data[i] = static_cast<unsigned char>((i * 7) % 200 + random.below(56));
        SCOPED_TRACE(testing::Message() << W << "x" << H << "x" << channels);
        const ImageBuffer plain = plainContrastEdges(picture);
        const ImageBuffer fast = contrastEdges(picture);
        ASSERT_EQ(fast.width, plain.width);
        ASSERT_EQ(fast.height, plain.height);
        ASSERT_EQ(0, std::memcmp(fast.data, plain.data, plain.sizeInBytes()));
        ImageBuffer thresholded = plain;
        thresholdMask(thresholded, thresholded, 1);
        const ImageBuffer edges = edgeMap(picture);
        ASSERT_EQ(0, std::memcmp(edges.data, thresholded.data, thresholded.sizeInBytes()));
    }
}

TEST(IsEdge, OutsideTheMapIsNoEdge)
{
    const ImageBuffer edges = greyFilled(3, 2, 0);
    EXPECT_TRUE(isEdge(edges, 0, 0));
    EXPECT_TRUE(isEdge(edges, 2, 1));
    EXPECT_FALSE(isEdge(edges, -1, 0));
    EXPECT_FALSE(isEdge(edges, 3, 0));
    EXPECT_FALSE(isEdge(edges, 0, -1));
    EXPECT_FALSE(isEdge(edges, 0, 2));
}

TEST(FirstNonBlackRow, CountsPixelsNotBytes)
{
    ImageBuffer face = rgbFilled(10, 30, 0, 0, 0);
    EXPECT_EQ(firstNonBlackRow(face), 0);
    setRgb(face, 9, 7, 0, 0, 1);
    EXPECT_EQ(firstNonBlackRow(face), 7);
    setRgb(face, 0, 25, 50, 50, 50);
    EXPECT_EQ(firstNonBlackRow(face), 7);
}

TEST(OutlineValidity, RangesAreInclusiveAndUnsetFails)
{
    FaceMeasures m;
    m.x0 = 67;
    m.y0 = 100;
    m.a1 = 0.02;
    m.a2 = 0.04;
    EXPECT_TRUE(lowerCurvesValid(m, 67, 100));
    EXPECT_FALSE(measuresValid(m, 67, 100));
    m.a3 = 0.04;
    m.a4 = 0.2;
    EXPECT_TRUE(measuresValid(m, 67, 100));

    FaceMeasures bad = m;
    bad.y0 = 101;
    EXPECT_FALSE(lowerCurvesValid(bad, 67, 100));
    bad = m;
    bad.x0 = -1;
    EXPECT_FALSE(lowerCurvesValid(bad, 67, 100));
    bad = m;
    bad.a1 = 0.0401;
    EXPECT_FALSE(lowerCurvesValid(bad, 67, 100));
    bad = m;
    bad.a4 = 0.2001;
    EXPECT_FALSE(measuresValid(bad, 67, 100));
    bad = m;
    bad.a3.reset();
    EXPECT_FALSE(measuresValid(bad, 67, 100));
    bad = m;
    bad.x0.reset();
    EXPECT_FALSE(lowerCurvesValid(bad, 67, 100));
}

void expectSameLowerFit(const FaceMeasures& fast, const FaceMeasures& plain)
{
    EXPECT_EQ(fast.x0, plain.x0);
    EXPECT_EQ(fast.y0, plain.y0);
    EXPECT_EQ(fast.a1, plain.a1);
    EXPECT_EQ(fast.a2, plain.a2);
}

TEST(LowerSearch, MatchesThePlainLoopOnRandomEdgeMaps)
{
    Lcg random{12345};
    CapturedDiagnostics captured;
    for (int trial = 0; trial < 40; ++trial) {
        const int W = 20 + random.below(50), H = 30 + random.below(71);
        ImageBuffer E = greyFilled(W, H, 255);
        const int density = 2 + random.below(30);
        for (std::size_t i = 0; i < E.sizeInBytes(); ++i)
            if (random.below(100) < density)
                E.data[i] = 0;
        const MouthPoint mouth{W / 4 + random.below(W / 2), (5 * H) / 8 + random.below(H / 3)};
        SCOPED_TRACE(testing::Message() << "trial " << trial << " " << W << "x" << H);
        expectSameLowerFit(searchLowerOutline(E, mouth), plainLowerSearch(E, mouth));
    }
}

TEST(LowerSearch, MatchesThePlainLoopOnMaskedDrawnFaces)
{
    Lcg random{777};
    CapturedDiagnostics captured;
    for (int trial = 0; trial < 12; ++trial) {
        FaceDrawing drawing;
        drawing.width = 50 + random.below(51);
        drawing.height = 100;
        drawing.centreX = drawing.width / 2.0 + random.below(7) - 3;
        drawing.radiusX = drawing.width * (0.3 + random.below(15) / 100.0);
        drawing.radiusY = 35 + random.below(12);
        const ImageBuffer rgb = bgraToRgb(drawFace(drawing));
        // Black out the background, as the reader's mask does.
        ImageBuffer masked = rgb;
        for (int i = 0; i < masked.width * masked.height; ++i)
            if (masked.data[3 * i] == drawing.background.r &&
                masked.data[3 * i + 2] == drawing.background.b)
                masked.data[3 * i] = masked.data[3 * i + 1] = masked.data[3 * i + 2] = 0;
        const ImageBuffer E = edgeMap(masked);
        const MouthPoint mouth{drawing.width / 2 + random.below(5) - 2, 70 + random.below(10)};
        SCOPED_TRACE(testing::Message() << "trial " << trial);
        const FaceMeasures plain = plainLowerSearch(E, mouth);
        EXPECT_TRUE(plain.a1.has_value());
        expectSameLowerFit(searchLowerOutline(E, mouth), plain);
    }
}

// Maps with one or two edge pixels (ties everywhere) and crowded ones, mouths beside, above and
// below the picture (vertex columns outside it, rows worked out one by one, no vertex rows at
// all), and a map wider than 255 columns, whose half-curve counts no longer fit a byte.
TEST(LowerSearch, MatchesThePlainLoopWithTiesMouthsOutsideAndWideMaps)
{
    struct Case {
        int W, H, perMille;
        MouthPoint mouth;
    };
    const Case cases[] = {
        {24, 40, 1, {12, 20}},  {24, 40, 6, {12, 20}},  {20, 36, 400, {10, 18}},
        {22, 40, 80, {-3, 12}}, {22, 40, 80, {27, 15}}, {22, 40, 80, {11, -6}},
        {22, 40, 80, {0, 0}},   {22, 40, 80, {11, 38}}, {258, 57, 100, {256, 3}},
    };
    Lcg random{99};
    CapturedDiagnostics captured;
    for (const Case& c : cases) {
        ImageBuffer E = greyFilled(c.W, c.H, 255);
        for (std::size_t i = 0; i < E.sizeInBytes(); ++i)
            if (random.below(1000) < c.perMille)
                E.data[i] = 0;
        E.data[random.below(int(E.sizeInBytes()))] = 0;
        SCOPED_TRACE(testing::Message()
                     << c.W << "x" << c.H << " mouth " << c.mouth.x << "," << c.mouth.y);
        expectSameLowerFit(searchLowerOutline(E, c.mouth), plainLowerSearch(E, c.mouth));
    }
    EXPECT_EQ(captured.lines().size(), 40u * std::size(cases));
}

TEST(LowerSearch, TiesGoToTheFirstCandidateInLoopOrder)
{
    // One edge pixel left of every vertex: the left curve decides, so a2 stays at the first grid
    // value, and a1, x0, y0 at the first that reach the pixel.
    ImageBuffer E = greyFilled(40, 60, 255);
    E.data[50 * 40 + 5] = 0;
    const MouthPoint mouth{20, 30};  // x0 from 15, y0 from 38
    CapturedDiagnostics captured;
    const FaceMeasures m = searchLowerOutline(E, mouth);
    ASSERT_TRUE(m.a1 && m.a2 && m.x0 && m.y0);
    EXPECT_EQ(*m.a1, 0.02);
    EXPECT_EQ(*m.a2, 0.02);
    EXPECT_EQ(*m.x0, 15);
    EXPECT_EQ(curveRow(15, *m.y0, 0.02, 5), 50);
    EXPECT_NE(curveRow(15, *m.y0 - 1, 0.02, 5), 50);

    const std::vector<std::string> lines = captured.lines();
    ASSERT_EQ(lines.size(), 40u);
    EXPECT_EQ(lines.front(), "a1cur is 0.02");
    EXPECT_EQ(lines[1], "a1cur is 0.0205");
    EXPECT_EQ(lines.back(), "a1cur is 0.0395");
}

TEST(MeasureOutline, BlackFaceFailsWithUnsetFields)
{
    CapturedDiagnostics captured;
    FaceMeasures m;
    m.a3 = 0.1;  // stale values from an earlier reading do not survive
    EXPECT_EQ(measureOutline(rgbFilled(67, 100, 0, 0, 0), {33, 75}, m), -1);
    EXPECT_FALSE(m.x0 || m.y0 || m.a1 || m.a2 || m.a3 || m.a4);
    const std::vector<std::string> lines = captured.lines();
    ASSERT_EQ(lines.size(), 42u);
    EXPECT_EQ(lines[40], "a1 and a2 are unset unset");
    EXPECT_EQ(lines[41], "x0 is unset");
}

TEST(MeasureOutline, DrawnMaskedFaceGivesValidCoefficients)
{
    const ImageBuffer rgb = bgraToRgb(drawFace());
    ImageBuffer masked = rgb;
    for (int i = 0; i < masked.width * masked.height; ++i)
        if (masked.data[3 * i] == 60 && masked.data[3 * i + 2] == 140)
            masked.data[3 * i] = masked.data[3 * i + 1] = masked.data[3 * i + 2] = 0;
    CapturedDiagnostics captured;
    FaceMeasures m;
    const int status = measureOutline(masked, {32, 72}, m);
    const std::vector<std::string> lines = captured.lines();
    ASSERT_EQ(lines.size(), 44u);
    EXPECT_EQ(lines[42].rfind("xl0 and xr0", 0), 0u);
    EXPECT_EQ(lines[43].rfind("a3 and a4 are ", 0), 0u);
    ASSERT_EQ(status, 0) << lines[43];
    EXPECT_TRUE(measuresValid(m, 67, 100));
    // The drawn chin is at (33.5, 86).
    EXPECT_NEAR(*m.x0, 34, 3);
    EXPECT_NEAR(*m.y0, 84, 4);
}

TEST(MeasureOutline, NarrowOrFlatFacesFailWithoutReadingOutside)
{
    CapturedDiagnostics captured;
    for (const auto& [w, h] : {std::pair{4, 50}, {50, 4}, {1, 1}, {0, 0}, {5, 5}}) {
        ImageBuffer face = rgbFilled(w, h, 200, 150, 120);
        if (w > 0 && h > 0)
            setRgb(face, w / 2, h / 2, 255, 255, 255);
        FaceMeasures m;
        EXPECT_EQ(measureOutline(face, {w / 2, h / 2}, m), -1) << w << "x" << h;
    }
}

}  // namespace
