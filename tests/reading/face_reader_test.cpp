#include "reading/face_reader.h"
#include "reading/outline.h"
#include "reading/prepare_face.h"
#include "synthetic_face.h"
#include "test_support.h"
#include "vision/qimage_buffer.h"

#include <QImage>
#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(DecideFacePhase, TableAndItsBoundaries)
{
    EXPECT_EQ(decideFacePhase(0.02, 0.02, 0.1, 0.1), FacePhase::WATER);
    EXPECT_EQ(decideFacePhase(0.02, 0.02, 0.15, 0.15), FacePhase::EARTH);
    EXPECT_EQ(decideFacePhase(0.0265, 0.0274, 0.1495, 0.1504), FacePhase::WATER);
    // Exactly 0.027 is already the middle row.
    EXPECT_EQ(decideFacePhase(0.027, 0.027, 0.1, 0.1), FacePhase::GOLD);
    EXPECT_EQ(decideFacePhase(0.027, 0.027, 0.15, 0.15), FacePhase::FIRE);
    EXPECT_EQ(decideFacePhase(0.034, 0.0355, 0.12, 0.19), FacePhase::FIRE);
    // Exactly 0.035 is WOOD whatever the sides.
    EXPECT_EQ(decideFacePhase(0.035, 0.035, 0.04, 0.04), FacePhase::WOOD);
    EXPECT_EQ(decideFacePhase(0.035, 0.035, 0.2, 0.2), FacePhase::WOOD);
    EXPECT_EQ(decideFacePhase(0.0395, 0.0345, 0.04, 0.05), FacePhase::WOOD);
}

TEST(FacePhaseName, AllFive)
{
    EXPECT_STREQ(facePhaseName(FacePhase::WOOD), "WOOD");
    EXPECT_STREQ(facePhaseName(FacePhase::FIRE), "FIRE");
    EXPECT_STREQ(facePhaseName(FacePhase::EARTH), "EARTH");
    EXPECT_STREQ(facePhaseName(FacePhase::GOLD), "GOLD");
    EXPECT_STREQ(facePhaseName(FacePhase::WATER), "WATER");
}

TEST(ReadFace, DrawnFaceIsReadAndRepeatable)
{
    const ImageBuffer face = drawFace();
    CapturedDiagnostics first;
    const ReadOutcome outcome = readFace(face);
    ASSERT_EQ(outcome.status, ReadOutcome::Status::Read);
    const FaceMeasures& m = outcome.measures;
    ASSERT_TRUE(measuresValid(m, 67, 100));
    EXPECT_EQ(outcome.phase, decideFacePhase(*m.a1, *m.a2, *m.a3, *m.a4));
    // The drawn mouth is centred at (33.5, 69.8).
    ASSERT_TRUE(outcome.mouth);
    EXPECT_NEAR(outcome.mouth->x, 33, 2);
    EXPECT_NEAR(outcome.mouth->y, 70, 3);

    const std::vector<std::string> lines = first.lines();
    ASSERT_EQ(lines.size(), 45u);
    EXPECT_EQ(lines[0], "new width and height34 38");
    EXPECT_EQ(lines[1], "a1cur is 0.02");
    EXPECT_EQ(lines[41].rfind("a1 and a2 are ", 0), 0u);
    EXPECT_EQ(lines[42].rfind("x0 is ", 0), 0u);
    EXPECT_EQ(lines[43].rfind("xl0 and xr0", 0), 0u);
    EXPECT_EQ(lines[44].rfind("a3 and a4 are ", 0), 0u);

    CapturedDiagnostics second;
    const ReadOutcome again = readFace(face);
    EXPECT_EQ(second.text(), first.text());
    EXPECT_EQ(again.phase, outcome.phase);
    EXPECT_EQ(again.measures.a3, m.a3);
}

TEST(ReadFace, PictureWithoutSkinFails)
{
    ImageBuffer blue(60, 90, 4, 1);
    for (int i = 0; i < 60 * 90; ++i) {
        blue.data[4 * i] = 200;
        blue.data[4 * i + 1] = 60;
        blue.data[4 * i + 2] = 30;
        blue.data[4 * i + 3] = 255;
    }
    CapturedDiagnostics captured;
    const ReadOutcome outcome = readFace(blue);
    EXPECT_EQ(outcome.status, ReadOutcome::Status::Failed);
    EXPECT_TRUE(outcome.mouth);
    EXPECT_FALSE(outcome.measures.a1);
}

TEST(ReadFace, TinyOrOddBuffersFailSafely)
{
    CapturedDiagnostics captured;
    for (const auto& [w, h] : {std::pair{0, 0}, {1, 1}, {4, 100}, {100, 4}, {2, 3}, {5, 5}}) {
        FaceDrawing drawing;
        drawing.width = w;
        drawing.height = h;
        drawing.centreX = w / 2.0;
        drawing.centreY = h / 2.0;
        drawing.radiusX = w / 2.0;
        drawing.radiusY = h / 2.0;
        EXPECT_EQ(readFace(drawFace(drawing)).status, ReadOutcome::Status::Failed) << w << "x" << h;
    }
    EXPECT_EQ(readFace(ImageBuffer()).status, ReadOutcome::Status::Failed);
    EXPECT_EQ(readFace(rgbFilled(67, 100, 200, 150, 120)).status, ReadOutcome::Status::Failed);
}

QImage filledImage(int width, int height, QRgb colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

TEST(PrepareFaceImage, ReducesTheLongerSideToAHundred)
{
    const QImage wide = prepareFaceImage(filledImage(300, 200, qRgb(200, 150, 120)));
    EXPECT_EQ(wide.width(), 100);
    EXPECT_EQ(wide.height(), 67);
    const QImage tall = prepareFaceImage(filledImage(200, 300, qRgb(200, 150, 120)));
    EXPECT_EQ(tall.height(), 100);
    EXPECT_EQ(tall.width(), 67);
    const QImage square = prepareFaceImage(filledImage(150, 150, qRgb(200, 150, 120)));
    EXPECT_EQ(square.size(), QSize(100, 100));
    const QImage small = prepareFaceImage(filledImage(90, 60, qRgb(200, 150, 120)));
    EXPECT_EQ(small.size(), QSize(90, 60));
    EXPECT_EQ(small.format(), QImage::Format_RGB32);

    QImage indexed(40, 30, QImage::Format_Indexed8);
    indexed.setColorCount(1);
    indexed.setColor(0, qRgb(1, 2, 3));
    indexed.fill(0);
    EXPECT_EQ(prepareFaceImage(indexed).format(), QImage::Format_RGB32);
}

TEST(IsColour, GreyPixelsInAnyFormatAreNotColour)
{
    EXPECT_FALSE(isColour(prepareFaceImage(filledImage(50, 80, qRgb(90, 90, 90)))));
    QImage grey(50, 80, QImage::Format_Grayscale8);
    grey.fill(Qt::gray);
    EXPECT_FALSE(isColour(prepareFaceImage(grey)));

    QImage almost = filledImage(50, 80, qRgb(90, 90, 90));
    almost.setPixel(49, 79, qRgb(90, 91, 90));
    EXPECT_TRUE(isColour(prepareFaceImage(almost)));
}

TEST(ReadFace, QImageEdgeReadsTheSamePixels)
{
    const ImageBuffer face = drawFace();
    QImage image(face.width, face.height, QImage::Format_RGB32);
    for (int y = 0; y < face.height; ++y)
        std::memcpy(image.scanLine(y), face.data + y * face.width * 4, face.width * 4);
    CapturedDiagnostics captured;
    const ReadOutcome fromImage = readFace(prepareFaceImage(image));
    const ReadOutcome fromBuffer = readFace(face);
    EXPECT_EQ(fromImage.status, fromBuffer.status);
    EXPECT_EQ(fromImage.measures.a4, fromBuffer.measures.a4);
    EXPECT_EQ(fromImage.measures.x0, fromBuffer.measures.x0);
}

}  // namespace
