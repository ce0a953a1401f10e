// The steady reading: where its 54 views lie (sizes, offsets, clamping at the borders), the
// views' pixels against the plain cut-mirror-prepare, the vote with its threshold and ties, and
// whole readings of drawn faces: the same at any number of threads, silent, defined at the
// borders and on grey or skinless faces.

#include "reading/hsv.h"
#include "reading/prepare_face.h"
#include "reading/steady_reading.h"
#include "synthetic_face.h"
#include "test_support.h"
#include "vision/picture.h"
#include "vision/qimage_buffer.h"

#include <QImage>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace {

using O = SteadyOutcome;

// The index of a view in the list: sizes, then row offsets, then column offsets, each -d, 0, d
// given as 0, 1, 2; the plain view before its mirror image.
int viewIndex(int size, int row, int column, bool mirrored)
{
    return ((size * 3 + row) * 3 + column) * 2 + (mirrored ? 1 : 0);
}

FaceRect rect(int x, int y, int width, int height) { return {x, y, width, height, 0}; }

void expectBox(const FaceRect& box, const FaceRect& expected)
{
    EXPECT_EQ(box.x, expected.x);
    EXPECT_EQ(box.y, expected.y);
    EXPECT_EQ(box.width, expected.width);
    EXPECT_EQ(box.height, expected.height);
}

// A picture of the background colour with a drawn face filling the cut of the given box: the
// box's columns, and a quarter of its height above and below.
QImage drawnPicture(int width, int height, const FaceRect& box, FaceDrawing drawing = {})
{
    drawing.width = box.width;
    drawing.height = box.height * 3 / 2;
    drawing.centreX = drawing.width / 2.0;
    drawing.centreY = drawing.height / 2.0;
    drawing.radiusX = drawing.width * 0.45;
    drawing.radiusY = drawing.height * 0.36;
    const ImageBuffer face = drawFace(drawing);
    QImage picture(width, height, QImage::Format_RGB32);
    const Rgb bg = drawing.background;
    picture.fill(qRgb(bg.r, bg.g, bg.b));
    const int top = box.y - box.height / 4;
    for (int y = 0; y < face.height; ++y)
        for (int x = 0; x < face.width; ++x)
            if (top + y >= 0 && top + y < height && box.x + x < width) {
                const unsigned char* p = face.data + (std::size_t(y) * face.width + x) * 4;
                picture.setPixel(box.x + x, top + y, qRgb(p[2], p[1], p[0]));
            }
    return picture;
}

QImage randomPicture(int width, int height, Lcg& random)
{
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = 0xff000000u | random.next();
    }
    return picture;
}

bool sameBytes(const ImageBuffer& a, const ImageBuffer& b)
{
    return a.width == b.width && a.height == b.height && a.channels == b.channels &&
           a.sizeInBytes() == b.sizeInBytes() &&
           (a.sizeInBytes() == 0 || std::memcmp(a.data, b.data, a.sizeInBytes()) == 0);
}

void expectSameReading(const SteadyReading& a, const SteadyReading& b)
{
    EXPECT_EQ(a.outcome, b.outcome);
    EXPECT_EQ(a.views, b.views);
    EXPECT_EQ(a.votes, b.votes);
    EXPECT_EQ(a.reason, b.reason);
    ASSERT_EQ(a.viewResults.size(), b.viewResults.size());
    for (std::size_t i = 0; i < a.viewResults.size(); ++i) {
        const SteadyView& x = a.viewResults[i];
        const SteadyView& y = b.viewResults[i];
        const FaceMeasures& m = x.outcome.measures;
        const FaceMeasures& n = y.outcome.measures;
        EXPECT_TRUE(x.place.box == y.place.box && x.place.mirrored == y.place.mirrored &&
                    steadyOutcomeOf(x.outcome) == steadyOutcomeOf(y.outcome) && m.a1 == n.a1 &&
                    m.a2 == n.a2 && m.a3 == n.a3 && m.a4 == n.a4 &&
                    (x.report ? x.report->failure : std::nullopt) ==
                        (y.report ? y.report->failure : std::nullopt))
            << "view " << i;
    }
}

// The votes add up to the views, and each view's vote is its own outcome.
void expectVotesCountTheViews(const SteadyReading& reading)
{
    SteadyVotes counted{};
    for (const SteadyView& view : reading.viewResults)
        ++counted[std::size_t(steadyOutcomeOf(view.outcome))];
    EXPECT_EQ(counted, reading.votes);
    EXPECT_EQ(reading.views, int(reading.viewResults.size()));
}

TEST(SteadyPlaces, StepIsOnePixelInTwentyFourOfTheWidthAtLeastOne)
{
    const std::pair<int, int> table[] = {{1, 1},   {20, 1},   {23, 1},   {24, 1}, {47, 1},
                                         {48, 2},  {71, 2},   {72, 3},   {97, 4}, {212, 8},
                                         {239, 9}, {240, 10}, {1000, 41}};
    for (const auto& [width, step] : table)
        EXPECT_EQ(steadyStep(width), step) << width;
}

TEST(SteadyPlaces, SizesThenRowsThenColumnsEachPlainThenMirrored)
{
    const FaceRect face{100, 80, 97, 97, 6};
    const std::vector<SteadyViewPlace> places = steadyViewPlaces(512, 512, face);
    ASSERT_EQ(places.size(), std::size_t(steadyViewCount));
    const int d = 4;
    for (int s = 0; s < 3; ++s)
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                for (bool mirrored : {false, true}) {
                    const SteadyViewPlace& p = places[viewIndex(s, r, c, mirrored)];
                    const int g = (s - 1) * d, dx = (c - 1) * d, dy = (r - 1) * d;
                    EXPECT_EQ(p.grow, g);
                    EXPECT_EQ(p.dx, dx);
                    EXPECT_EQ(p.dy, dy);
                    EXPECT_EQ(p.mirrored, mirrored);
                    expectBox(p.box, rect(100 - g + dx, 80 - g + dy, 97 + 2 * g, 97 + 2 * g));
                    EXPECT_EQ(p.box.neighbors, 6);
                }
    EXPECT_EQ(places[faithfulViewIndex].box, face);
    EXPECT_FALSE(places[faithfulViewIndex].mirrored);
}

TEST(SteadyPlaces, MovedBoxesAreKeptInsideAtEveryBorder)
{
    // A 48-pixel face (d = 2) in a 100 x 80 picture, touching one border or two.
    struct Case {
        FaceRect face;
        int index;
        FaceRect box;
    };
    const Case table[] = {
        // left border: moving left or growing is undone, the box stays at column 0
        {rect(0, 20, 48, 48), viewIndex(1, 1, 0, false), rect(0, 20, 48, 48)},
        {rect(0, 20, 48, 48), viewIndex(2, 1, 1, true), rect(0, 18, 52, 52)},
        {rect(1, 20, 48, 48), viewIndex(2, 1, 0, false), rect(0, 18, 52, 52)},
        // right border: x + width = 100
        {rect(52, 20, 48, 48), viewIndex(1, 1, 2, false), rect(52, 20, 48, 48)},
        {rect(52, 20, 48, 48), viewIndex(2, 1, 2, false), rect(48, 18, 52, 52)},
        {rect(52, 20, 48, 48), viewIndex(0, 1, 2, false), rect(56, 22, 44, 44)},
        // top and bottom borders
        {rect(30, 0, 48, 48), viewIndex(1, 0, 1, false), rect(30, 0, 48, 48)},
        {rect(30, 0, 48, 48), viewIndex(0, 0, 1, false), rect(32, 0, 44, 44)},
        {rect(30, 32, 48, 48), viewIndex(1, 2, 1, false), rect(30, 32, 48, 48)},
        {rect(30, 32, 48, 48), viewIndex(2, 2, 0, false), rect(26, 28, 52, 52)},
        // corners: both coordinates clamped at once
        {rect(0, 0, 48, 48), viewIndex(2, 0, 0, false), rect(0, 0, 52, 52)},
        {rect(52, 32, 48, 48), viewIndex(2, 2, 2, true), rect(48, 28, 52, 52)},
        // in the middle nothing is clamped
        {rect(26, 16, 48, 48), viewIndex(0, 0, 0, false), rect(26, 16, 44, 44)},
    };
    for (const Case& c : table) {
        SCOPED_TRACE(c.index);
        const std::vector<SteadyViewPlace> places = steadyViewPlaces(100, 80, c.face);
        ASSERT_EQ(places.size(), std::size_t(steadyViewCount));
        expectBox(places[c.index].box, c.box);
        // Every box of every view lies inside the picture.
        for (const SteadyViewPlace& p : places) {
            EXPECT_GE(p.box.x, 0);
            EXPECT_GE(p.box.y, 0);
            EXPECT_LE(p.box.x + p.box.width, 100);
            EXPECT_LE(p.box.y + p.box.height, 80);
        }
    }
}

TEST(SteadyPlaces, ASizeThatDoesNotFitUsesTheFaceOwnSize)
{
    // The picture is exactly as big as the face: the grown size falls back to the face's own,
    // every moved box of that size is clamped back onto the face, and the views repeat.
    const FaceRect face = rect(0, 0, 30, 30);
    const std::vector<SteadyViewPlace> places = steadyViewPlaces(30, 30, face);
    ASSERT_EQ(places.size(), std::size_t(steadyViewCount));
    for (int i = 0; i < steadyViewCount; ++i) {
        SCOPED_TRACE(i);
        const SteadyViewPlace& p = places[i];
        if (i < 18) {  // shrunk by d = 1: fits and moves freely by one pixel
            EXPECT_EQ(p.grow, -1);
            EXPECT_EQ(p.box.width, 28);
            EXPECT_EQ(p.box.x, 1 + p.dx);
            EXPECT_EQ(p.box.y, 1 + p.dy);
        } else {
            EXPECT_EQ(p.grow, 0);
            expectBox(p.box, face);
        }
    }
    // Only one side too long is enough: a wide picture that is not high enough.
    const std::vector<SteadyViewPlace> wide = steadyViewPlaces(200, 50, rect(50, 1, 48, 48));
    EXPECT_EQ(wide[viewIndex(2, 1, 1, false)].grow, 0);
    expectBox(wide[viewIndex(2, 2, 2, false)].box, rect(52, 2, 48, 48));
    // A size that would leave no row (a flat box) also keeps the face's own size.
    const std::vector<SteadyViewPlace> flat = steadyViewPlaces(200, 50, rect(50, 20, 48, 4));
    EXPECT_EQ(flat[viewIndex(0, 1, 1, false)].grow, 0);
    EXPECT_EQ(flat[viewIndex(2, 1, 1, false)].grow, 2);
}

TEST(SteadyPlaces, ABoxOutsideThePictureHasNoViews)
{
    for (const FaceRect& box : {rect(-1, 0, 10, 10), rect(0, -1, 10, 10), rect(91, 0, 10, 10),
                                rect(0, 91, 10, 10), rect(5, 5, 0, 10), rect(5, 5, 10, 0),
                                rect(2147483600, 0, 100, 10), rect(0, 0, 101, 100)}) {
        EXPECT_TRUE(steadyViewPlaces(100, 100, box).empty()) << box.x << "," << box.y;
        const SteadyReading reading = readSteadily(QImage(100, 100, QImage::Format_RGB32), box);
        EXPECT_EQ(reading.views, 0);
        EXPECT_EQ(reading.outcome, O::Failed);
        EXPECT_FALSE(reading.reason);
    }
    EXPECT_EQ(readSteadily(QImage(), rect(0, 0, 1, 1)).views, 0);
}

SteadyVotes votes(int wood, int fire, int earth, int gold, int water, int failed, int notColour)
{
    return {wood, fire, earth, gold, water, failed, notColour};
}

TEST(SteadyVote, GreyThenQuarterThenMostVotesThenTies)
{
    struct Case {
        SteadyVotes votes;
        O faithful;
        O expected;
    };
    const Case table[] = {
        {votes(0, 0, 0, 0, 0, 0, 54), O::NotColour, O::NotColour},
        // one view with colour is enough to leave not_colour, and then too few have a type
        {votes(0, 0, 0, 0, 0, 1, 53), O::NotColour, O::Failed},
        {votes(1, 0, 0, 0, 0, 0, 53), O::NotColour, O::Failed},
        // the quarter: 14 typed views of 54 (56 >= 54) give a type, 13 (52 < 54) do not
        {votes(0, 0, 0, 0, 14, 40, 0), O::Failed, O::WATER},
        {votes(0, 0, 0, 0, 13, 41, 0), O::WATER, O::Failed},
        {votes(3, 3, 3, 2, 3, 40, 0), O::Failed, O::WOOD},
        {votes(0, 0, 0, 0, 10, 3, 41), O::WATER, O::Failed},
        // most votes
        {votes(0, 0, 9, 4, 31, 10, 0), O::EARTH, O::WATER},
        {votes(3, 6, 7, 15, 20, 3, 0), O::WOOD, O::WATER},
        // ties: the faithful view's type when tied, else the first tied type
        {votes(0, 20, 0, 20, 0, 14, 0), O::GOLD, O::GOLD},
        {votes(0, 20, 0, 20, 0, 14, 0), O::FIRE, O::FIRE},
        {votes(0, 20, 0, 20, 0, 14, 0), O::WOOD, O::FIRE},
        {votes(0, 20, 0, 20, 0, 14, 0), O::Failed, O::FIRE},
        {votes(10, 10, 10, 10, 10, 4, 0), O::WATER, O::WATER},
        {votes(10, 10, 10, 10, 10, 4, 0), O::NotColour, O::WOOD},
        {votes(0, 0, 0, 27, 27, 0, 0), O::EARTH, O::GOLD},
        // no views at all
        {votes(0, 0, 0, 0, 0, 0, 0), O::WOOD, O::Failed},
    };
    for (const Case& c : table) {
        SCOPED_TRACE(testing::PrintToString(c.votes) + " faithful " +
                     steadyOutcomeName(c.faithful));
        EXPECT_EQ(steadyVote(c.votes, c.faithful), c.expected);
    }
}

TEST(SteadyVote, CommonestReasonWithTiesToTheFirstListed)
{
    using R = ReadingFailure;
    struct Case {
        FailureCounts counts;  // not_bgra, lower, left, right, sides
        std::optional<R> expected;
    };
    const Case table[] = {
        {{0, 0, 0, 0, 0}, std::nullopt},       {{0, 1, 0, 0, 0}, R::NoLowerEdge},
        {{0, 3, 5, 0, 4}, R::NoLeftSideEdge},  {{0, 0, 6, 6, 0}, R::NoLeftSideEdge},
        {{0, 0, 0, 6, 6}, R::NoRightSideEdge}, {{0, 2, 1, 1, 2}, R::NoLowerEdge},
        {{1, 0, 0, 0, 1}, R::NotBgraPixels},   {{0, 0, 0, 0, 20}, R::NoSideEdges},
    };
    for (const Case& c : table)
        EXPECT_EQ(commonestReason(c.counts), c.expected) << testing::PrintToString(c.counts);
}

TEST(SteadyViews, PreparedFromThePictureAsByCutMirrorAndPrepare)
{
    // Cuts that keep their size, that are reduced by their height and by their width, faces
    // narrower than 24 pixels, at the borders and as large as the picture.
    struct Case {
        int width, height;
        FaceRect face;
    };
    const Case table[] = {
        {60, 60, rect(20, 20, 20, 20)},      {60, 60, rect(0, 0, 23, 23)},
        {60, 50, rect(37, 27, 23, 23)},      {30, 30, rect(0, 0, 30, 30)},
        {300, 260, rect(40, 30, 97, 97)},    {300, 260, rect(0, 163, 97, 97)},
        {400, 330, rect(100, 60, 212, 212)}, {212, 212, rect(0, 0, 212, 212)},
        {420, 120, rect(10, 30, 300, 50)},   {200, 300, rect(150, 10, 50, 280)},
        {120, 90, rect(45, 40, 61, 41)},     {7, 5, rect(1, 1, 5, 3)},
    };
    Lcg random{17};
    for (const Case& c : table) {
        SCOPED_TRACE(std::to_string(c.face.x) + "," + std::to_string(c.face.y) + " " +
                     std::to_string(c.face.width) + "x" + std::to_string(c.face.height));
        const QImage picture = randomPicture(c.width, c.height, random);
        const std::vector<SteadyViewPlace> places = steadyViewPlaces(c.width, c.height, c.face);
        ASSERT_EQ(places.size(), std::size_t(steadyViewCount));
        for (const SteadyViewPlace& place : places) {
            const QRect cut = faceCutRect(c.height, place.box);
            const CutSampling sampling = cutSampling(cut.width(), cut.height());
            ASSERT_GT(sampling.width, 0);
            const ImageBuffer fast = preparedView(picture, place, sampling);
            ASSERT_TRUE(sameBytes(fast, preparedViewByCopies(picture, place)))
                << place.grow << " " << place.dx << " " << place.dy << " " << place.mirrored;
        }
    }
}

TEST(SteadyViews, KeptColoursAreThoseOfThePreparedPixels)
{
    // Every view of faces of each reduction, at the borders, with grey and black pixels (NaN
    // hues and saturations) among the colours: each hue and saturation, bit for bit, is the one
    // the reader would work out from the prepared pixel.
    struct Case {
        int width, height;
        FaceRect face;
    };
    const Case table[] = {
        {60, 60, rect(0, 0, 23, 23)},
        {300, 260, rect(0, 163, 97, 97)},
        {400, 330, rect(100, 60, 212, 212)},
        {420, 120, rect(10, 30, 300, 50)},
    };
    const auto sameDouble = [](double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; };
    Lcg random{23};
    for (const Case& c : table) {
        SCOPED_TRACE(std::to_string(c.face.width) + "x" + std::to_string(c.face.height));
        QImage picture = randomPicture(c.width, c.height, random);
        for (int y = 0; y < c.height; y += 3)
            for (int x = y % 5; x < c.width; x += 7)
                picture.setPixel(x, y, x % 2 ? qRgb(x % 256, x % 256, x % 256) : qRgb(0, 0, 0));
        ViewColours colours(picture, picture.rect());
        for (const SteadyViewPlace& place : steadyViewPlaces(c.width, c.height, c.face)) {
            const CutSampling sampling = cutSampling(faceCutRect(c.height, place.box).width(),
                                                     faceCutRect(c.height, place.box).height());
            const ImageBuffer view = preparedView(picture, place, sampling);
            const KnownColours known = colours.ofView(place, sampling);
            ASSERT_EQ(known.hue.size(), sampling.column.size());
            ASSERT_EQ(known.saturation.size(), sampling.column.size());
            for (std::size_t i = 0; i < known.hue.size(); ++i) {
                const unsigned char* p = view.data + 4 * i;  // B, G, R, A
                ASSERT_TRUE(sameDouble(known.hue[i], pixelHue(p[2], p[1], p[0])) &&
                            sameDouble(known.saturation[i], pixelSaturation(p[2], p[1], p[0])))
                    << "pixel " << i << " of view " << place.dx << "," << place.dy << " "
                    << place.mirrored;
            }
        }
    }
}

TEST(SteadyViews, SamplingOfACutTooLargeToProbeIsEmpty)
{
    EXPECT_EQ(cutSampling(4096, 10).width, 0);
    EXPECT_EQ(cutSampling(10, 4096).width, 0);
    EXPECT_EQ(cutSampling(0, 10).width, 0);
    const CutSampling kept = cutSampling(40, 60);
    EXPECT_EQ(kept.width, 40);
    EXPECT_EQ(kept.height, 60);
    EXPECT_EQ(kept.column[61], 21);  // pixel (21, 1) stays where it is
    EXPECT_EQ(kept.row[61], 1);
}

// A 40-pixel drawn face in the middle of a 100 x 110 picture: big enough to read, small enough
// (no reduction) to read 54 times quickly.
const FaceRect drawnBox = rect(30, 30, 40, 40);

TEST(SteadyReading, TheFaithfulViewIsReadFaceAndTheVotesCountTheViews)
{
    const QImage picture = drawnPicture(100, 110, drawnBox);
    const SteadyReading reading = readSteadily(picture, drawnBox);
    ASSERT_EQ(reading.views, steadyViewCount);
    expectVotesCountTheViews(reading);

    CapturedDiagnostics quiet;
    const QImage prepared = prepareFaceImage(cropFace(picture, drawnBox));
    ASSERT_TRUE(isColour(prepared));
    const ReadOutcome faithful = readFace(prepared);
    const SteadyView& view = reading.viewResults[faithfulViewIndex];
    EXPECT_EQ(steadyOutcomeOf(view.outcome), steadyOutcomeOf(faithful));
    EXPECT_EQ(view.outcome.measures.a1, faithful.measures.a1);
    EXPECT_EQ(view.outcome.measures.a3, faithful.measures.a3);
    EXPECT_EQ(view.outcome.measures.x0, faithful.measures.x0);

    // The drawn face reads as a type in most views: the vote is that type.
    EXPECT_LE(reading.outcome, O::WATER);
    EXPECT_GE(reading.votesFor(reading.outcome) * 4, steadyViewCount);
    EXPECT_FALSE(reading.reason);
}

TEST(SteadyReading, EveryViewReadsAsReadFaceReadsItsCut)
{
    // The views of a small face share their pixels' colours, those of a face whose views span
    // more than a megapixel work out their own; each view must still read exactly as Read Face
    // reads the view cut, mirrored and prepared on its own.
    struct Case {
        int width, height;
        FaceRect box;
    };
    const Case table[] = {{96, 120, rect(40, 50, 44, 44)}, {1000, 1400, rect(60, 200, 820, 820)}};
    QImage picture;
    SteadyReading reading;
    for (const Case& c : table) {
        SCOPED_TRACE(c.box.width);
        picture = drawnPicture(c.width, c.height, c.box);
        // Colours that differ from pixel to pixel by a few steps, as in a photo.
        Lcg random{5};
        const auto jitter = [&random](int v) {
            return std::clamp(v + int(random.next() % 7) - 3, 0, 255);
        };
        for (int y = 0; y < picture.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
            for (int x = 0; x < picture.width(); ++x)
                line[x] =
                    qRgb(jitter(qRed(line[x])), jitter(qGreen(line[x])), jitter(qBlue(line[x])));
        }
        reading = readSteadily(picture, c.box, 2);
        ASSERT_EQ(reading.views, steadyViewCount);
        EXPECT_LE(reading.outcome,
                  O::WATER);  // the drawn face reads: the views are not all failures
        CapturedDiagnostics quiet;
        for (const SteadyView& view : reading.viewResults) {
            const ImageBuffer prepared = preparedViewByCopies(picture, view.place);
            ReadingReport report;
            const ReadOutcome plain = readFace(prepared, &report);
            ASSERT_TRUE(view.report);
            const FaceMeasures& m = view.outcome.measures;
            EXPECT_TRUE(steadyOutcomeOf(view.outcome) == steadyOutcomeOf(plain) &&
                        m.a1 == plain.measures.a1 && m.a2 == plain.measures.a2 &&
                        m.a3 == plain.measures.a3 && m.a4 == plain.measures.a4 &&
                        m.x0 == plain.measures.x0 && m.y0 == plain.measures.y0 &&
                        view.report->faceRegionPixels == report.faceRegionPixels &&
                        view.report->failure == report.failure)
                << view.place.dx << "," << view.place.dy << " grow " << view.place.grow << " "
                << view.place.mirrored;
        }
    }

    // Colours that are not one per pixel are not taken: the reader works them out itself.
    const ImageBuffer prepared = preparedViewByCopies(picture, reading.viewResults[0].place);
    const ReadOutcome plain = readFace(prepared);
    const ReadOutcome given = readFace(prepared, KnownColours{{0.0}, {0.0}});
    EXPECT_EQ(steadyOutcomeOf(given), steadyOutcomeOf(plain));
    EXPECT_EQ(given.measures.a1, plain.measures.a1);
    EXPECT_EQ(given.measures.a3, plain.measures.a3);
}

TEST(SteadyReading, SameAtOneTwoAndEightThreads)
{
    // Off-centre and near the bottom border, so that the views differ.
    const FaceRect box = rect(40, 56, 44, 44);
    const QImage picture = drawnPicture(90, 100, box);
    const SteadyReading one = readSteadily(picture, box, 1);
    ASSERT_EQ(one.views, steadyViewCount);
    expectVotesCountTheViews(one);
    for (int threads : {2, 8}) {
        SCOPED_TRACE(threads);
        expectSameReading(readSteadily(picture, box, threads), one);
    }
}

TEST(SteadyReading, GreyFaceIsNotColourWithoutReports)
{
    FaceDrawing grey;
    grey.skin = {150, 150, 150};
    grey.jaw = {100, 100, 100};
    grey.mouth = {90, 90, 90};
    grey.background = {30, 30, 30};
    const QImage picture = drawnPicture(60, 70, rect(10, 15, 40, 40), grey);
    const SteadyReading reading = readSteadily(picture, rect(10, 15, 40, 40), 2);
    EXPECT_EQ(reading.outcome, O::NotColour);
    EXPECT_EQ(reading.votesFor(O::NotColour), steadyViewCount);
    EXPECT_FALSE(reading.reason);
    for (const SteadyView& view : reading.viewResults)
        EXPECT_FALSE(view.report);
    // A picture stored in another format is read as RGB32, as the face cut would be.
    const SteadyReading fromGrey8 =
        readSteadily(picture.convertToFormat(QImage::Format_Grayscale8), rect(10, 15, 40, 40));
    EXPECT_EQ(fromGrey8.outcome, O::NotColour);
}

TEST(SteadyReading, EveryViewFailedGivesTheCommonestReason)
{
    FaceDrawing noSkin;
    noSkin.skin = noSkin.jaw = noSkin.mouth = {30, 60, 200};
    const QImage picture = drawnPicture(60, 70, rect(10, 15, 40, 40), noSkin);
    const SteadyReading reading = readSteadily(picture, rect(10, 15, 40, 40));
    EXPECT_EQ(reading.outcome, O::Failed);
    EXPECT_EQ(reading.votesFor(O::Failed), steadyViewCount);
    FailureCounts counts{};
    for (const SteadyView& view : reading.viewResults) {
        ASSERT_TRUE(view.report && view.report->failure);
        ++counts[std::size_t(*view.report->failure)];
    }
    ASSERT_TRUE(reading.reason);
    EXPECT_EQ(reading.reason, commonestReason(counts));
    EXPECT_EQ(*reading.reason, ReadingFailure::NoLowerEdge);
}

TEST(SteadyReading, SmallFacesAtEveryBorderAndAsLargeAsThePicture)
{
    // Faces narrower than 24 pixels (d = 1) in each corner of a small picture, and a picture
    // that is the face's box and nothing more.
    struct Case {
        int width, height;
        FaceRect box;
    };
    const Case table[] = {{40, 44, rect(0, 0, 22, 22)},
                          {40, 44, rect(18, 0, 22, 22)},
                          {40, 44, rect(0, 22, 22, 22)},
                          {40, 44, rect(18, 22, 22, 22)},
                          {22, 22, rect(0, 0, 22, 22)}};
    for (const Case& c : table) {
        SCOPED_TRACE(std::to_string(c.box.x) + "," + std::to_string(c.box.y));
        const QImage picture = drawnPicture(c.width, c.height, c.box);
        const SteadyReading reading = readSteadily(picture, c.box, 2);
        ASSERT_EQ(reading.views, steadyViewCount);
        expectVotesCountTheViews(reading);
        // Views cut from the same box the same way read the same.
        for (const SteadyView& a : reading.viewResults)
            for (const SteadyView& b : reading.viewResults)
                if (a.place.box == b.place.box && a.place.mirrored == b.place.mirrored) {
                    EXPECT_EQ(steadyOutcomeOf(a.outcome), steadyOutcomeOf(b.outcome));
                }
        EXPECT_EQ(reading.reason.has_value(), reading.outcome == O::Failed);
    }
}

TEST(SteadyReading, WritesNoDiagnosticLinesAndGivesTheThreadItsStreamBack)
{
    const QImage picture = drawnPicture(100, 110, drawnBox);
    CapturedDiagnostics shared;
    std::ostringstream own;
    setThreadDiagnosticsStream(&own);
    diagnostics() << "before\n";
    readSteadily(picture, drawnBox, 2);
    diagnostics() << "after\n";
    setThreadDiagnosticsStream(nullptr);
    EXPECT_EQ(own.str(), "before\nafter\n");
    readSteadily(picture, drawnBox, 1);
    diagnostics() << "shared\n";
    EXPECT_EQ(shared.text(), "shared\n");
}

}  // namespace
