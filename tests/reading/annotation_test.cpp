// The drawings of faces and measurements: measured pixels land on the picture's pixels they were
// taken from, the picture keeps its size and its pixels away from the strokes, and what a failed
// reading draws matches its reason. Text needs fonts, so this program runs a GUI application (on
// the offscreen platform).

#include "reading/annotation.h"
#include "reading/prepare_face.h"
#include "vision/picture.h"

#include <QGuiApplication>
#include <QImage>
#include <QRect>
#include <gtest/gtest.h>

#include <cmath>

namespace {

// Every pixel tells where it came from: red = column, green = row (both below 256).
QImage coordinateCoded(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x % 256, y % 256, 0));
    return image;
}

TEST(FacePlacement, APreparedPixelMapsIntoThePixelItWasTakenFrom)
{
    for (const QSize size : {QSize(97, 146), QSize(212, 250), QSize(60, 90), QSize(150, 100),
                             QSize(101, 101), QSize(100, 100), QSize(255, 40), QSize(7, 255)}) {
        SCOPED_TRACE(size.width());
        SCOPED_TRACE(size.height());
        const QImage cut = coordinateCoded(size.width(), size.height());
        const QImage prepared = prepareFaceImage(cut);
        FacePlacement place;
        place.scale = preparedFaceScale(size);
        int checked = 0;
        for (int v = 0; v < prepared.height(); ++v) {
            for (int u = 0; u < prepared.width(); ++u) {
                const QPointF at = place.toPicture(u, v);
                const QRgb taken = prepared.pixel(u, v);
                ASSERT_EQ(int(std::floor(at.x())), qRed(taken)) << u << "," << v;
                ASSERT_EQ(int(std::floor(at.y())), qGreen(taken)) << u << "," << v;
                ++checked;
            }
        }
        EXPECT_EQ(checked, prepared.width() * prepared.height());
    }
}

TEST(FacePlacement, StartsAtTheCutsCorner)
{
    struct Case {
        FaceRect face;
        int pictureHeight;
        double left, top, scale;
    };
    const Case cases[] = {
        {FaceRect{50, 100, 40, 40, 2}, 300, 50, 90, 1},          // 40 x 60: kept
        {FaceRect{50, 10, 80, 80, 2}, 300, 50, 0, 100.0 / 110},  // clipped at the top
        {FaceRect{5, 250, 80, 80, 2}, 300, 5, 230, 1},           // clipped at the bottom: 80 x 70
        {FaceRect{159, 112, 212, 212, 4}, 600, 159, 59, 100.0 / 318},
    };
    for (const Case& c : cases) {
        const FacePlacement place = placeFace(c.pictureHeight, c.face);
        EXPECT_EQ(place.left, c.left);
        EXPECT_EQ(place.top, c.top);
        EXPECT_DOUBLE_EQ(place.scale, c.scale);
        const QRect cut = faceCutRect(c.pictureHeight, c.face);
        EXPECT_EQ(QPointF(place.left, place.top), QPointF(cut.topLeft()));
    }
}

ReadOutcome outcomeOf(ReadOutcome::Status status, FacePhase phase = FacePhase::WOOD)
{
    ReadOutcome outcome;
    outcome.status = status;
    outcome.phase = phase;
    return outcome;
}

TEST(ReadingLabel, TypeOrReason)
{
    using S = ReadOutcome::Status;
    ReadingReport left;
    left.failure = ReadingFailure::NoLeftSideEdge;
    ReadingReport lower;
    lower.failure = ReadingFailure::NoLowerEdge;
    lower.width = 10;
    lower.height = 10;
    lower.faceRegionPixels = 3;
    EXPECT_EQ(readingLabel(outcomeOf(S::Read, FacePhase::GOLD), nullptr), "GOLD");
    EXPECT_EQ(readingLabel(outcomeOf(S::NotColour), nullptr), "not_colour");
    EXPECT_EQ(readingLabel(outcomeOf(S::Failed), nullptr), "failed");
    EXPECT_EQ(readingLabel(outcomeOf(S::Failed), &left), "no_left_side_edge");
    EXPECT_EQ(readingLabel(outcomeOf(S::Failed), &lower), "no_lower_edge (skin 3%)");
}

QImage plainPicture(int width, int height, QRgb colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

bool near(QRgb a, QRgb b, int tolerance = 40)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

// Whether some pixel within the given distance of the point has about that colour.
bool colourNear(const QImage& image, QPointF at, double radius, QRgb colour)
{
    for (int y = int(at.y() - radius); y <= int(at.y() + radius); ++y)
        for (int x = int(at.x() - radius); x <= int(at.x() + radius); ++x)
            if (image.valid(x, y) && std::hypot(x - at.x(), y - at.y()) <= radius &&
                near(image.pixel(x, y), colour))
                return true;
    return false;
}

TEST(AnnotatePicture, BoxesOnAPictureOfItsOwnSize)
{
    const QImage grey = plainPicture(300, 200, qRgb(90, 90, 90));
    // Without faces the picture comes back as it was (in Format_RGB32).
    EXPECT_EQ(annotatePicture(grey, {}), grey);
    QImage indexed = grey.convertToFormat(QImage::Format_Indexed8);
    EXPECT_EQ(annotatePicture(indexed, {}).format(), QImage::Format_RGB32);

    const std::vector<FaceAnnotation> faces = {
        {FaceRect{40, 60, 80, 80, 3}, 0, std::nullopt, std::nullopt},
        {FaceRect{180, 60, 80, 80, 3}, 1, std::nullopt, std::nullopt},
    };
    const QImage drawn = annotatePicture(grey, faces, 1);
    ASSERT_EQ(drawn.size(), grey.size());
    // The box lines: light on the plain one, orange on the highlighted one.
    EXPECT_TRUE(near(drawn.pixel(40, 100), qRgb(255, 255, 255)))
        << std::hex << drawn.pixel(40, 100);
    EXPECT_TRUE(near(drawn.pixel(180, 100), qRgb(255, 159, 26)))
        << std::hex << drawn.pixel(180, 100);
    // Inside the boxes and far from them the picture is untouched.
    EXPECT_EQ(drawn.pixel(80, 120), grey.pixel(80, 120));
    EXPECT_EQ(drawn.pixel(150, 190), grey.pixel(150, 190));
    // The numbers stand above the boxes.
    EXPECT_NE(drawn.copy(40, 20, 40, 38), grey.copy(40, 20, 40, 38));
}

// The astronaut's reading fails on the left side curve: its drawing marks the left vertex with a
// red ring and draws the right side curve, starting at the right vertex.
TEST(AnnotatePicture, TheAstronautsDrawingShowsItsReason)
{
    const QImage picture = reducePicture(QImage(VELMORA_TEST_DATA "/photos/astronaut.png"));
    const FaceRect box{177, 68, 97, 97, 6};  // as the detector finds it
    const QImage prepared = prepareFaceImage(cropFace(picture, box));
    ReadingReport report;
    const ReadOutcome outcome = readFace(prepared, &report);
    ASSERT_EQ(report.failure, ReadingFailure::NoLeftSideEdge);
    ASSERT_TRUE(report.outline.sidesSearched);

    const QImage drawn = annotatePicture(picture, {{box, 0, outcome, report}});
    const FacePlacement place = placeFace(picture.height(), box);
    const OutlineTrace& t = report.outline;
    const QPointF leftVertex = place.toPicture(t.xl0, t.yl0);
    const QPointF rightVertex = place.toPicture(t.xr0, t.yr0);
    const QRgb red = qRgb(255, 59, 48), cyan = qRgb(77, 225, 255), pink = qRgb(255, 77, 210);
    EXPECT_TRUE(colourNear(drawn, leftVertex, 8, red));
    EXPECT_FALSE(colourNear(drawn, rightVertex, 8, red));
    EXPECT_TRUE(colourNear(drawn, rightVertex, 3, cyan));
    EXPECT_TRUE(colourNear(drawn, place.toPicture(report.mouth->x, report.mouth->y), 2, pink));
    EXPECT_FALSE(colourNear(picture, place.toPicture(report.mouth->x, report.mouth->y), 2, pink));
    EXPECT_EQ(readingLabel(outcome, &report), "no_left_side_edge");
}

TEST(AnnotateFaceCut, EnlargedWithTheDrawing)
{
    EXPECT_EQ(faceCutMagnification(QImage(97, 146, QImage::Format_RGB32)), 5);
    EXPECT_EQ(faceCutMagnification(QImage(212, 318, QImage::Format_RGB32)), 2);
    EXPECT_EQ(faceCutMagnification(QImage(400, 600, QImage::Format_RGB32)), 1);
    EXPECT_EQ(faceCutMagnification(QImage()), 1);

    const QImage cut = plainPicture(60, 90, qRgb(200, 150, 120));
    ReadingReport report;
    report.width = 60;
    report.height = 90;
    report.mouth = MouthPoint{30, 60};
    const QImage drawn = annotateFaceCut(cut, outcomeOf(ReadOutcome::Status::Failed), report, 4);
    ASSERT_EQ(drawn.size(), QSize(240, 360));
    EXPECT_TRUE(colourNear(drawn, QPointF(30.5, 60.5) * 4, 2, qRgb(255, 77, 210)));
    EXPECT_EQ(drawn.pixel(200, 300), qRgb(200, 150, 120));
}

}  // namespace

int main(int argc, char* argv[])
{
    QGuiApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
