// The reading report: what it says about a reading equals what the reading found, asking for it
// changes nothing, and a failed reading names the test that ended it.

#include "photo_faces.h"
#include "reading/face_reader.h"
#include "synthetic_face.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>

namespace {

void expectSameMeasures(const FaceMeasures& a, const FaceMeasures& b)
{
    EXPECT_EQ(a.x0, b.x0);
    EXPECT_EQ(a.y0, b.y0);
    EXPECT_EQ(a.a1, b.a1);
    EXPECT_EQ(a.a2, b.a2);
    EXPECT_EQ(a.a3, b.a3);
    EXPECT_EQ(a.a4, b.a4);
}

int setBytes(const ImageBuffer& mask)
{
    int n = 0;
    for (std::size_t i = 0; i < mask.sizeInBytes(); ++i)
        n += mask.data[i] != 0;
    return n;
}

// Reads the face with and without a report; both readings must agree in every result and every
// diagnostic line, and the report must repeat the reading's own numbers.
ReadingReport readWithReport(const ImageBuffer& face, ReadOutcome& outcome)
{
    CapturedDiagnostics plainLines;
    const ReadOutcome plain = readFace(face);
    const std::string plainText = plainLines.text();

    ReadingReport report;
    report.failure = ReadingFailure::NoSideEdges;  // a report is filled from scratch
    CapturedDiagnostics reportedLines;
    outcome = readFace(face, &report);
    EXPECT_EQ(reportedLines.text(), plainText);

    EXPECT_EQ(outcome.status, plain.status);
    EXPECT_EQ(outcome.phase, plain.phase);
    EXPECT_EQ(outcome.mouth.has_value(), plain.mouth.has_value());
    if (outcome.mouth && plain.mouth) {
        EXPECT_EQ(outcome.mouth->x, plain.mouth->x);
        EXPECT_EQ(outcome.mouth->y, plain.mouth->y);
    }
    expectSameMeasures(outcome.measures, plain.measures);

    expectSameMeasures(report.measures, outcome.measures);
    EXPECT_EQ(report.width, face.width);
    EXPECT_EQ(report.height, face.height);
    EXPECT_EQ(report.failure.has_value(), outcome.status == ReadOutcome::Status::Failed);
    if (outcome.mouth) {
        EXPECT_TRUE(report.mouth);
        EXPECT_EQ(report.mouth->x, outcome.mouth->x);
        EXPECT_EQ(report.mouth->y, outcome.mouth->y);
        EXPECT_EQ(report.faceRegion.width, face.width);
        EXPECT_EQ(report.faceRegion.height, face.height);
        EXPECT_EQ(report.faceRegionPixels, setBytes(report.faceRegion));
    }
    // The side vertices are the ones the reader wrote in its "xl0 and xr0" line.
    if (report.outline.sidesSearched) {
        const std::string line = "xl0 and xr0" + std::to_string(report.outline.xl0) + " " +
                                 std::to_string(report.outline.xr0) + "\n";
        EXPECT_NE(plainText.find(line), std::string::npos) << line;
    } else {
        EXPECT_EQ(plainText.find("xl0 and xr0"), std::string::npos);
    }
    return report;
}

struct PhotoCase {
    const char* photo;
    std::size_t face;
    std::optional<ReadingFailure> failure;
    std::optional<FacePhase> phase;
};

class PhotoReport : public ::testing::TestWithParam<PhotoCase> {};

TEST_P(PhotoReport, RepeatsTheReadingAndNamesItsFailure)
{
    const PhotoCase& c = GetParam();
    const std::vector<QImage> faces = preparedPhotoFaces(c.photo);
    ASSERT_GT(faces.size(), c.face);
    ReadOutcome outcome;
    const ReadingReport report = readWithReport(loadImageBuffer(faces[c.face]), outcome);
    EXPECT_EQ(report.failure, c.failure);
    if (c.phase) {
        ASSERT_EQ(outcome.status, ReadOutcome::Status::Read);
        EXPECT_EQ(outcome.phase, *c.phase);
    }
    // All of these faces got as far as the side curves.
    EXPECT_TRUE(report.outline.sidesSearched);
    EXPECT_GT(report.faceRegionShare(), 0.2);
    EXPECT_LT(report.faceRegionShare(), 1.0);
}

// The astronaut and the left face of two_people fail on the left side; the two readings of
// Grace Hopper succeed.
INSTANTIATE_TEST_SUITE_P(
    SamplePhotos, PhotoReport,
    ::testing::Values(PhotoCase{"astronaut.png", 0, ReadingFailure::NoLeftSideEdge, std::nullopt},
                      PhotoCase{"two_people.jpg", 0, ReadingFailure::NoLeftSideEdge, std::nullopt},
                      PhotoCase{"two_people.jpg", 1, std::nullopt, FacePhase::FIRE},
                      PhotoCase{"grace_hopper.jpg", 0, std::nullopt, FacePhase::WOOD}));

struct DrawnCase {
    const char* name;
    ImageBuffer face;
    std::optional<ReadingFailure> failure;
};

DrawnCase drawn(const char* name, double centreX, double radiusX, double centreY, double radiusY,
                std::optional<ReadingFailure> failure)
{
    FaceDrawing drawing;
    drawing.centreX = centreX;
    drawing.radiusX = radiusX;
    drawing.centreY = centreY;
    drawing.radiusY = radiusY;
    return {name, drawFace(drawing), failure};
}

ImageBuffer noSkin()
{
    FaceDrawing drawing;
    drawing.skin = drawing.jaw = drawing.mouth = drawing.background;
    return drawFace(drawing);
}

// Every way a reading can fail, each reached by a face drawn for it.
TEST(ReadingReport, EachFailureOnAFaceThatEndsThere)
{
    using F = ReadingFailure;
    const DrawnCase cases[] = {
        drawn("the default face", 33.5, 30, 50, 36, std::nullopt),
        drawn("a short face high up", 33.5, 15, 30, 20, F::NoLowerEdge),
        {"no skin at all", noSkin(), F::NoLowerEdge},
        drawn("a narrow long face", 33.5, 15, 30, 50, F::NoLeftSideEdge),
        drawn("a face in the upper half", 33.5, 30, 30, 36, F::NoRightSideEdge),
        drawn("a narrow face at the left border", 10, 15, 50, 36, F::NoSideEdges),
        {"three channels", rgbFilled(67, 100, 200, 150, 120), F::NotBgraPixels},
        {"an empty buffer", ImageBuffer(), F::NotBgraPixels},
    };
    for (const DrawnCase& c : cases) {
        SCOPED_TRACE(c.name);
        ReadOutcome outcome;
        const ReadingReport report = readWithReport(c.face, outcome);
        EXPECT_EQ(report.failure, c.failure);
        const FaceMeasures& m = report.measures;
        if (!c.failure) {
            EXPECT_EQ(outcome.status, ReadOutcome::Status::Read);
            continue;
        }
        EXPECT_EQ(outcome.status, ReadOutcome::Status::Failed);
        switch (*c.failure) {
        case F::NotBgraPixels:
            EXPECT_FALSE(report.mouth);
            EXPECT_TRUE(report.faceRegion.isEmpty());
            break;
        case F::NoLowerEdge:
            EXPECT_FALSE(m.a1 || m.a2 || m.x0 || m.y0);
            EXPECT_FALSE(report.outline.sidesSearched);
            break;
        case F::NoLeftSideEdge: EXPECT_TRUE(!m.a3 && m.a4); break;
        case F::NoRightSideEdge: EXPECT_TRUE(m.a3 && !m.a4); break;
        case F::NoSideEdges: EXPECT_TRUE(!m.a3 && !m.a4); break;
        }
    }
    ReadOutcome outcome;
    EXPECT_EQ(readWithReport(noSkin(), outcome).faceRegionPixels, 0);
}

TEST(ReadingFailure, StableCodesAndPlainSentences)
{
    const std::pair<ReadingFailure, const char*> codes[] = {
        {ReadingFailure::NotBgraPixels, "not_bgra_pixels"},
        {ReadingFailure::NoLowerEdge, "no_lower_edge"},
        {ReadingFailure::NoLeftSideEdge, "no_left_side_edge"},
        {ReadingFailure::NoRightSideEdge, "no_right_side_edge"},
        {ReadingFailure::NoSideEdges, "no_side_edges"},
    };
    std::set<std::string> sentences;
    for (const auto& [failure, code] : codes) {
        EXPECT_STREQ(readingFailureCode(failure), code);
        const std::string sentence = readingFailureSentence(failure);
        EXPECT_GT(sentence.size(), 20u) << code;
        EXPECT_EQ(sentence.back(), '.') << code;
        sentences.insert(sentence);
    }
    EXPECT_EQ(sentences.size(), std::size(codes));
}

}  // namespace
