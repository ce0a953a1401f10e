#include "detect/detect_faces.h"
#include "detect/face_scan.h"
#include "detect/window_evaluation.h"
#include "vision/diagnostics.h"
#include "vision/picture.h"
#include "vision/qimage_buffer.h"

#include <QImage>
#include <gtest/gtest.h>

#include <iostream>
#include <string>

namespace {

ImageBuffer greyPhoto(const std::string& name)
{
    const QImage photo(QString::fromStdString(std::string(VELMORA_TEST_DATA) + "/photos/" + name));
    EXPECT_FALSE(photo.isNull()) << name;
    return toGray(loadImageBuffer(reducePicture(photo)));
}

class Photos : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        setDiagnosticsStream(nullptr);
        const std::string path = VELMORA_CASCADE;
        detector = new FaceDetector(std::wstring(path.begin(), path.end()));
        setDiagnosticsStream(&std::cout);
    }
    static void TearDownTestSuite()
    {
        delete detector;
        detector = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(detector && detector->cascade); }

    static FaceDetector* detector;
};
FaceDetector* Photos::detector = nullptr;

// The rectangles were checked by eye once, drawn on the photos; they pin the detector's exact
// arithmetic (rounding, thresholds, grouping) as well as its finding the faces.
TEST_F(Photos, FindsTheFacesOfThePortraits)
{
    EXPECT_EQ(detectFaces(greyPhoto("astronaut.png"), *detector),
              (std::vector<FaceRect>{{177, 68, 97, 97, 6}}));
    EXPECT_EQ(detectFaces(greyPhoto("grace_hopper.jpg"), *detector),
              (std::vector<FaceRect>{{159, 112, 212, 212, 4}}));
}

TEST_F(Photos, FindsBothFacesOfTwoPeople)
{
    const ImageBuffer grey = greyPhoto("two_people.jpg");
    ASSERT_EQ(grey.width, 1000);
    ASSERT_EQ(grey.height, 586);
    const std::vector<FaceRect> expected{{168, 106, 97, 97, 4}, {655, 104, 212, 212, 5}};
    EXPECT_EQ(detectFaces(grey, *detector), expected);
    // The prepared form is re-targeted by every run: a second run sees the same faces.
    EXPECT_EQ(detectFaces(grey, *detector), expected);
    EXPECT_EQ(detector->cascade->prepared->activeCount, detector->cascade->count);
}

TEST_F(Photos, FindsNoFaceWhereThereIsNone)
{
    EXPECT_TRUE(detectFaces(greyPhoto("coffee.png"), *detector).empty());
    EXPECT_TRUE(detectFaces(greyPhoto("camera.png"), *detector).empty());
}

TEST_F(Photos, FastAndPlainEvaluationAgreeOnEveryCandidate)
{
    for (const char* name : {"astronaut.png", "grace_hopper.jpg", "two_people.jpg", "coffee.png",
                             "camera.png"}) {
        const ImageBuffer grey = greyPhoto(name);
        const auto plain = scanCandidates(grey, *detector, runCascadeAt);
        EXPECT_EQ(scanCandidates(grey, *detector, runCascadeAtFast), plain) << name;
        EXPECT_EQ(scanCandidates(grey, *detector, runCascadeAtFast, runCascadesAtFast), plain)
            << name;
    }
}

}  // namespace
